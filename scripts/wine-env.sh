#!/usr/bin/env bash
# Sourceable helpers that run Windows programs under Wine, headless, in a
# private prefix inside a build folder. Nothing is written to $HOME.
#
#   source scripts/wine-env.sh
#
#   q17_wine_prefix BUILD_DIR
#       Creates (first time) or reuses the prefix BUILD_DIR/wine-prefix and
#       exports WINEPREFIX, WINEDEBUG=-all and WINEDLLOVERRIDES for it, then
#       starts its wineserver persistent (it keeps running until
#       q17_wine_stop), so values added to volatile registry keys stay.
#       Output of Wine and of its helper processes goes to
#       BUILD_DIR/wine-prefix.log: the helpers outlive the command that
#       started them and would hold a caller's pipe open forever.
#       Returns non-zero when the prefix cannot be made.
#
#   q17_wine COMMAND [ARGS...]
#       Runs `wine COMMAND ARGS...` in the prefix (Wine's debug output off);
#       the program's standard input, output and error are the caller's.
#
#   q17_wine_env
#       Fills the array q17_env with the arguments of env for a Wine
#       process (the display, HOME and XDG folders in the build folder),
#       for a program started in the background whose process id must be
#       Wine's own, e.g. to send it SIGINT, which Wine turns into the
#       console's Ctrl-C:
#         ( q17_wine_env; exec env "${q17_env[@]}" wine prog.exe ) &
#
#   q17_wine_map_com N DEVICE
#       Makes COMN a name for DEVICE (a serial device or a pseudo-terminal
#       such as q17sim's): the link dosdevices/comN and the value COMN under
#       HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, where Windows programs list
#       ports (Wine does not list such a port by itself). That key is
#       volatile: call this after q17_wine_prefix, and again after the
#       wineserver was restarted.
#
#   q17_wine_stop
#       Shuts the prefix's wineserver and every Windows process in it down
#       and waits until they are gone.
#
# Wine sees no display (headless, nothing flashes on a desktop) unless
# Q17_WINE_DISPLAY names one, e.g. Q17_WINE_DISPLAY=$DISPLAY under xvfb-run
# for window programs.
#
# Also usable as a command: scripts/wine-env.sh BUILD_DIR COMMAND [ARGS...]
# runs one program in the prefix, for CMAKE_CROSSCOMPILING_EMULATOR.

q17_wine_prefix() {
  local build=${1:?q17_wine_prefix: build folder needed}
  mkdir -p "$build" || return 1
  build=$(cd "$build" && pwd) || return 1
  export WINEPREFIX="$build/wine-prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko download prompts and no desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export Q17_WINE_LOG="$build/wine-prefix.log"
  # Wine looks at HOME and the XDG folders for caches and menu entries.
  export Q17_WINE_HOME="$build/wine-home"
  mkdir -p "$Q17_WINE_HOME" "$WINEPREFIX" || return 1

  if ! command -v wine >/dev/null 2>&1; then
    echo "q17_wine_prefix: wine not found (Debian packages wine, wine64)" >&2
    return 1
  fi
  # Persistent first, so the helpers wineboot starts meet a server that
  # keeps the volatile registry for as long as the prefix is in use. When a
  # server already runs for this prefix, this one steps back.
  if _q17_wine_run wineserver -p; then
    # A new server: start Wine's helper processes now, with their output in
    # the log, before any caller's program could start them on its pipes.
    local boot=()
    [[ -f "$WINEPREFIX/system.reg" ]] || boot=(-i)
    _q17_wine_run wine wineboot "${boot[@]}" || {
      echo "q17_wine_prefix: wineboot failed, see $Q17_WINE_LOG" >&2
      return 1
    }
    # Wine lists the host's serial devices by itself (/dev/ttyS0 as COM1,
    # value \Device\Serial0): only the ports mapped here are listed, each
    # once, whatever the host has.
    local value
    q17_wine_env
    env "${q17_env[@]}" wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>>"$Q17_WINE_LOG" </dev/null | tr -d '\r' |
      sed -n 's/^ *\(\\Device\\Serial[0-9]*\) .*/\1/p' | while IFS= read -r value; do
      _q17_wine_run wine reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "$value" /f
    done
  fi
}

# The environment of every Wine process, as arguments of env: the display
# only when asked for, HOME and the XDG folders inside the build folder.
q17_wine_env() {
  q17_env=(-u DISPLAY -u WAYLAND_DISPLAY HOME="$Q17_WINE_HOME"
    XDG_CACHE_HOME="$Q17_WINE_HOME/.cache" XDG_CONFIG_HOME="$Q17_WINE_HOME/.config"
    XDG_DATA_HOME="$Q17_WINE_HOME/.local/share")
  if [[ -n "${Q17_WINE_DISPLAY:-}" ]]; then q17_env+=(DISPLAY="$Q17_WINE_DISPLAY"); fi
}

# Runs a Wine tool with all its output (and that of the helpers it leaves
# behind) in the log.
_q17_wine_run() {
  q17_wine_env
  env "${q17_env[@]}" "$@" </dev/null >>"$Q17_WINE_LOG" 2>&1
}

q17_wine() {
  : "${WINEPREFIX:?q17_wine: call q17_wine_prefix first}"
  q17_wine_env
  env "${q17_env[@]}" wine "$@"
}

q17_wine_map_com() {
  local n=${1:?q17_wine_map_com: port number needed} device=${2:?q17_wine_map_com: device needed}
  : "${WINEPREFIX:?q17_wine_map_com: call q17_wine_prefix first}"
  if [[ ! "$n" =~ ^[1-9][0-9]*$ ]] || [[ ! -c "$device" ]]; then
    echo "q17_wine_map_com: need a port number and a character device, got '$n' '$device'" >&2
    return 1
  fi
  ln -sfn "$device" "$WINEPREFIX/dosdevices/com$n" || return 1
  _q17_wine_run wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' \
    /v "COM$n" /t REG_SZ /d "COM$n" /f || {
    echo "q17_wine_map_com: could not list COM$n, see $Q17_WINE_LOG" >&2
    return 1
  }
}

q17_wine_stop() {
  [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]] || return 0
  _q17_wine_run wineserver -k
  _q17_wine_run wineserver -w
  return 0
}

# As a command: wine-env.sh BUILD_DIR PROGRAM [ARGS...]
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  q17_wine_prefix "${1:?usage: wine-env.sh BUILD_DIR PROGRAM [ARGS...]}"
  shift
  q17_wine_env
  exec env "${q17_env[@]}" wine "$@"
fi
