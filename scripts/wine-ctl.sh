#!/usr/bin/env bash
# q17ctl.exe under Wine, called as the Linux q17ctl is: the launcher the
# end-to-end tests take from Q17CTL_LAUNCH ("scripts/wine-ctl.sh;BUILD_WIN")
# to run the Windows program against q17sim, a Linux program.
#
#   wine-ctl.sh BUILD_WIN [Q17CTL ARGS...]
#       Runs BUILD_WIN/tools/q17ctl/q17ctl.exe in the prefix of BUILD_WIN
#       (scripts/wine-env.sh) with ARGS, where a pseudo-terminal after
#       --port becomes its COM name; other names (COM3, tcp://...,
#       rfc2217://...) pass unchanged. The pseudo-terminals named there and
#       in SETUPQ17_PORTS (which Linux lists as ports) are entered in the
#       prefix, device link and registry value, as Windows lists ports.
#       Output comes without the CRs of Windows' text mode; the process id
#       and the exit status are Wine's own, so SIGINT reaches the program
#       as the console's Ctrl-C and SIGKILL ends it.
#
#   wine-ctl.sh BUILD_WIN --port-name DEVICE
#       Prints the name q17ctl.exe knows DEVICE by.
#
# /dev/pts/N is COM(N+1): distinct terminals get distinct names, so several
# programs may run side by side in one prefix.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?usage: wine-ctl.sh BUILD_WIN [ARGS...]}
shift

# The COM name of a pseudo-terminal; anything else as it is.
port_name() {
  if [[ $1 =~ ^/dev/pts/([0-9]+)$ ]]; then
    echo "COM$((BASH_REMATCH[1] + 1))"
  else
    echo "$1"
  fi
}

if [[ ${1:-} == --port-name ]]; then
  port_name "${2:?usage: wine-ctl.sh BUILD_WIN --port-name DEVICE}"
  exit 0
fi

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
q17_wine_prefix "$build"

# Wine takes the Windows user's locale from LC_ALL at each start, and a
# start in another locale than the last rewrites the date and time forms in
# the prefix's registry, which a running program reads when it first formats
# a date: a run in a locale of its own (a test of the user's forms) has the
# prefix to itself from the registry entries below to its end; the others
# share it. The lock passes to Wine with its descriptor and ends with the
# program; the wait for it is bounded.
exec {locale_lock}>>"$build/wine-prefix.locale-lock"
if [[ -n ${LC_ALL:-} ]]; then
  flock -x -w 120 "$locale_lock" || true
else
  flock -s -w 120 "$locale_lock" || true
fi

# Windows programs find ports in the registry, and q17ctl opens only a port
# it finds: each pseudo-terminal named (after --port, or in SETUPQ17_PORTS
# for `ports`) gets its device link and its registry value.
mapped=()
map() {
  local name
  name=$(port_name "$1")
  # A terminal gone already stays unmapped: q17ctl then says it is not there.
  [[ $name != "$1" && -c $1 && " ${mapped[*]} " != *" $1 "* ]] || return 0
  q17_wine_map_com "${name#COM}" "$1"
  mapped+=("$1")
}

IFS=: read -ra listed <<<"${SETUPQ17_PORTS:-}"
for device in "${listed[@]}"; do [[ -z $device ]] || map "$device"; done
args=()
while (($#)); do
  if [[ $1 == --port && $# -ge 2 ]]; then
    map "$2"
    args+=("$1" "$(port_name "$2")")
    shift 2
  else
    args+=("$1")
    shift
  fi
done

q17_wine_env
# Line by line, as the program wrote them: a filter that gathered its output
# would keep a reader that stops early (head -1) from closing q17ctl's pipe.
# shellcheck disable=SC2154 # q17_wine_env fills q17_env
exec env "${q17_env[@]}" wine "$build/tools/q17ctl/q17ctl.exe" "${args[@]}" \
  > >(stdbuf -oL tr -d '\r') 2> >(stdbuf -oL tr -d '\r' >&2)
