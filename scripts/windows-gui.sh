#!/usr/bin/env bash
# Runs the Windows program of build-win/dist/SetupQ17 (scripts/build-windows.sh)
# under Wine against q17sim on COM5, in a private prefix in build-win-qt; the
# headless modes run the probe of build-win/probe, the same program with the
# hook that reports what it did.
#
#   scripts/windows-gui.sh look    the program on your display (or on a
#                                  private Xvfb when there is none), to use
#                                  by hand; q17sim serves until it closes
#   scripts/windows-gui.sh smoke   headless: the main window appears, COM5
#                                  opens, the configuration and the version
#                                  are read; then the same in English
#                                  (--lang en), and through ser2net's
#                                  RFC 2217 accepter over Winsock; fails
#                                  otherwise
#   scripts/windows-gui.sh shots   headless: the main window on each page,
#                                  the test windows, the car park's windows,
#                                  the traffic log, the about box and the
#                                  network port dialog, in Russian and in
#                                  English, into build/screenshots/windows/
#                                  ru/ and en/
#   scripts/windows-gui.sh bench [runs]
#                                  start to main window shown, under Wine
#                                  and of the Linux program, on one display
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-look}
build="$root/build-win-qt"
exe="$root/build-win/dist/SetupQ17/SetupQ17.exe"
probe="$root/build-win/probe/SetupQ17Probe.exe"
port=COM5
for f in "$exe" "$probe"; do
  [[ -f "$f" ]] || { echo "windows-gui: $f missing: run scripts/build-windows.sh first" >&2; exit 1; }
done

"$root/scripts/deps.sh" wine wine64 xvfb ser2net >/dev/null
# q17sim is a Linux program: the native build has it.
sim="$root/build/tools/q17sim/q17sim"
if [[ ! -x "$sim" ]]; then
  (cd "$root" && cmake --preset default >/dev/null)
fi
cmake --build "$root/build" --target q17sim >/dev/null

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
work=$(mktemp -d)
# shellcheck source=sim-env.sh
source "$root/scripts/sim-env.sh"
xvfb_pid=""
cleanup() {
  q17_wine_stop
  q17_sim_stop
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [[ "$mode" == look && -n "${DISPLAY:-}" ]]; then
  export Q17_WINE_DISPLAY=$DISPLAY
else
  # A display of its own; Xvfb picks a free number and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  [[ -s "$work/display" ]] || { echo "windows-gui: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export Q17_WINE_DISPLAY=":$(head -n 1 "$work/display")"
fi

# The demonstration reader: tags, sensors and audit events for every window.
Q17_SIM_ERR="$work/sim.err" q17_sim_start "$sim" --no-stdin --script "$root/tools/q17sim/demo.sim"
pty=$Q17_SIM_PTY

q17_wine_prefix "$build"
q17_wine_map_com "${port#COM}" "$pty"

# The probe's report; Wine's own messages stay in its log. A program that
# hangs is ended after the time limit (q17_wine is a function, which timeout
# cannot run, hence its environment spelled out).
# Arguments after the mode go to the program (--lang en).
run() {
  local mode=$1
  shift
  q17_wine_env
  SETUPQ17_BENCH_EXIT="$mode" timeout "${Q17_RUN_SECONDS:-120}" env "${q17_env[@]}" wine "$probe" "$@" 2>>"$Q17_WINE_LOG" | sed -u 's/\r$//'
  return "${PIPESTATUS[0]}"
}

case "$mode" in
  look)
    echo "windows-gui: SetupQ17.exe on display $Q17_WINE_DISPLAY, q17sim on $port ($pty)" >&2
    q17_wine "$exe" 2>>"$Q17_WINE_LOG" || true
    ;;
  smoke)
    # Russian by name: Wine's own language is English, which a first start follows.
    out=$(run "smoke:$port" --lang ru) || true
    printf '%s\n' "$out"
    expect() { grep -Eq "$1" <<<"$out" || { echo "windows-gui smoke: no line matching '$1'" >&2; exit 1; }; }
    expect '^title 2xQ17 Reader Setup Utility$'
    expect "^interfaces (.*; )?$port(;|\$)"
    expect "^open Порт $port\$"
    expect '^read Код = 0 '
    expect '^version .+'
    expect '^about SetupQ17 \| [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ \| .+ \| .+$'
    expect '^smoke ok$'

    # The program in English when asked: its own texts from the translation
    # built into it.
    out=$(run "smoke:$port" --lang en) || true
    printf '%s\n' "$out" | grep -E '^(read|smoke)' || true
    expect '^read Code = 0 / OK !$'
    expect '^smoke ok$'

    # The same reader through a serial server on the loopback, reached over
    # Winsock: ser2net's RFC 2217 accepter in front of the same terminal
    # (acknowledged at once, which Wine cannot ask of the client's side).
    listening() { grep -q ":$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp; }
    netport=$((20000 + RANDOM % 20000))
    while listening "$netport"; do netport=$((netport + 1)); done
    cat >"$work/ser2net.yaml" <<YAML
connection: &rfc2217
  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1,$netport
  connector: serialdev,$pty,9600n81,local
  options:
    chardelay: false
YAML
    /usr/sbin/ser2net -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" 2>"$work/ser2net.err" &
    s2n=$!
    for _ in $(seq 200); do listening "$netport" && break; sleep 0.05; done
    net="rfc2217://127.0.0.1:$netport"
    out=$(run "smoke:$net" --lang ru) || true
    kill "$s2n" 2>/dev/null || true
    printf '%s\n' "$out" | grep -E '^(open|read|version|smoke)' || true
    expect "^open Порт $net\$"
    expect '^read Код = 0 '
    expect '^smoke ok$'
    echo "windows-gui smoke: passed" >&2
    ;;
  shots)
    out_dir="$root/build/screenshots/windows"
    rm -rf "$out_dir"
    mkdir -p "$out_dir"
    for lang in ru en; do
      out=$(SETUPQ17_BENCH_PORT=$port Q17_RUN_SECONDS=300 run "shots:Z:$out_dir/$lang" --lang "$lang") ||
        { printf '%s\n' "$out" >&2; echo "windows-gui: shots in $lang failed" >&2; exit 1; }
      printf '%s\n' "$out" | grep '^shot' >&2
    done
    echo "windows-gui: $(find "$out_dir" -name '*.png' | wc -l) pictures in $out_dir" >&2
    ;;
  bench)
    runs=${2:-5}
    # Beside it, the Linux probe of build/ on the same display and reader.
    cmake --build "$root/build" --target SetupQ17Probe >/dev/null
    linux() {
      SETUPQ17_BENCH_EXIT=1 SETUPQ17_PORTS="$pty" DISPLAY="$Q17_WINE_DISPLAY" QT_QPA_PLATFORM=xcb \
        timeout 60 "$root/build/src/app/SetupQ17Probe" 2>/dev/null
    }
    # The first start of each also reads its libraries from disk: not counted.
    run 1 >/dev/null || true
    linux >/dev/null || true
    # Each report line stamped with the milliseconds since the command started.
    stamped() {
      local t0 line
      t0=$(date +%s%N)
      "$@" | while IFS= read -r line; do printf '%d %s\n' $((($(date +%s%N) - t0) / 1000000)) "$line"; done
    }
    echo "start to main window shown, $runs runs (from the command's start; in brackets from main()):"
    for i in $(seq "$runs"); do
      wine_figures=$(stamped run 1) || true
      linux_figures=$(stamped linux) || true
      printf '  run %d: Wine %s ms (%s ms), Linux %s ms (%s ms)\n' "$i" \
        "$(awk '$2 == "startup_ms" {print $1}' <<<"$wine_figures")" "$(awk '$2 == "startup_ms" {print $3}' <<<"$wine_figures")" \
        "$(awk '$2 == "startup_ms" {print $1}' <<<"$linux_figures")" "$(awk '$2 == "startup_ms" {print $3}' <<<"$linux_figures")"
    done
    ;;
  *)
    echo "usage: scripts/windows-gui.sh look|smoke|shots|bench [runs]" >&2
    exit 2
    ;;
esac
