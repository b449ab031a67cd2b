#!/usr/bin/env bash
# End to end under Wine: q17ctl.exe against q17sim (a Linux program) on a
# pseudo-terminal that the Wine prefix knows as COM5. Each check compares
# q17ctl's output with what q17sim holds, as the Linux end-to-end tests do.
#
#   scripts/windows-e2e.sh BUILD_WIN Q17SIM
#
# BUILD_WIN: the Windows build folder (tools/q17ctl/q17ctl.exe, the prefix);
# Q17SIM: the Linux q17sim program. Closing line: "windows e2e: N passed, M
# failed"; exit status 1 when any check failed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:?usage: windows-e2e.sh BUILD_WIN Q17SIM}" && pwd)
sim=${2:?usage: windows-e2e.sh BUILD_WIN Q17SIM}
ctl="$build/tools/q17ctl/q17ctl.exe"
port=COM5
# Every wait for q17sim or q17ctl ends at this at the latest; all of them
# end at once on the answer they wait for.
limit=60

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
# shellcheck source=sim-env.sh
source "$root/scripts/sim-env.sh"
q17_wine_prefix "$build"

work="$build/e2e"
rm -rf "$work"
mkdir -p "$work"

trap q17_sim_stop EXIT
Q17_SIM_ERR="$work/q17sim.err" q17_sim_start "$sim" --reader 1 --reader 3 ||
  { echo "windows e2e: q17sim did not start" >&2; exit 1; }
q17_wine_map_com 5 "$Q17_SIM_PTY"

passed=0
failed=0

# One control line to q17sim; its answer in $answer.
control() {
  q17_sim_control "$@" || exit 1
  answer=$q17_sim_answer
}
# A field of the last answer ("state", "stats").
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$answer"; }

# Runs q17ctl.exe against the port; standard output and error without the
# CRs of Windows' text mode in $out and $err, the exit status in $code.
ctl() {
  code=0
  (cd "$work" && q17_wine "$ctl" --port "$port" "$@" >"$work/out" 2>"$work/err" </dev/null) || code=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

# Starts q17ctl.exe in the background (its process id in $ctl_pid); stop it
# as Ctrl-C would with stop_ctl.
ctl_start() {
  (
    cd "$work"
    q17_wine_env
    exec env "${q17_env[@]}" wine "$ctl" --port "$port" "$@" >"$work/out" 2>"$work/err" </dev/null
  ) &
  ctl_pid=$!
}
# Wine turns SIGINT into the console's Ctrl-C event.
stop_ctl() {
  kill -INT "$ctl_pid"
  code=0
  wait "$ctl_pid" || code=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}
# Waits until q17sim's state shows FIELD=VALUE (or the limit passes): the
# state is asked again every 50 ms until then.
wait_state() {
  local deadline=$((SECONDS + limit))
  while control state && [[ "$(field "$1")" != "$2" ]] && ((SECONDS < deadline)); do
    kill -0 "$ctl_pid" 2>/dev/null || return 0
    sleep 0.05
  done
}

# check NAME ACTUAL EXPECTED
check() {
  if [[ "$2" == "$3" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n  expected: %q\n  actual:   %q\n  stderr:   %q\n' "$1" "$3" "$2" "$err" >&2
  fi
}

# The mapped port is listed.
ctl ports
check "ports: exit" "$code" 0
check "ports: $port listed" "$(grep -cx "$port" <<<"$out")" 1

# Version and configuration as q17sim holds them, Russian text whole.
control "version Считыватель 2xQ17 в.1.2 "
ctl version
check "version" "$out" "Считыватель 2xQ17 в.1.2 "
ctl read-config
check "read-config" "$out" "BLOCK=AA 55 0A 05 14 1E 1E 08 0A 05 14 1E 1E 08 01 0A
TMT_1=100
TMT_2=100
ATT_1=0
ATT_2=0
MODE=БЕЗ ВОРОТ"

# Scan: both readers, no one else.
control "@3 version Q17-3 "
ctl scan 1 5
check "scan" "$out" "Addr=01 [Считыватель 2xQ17 в.1.2]
Addr=03 [Q17-3]"

# Echo test: every exchange good.
ctl echo-test --count 20 --length 64
check "echo-test: exit" "$code" 0
check "echo-test: counts" "$(head -2 <<<"$out")" "good=20
errors=0"

# set-time: the reader's date, weekday (1 = Sunday) and time are this
# computer's, the time within two seconds.
ctl set-time
check "set-time: exit" "$code" 0
control state
check "set-time: date" "$(field DATE)" "$(date +%Y-%m-%d)"
check "set-time: weekday" "$(field DOW)" "$(($(date +%w) + 1))"
reader_time=$(field TIME)
drift=$(($(date +%s) - $(date -d "$(date +%Y-%m-%d) $reader_time" +%s)))
check "set-time: time within 2 s" "$((drift >= 0 && drift <= 2))" 1

# Settings files with Russian letters and a space in their names: a set-up
# by hand into reader 1, saved from it under a new name, written into
# reader 3, which then holds what reader 1 holds.
start="начальные настройки.set"
printf '%s\r\n' "[CHAN_1]" "WCT=0x0C" "WAT=6" "GDT=1" "GOT=40" "TST=50" "OPT=\$1B" \
  "[CHAN_2]" "WCT=7" "WAT=8" "GDT=9" "GOT=11" "TST=12" "OPT=3" \
  "[MEMORY]" "TMT_1=250" "TMT_2=2400" "[ATTEN]" "ATT_1=3" "ATT_2=31" >"$work/$start"
ctl write-config "$start"
check "write-config: exit" "$code" 0
control "state 1"
one=$answer
check "write-config: block" "$(field BLOCK)" "AA550C060128321B0708090B0C03010A"

file="настройки Q17.set"
ctl save-config "$file"
check "save-config: exit" "$code" 0
check "save-config: file name" "$(find "$work" -maxdepth 1 -name "$file" | wc -l)" 1
check "save-config: SAVED=" "$(tail -1 <<<"$out")" "SAVED=$file"
check "save-config: address" "$(grep -c '^RDR_ADDR=1' "$work/$file")" 1

ctl --address 3 write-config "$file"
check "write-config into 3: exit" "$code" 0
control "state 3"
for f in BLOCK TMT ATT; do
  check "write-config into 3: $f" "$(field "$f")" "$(answer=$one field "$f")"
done

# audit --count: the events of a passing car, audit mode off afterwards.
control "clock 2026-12-07 14:45:30"
control "pass 2 00A10228"
ctl audit --count 3
check "audit: events" "$out" "$(printf '1\tКан. 2\t14:45:30\t00 A1 02 28\tНовый таг\n2\tКан. 2\t14:45:31\t00 A1 02 28\tТаг передан в контроллер\n3\tКан. 2\t14:45:32\t00 A1 02 28\tТаг потерян')"
control state
check "audit: mode off" "$(field AUDIT)" off

# sensors --count: the inputs q17sim has switched.
control "sensor car 1 on"
control "sensor gate 2 on"
ctl sensors --count 2
check "sensors" "$out" "DC1=выкл. CAR1=ВКЛ. DC2=ВКЛ. CAR2=выкл.
DC1=выкл. CAR1=ВКЛ. DC2=ВКЛ. CAR2=выкл."

# radio-test --seconds: counts printed, the count stopped.
control "tag add 2 00FFFF01"
ctl radio-test --channel 2 --etalon "00 FF FF 01" --test "00 FF FF 02" --seconds 1
check "radio-test: exit" "$code" 0
check "radio-test: counts" "$(grep -c '^etalon=[1-9][0-9]* test=0$' <<<"$out")" 1
control state
check "radio-test: stopped" "$(field RADIO)" off

# tags: the field's tags, most significant byte first.
control "tag add 1 00A10228"
control "tag add 1 12345678"
ctl tags
check "tags" "$out" "count=2
00 A1 02 28
12 34 56 78"

# Ctrl-C ends audit cleanly: audit mode off, exit 128 + SIGINT.
control "audit clear"
ctl_start audit
wait_state AUDIT on
stop_ctl
check "audit Ctrl-C: exit" "$code" 130
control state
check "audit Ctrl-C: mode off" "$(field AUDIT)" off

# Ctrl-C ends radio-test cleanly: the count stopped, the counts printed.
ctl_start radio-test --channel 2 --etalon "00 FF FF 01" --test "00 FF FF 02" --seconds 600
wait_state RADIO on
stop_ctl
check "radio-test Ctrl-C: exit" "$code" 130
check "radio-test Ctrl-C: counts" "$(grep -c '^etalon=[0-9]* test=0$' <<<"$out")" 1
control state
check "radio-test Ctrl-C: stopped" "$(field RADIO)" off

# The version resource read from a program in a folder with Russian letters.
folder="$work/программа Q17"
mkdir -p "$folder"
cp "$build/tests/version/version_tests.exe" "$folder/"
code=0
q17_wine "$folder/version_tests.exe" --gtest_filter=VersionInfo.ThisProgramCarriesTheBuildsRecord \
  >"$work/out" 2>&1 </dev/null || code=$?
err=$(tr -d '\r' <"$work/out")
check "version resource from a Russian folder" "$code" 0

# Network ports: q17ctl.exe through ser2net (a raw and an RFC 2217 accepter
# in front of q17sim's pseudo-terminal), a server that accepts and never
# answers (a raw accepter in front of a bus without reader 1) and a port
# nobody listens on.
# A loopback port nobody listens on now.
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    grep -qi ":$(printf '%04X' "$p") " /proc/net/tcp /proc/net/tcp6 2>/dev/null || { echo "$p"; return; }
  done
}
# Waits until something listens on the loopback port (or the limit passes).
await_listen() {
  local deadline=$((SECONDS + limit)) hex
  hex=$(printf '%04X' "$1")
  until awk -v p=":$hex" '$4 == "0A" && substr($2, length($2) - 4) == p { found = 1 } END { exit !found }' \
    /proc/net/tcp || ((SECONDS >= deadline)); do
    sleep 0.05
  done
}
"$sim" --reader 9 --no-stdin >"$work/silent.pty" 2>"$work/silent.err" &
silent_pid=$!
raw=$(free_port) telnet=$(free_port) silent=$(free_port) refused=$(free_port)
deadline=$((SECONDS + limit))
until [[ -s "$work/silent.pty" ]] || ((SECONDS >= deadline)); do sleep 0.05; done
cat >"$work/ser2net.yaml" <<EOF
connection: &raw
  accepter: tcp,127.0.0.1,$raw
  connector: serialdev,$Q17_SIM_PTY,9600n81,local
  options:
    chardelay: false
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet
  connector: serialdev,$Q17_SIM_PTY,9600n81,local
  options:
    chardelay: false
connection: &silent
  accepter: tcp,127.0.0.1,$silent
  connector: serialdev,$(head -1 "$work/silent.pty"),9600n81,local
EOF
# -n: in the foreground; -u: no UUCP lock files.
/usr/sbin/ser2net -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" 2>"$work/ser2net.err" &
ser2net_pid=$!
trap 'kill "$ser2net_pid" "$silent_pid" 2>/dev/null || true; q17_sim_stop' EXIT
for p in "$raw" "$telnet" "$silent"; do await_listen "$p"; done
# A generous line wait: the timing through a forwarder is the benchmark's business.
for kind in tcp rfc2217; do
  where=$raw
  [[ $kind == tcp ]] || where=$telnet
  port="$kind://127.0.0.1:$where"
  ctl --timeout 400 version
  check "$kind: version" "$out" "Считыватель 2xQ17 в.1.2 "
  ctl --timeout 400 scan 1 5
  check "$kind: scan" "$out" "Addr=01 [Считыватель 2xQ17 в.1.2]
Addr=03 [Q17-3]"
  ctl --timeout 400 echo-test --count 20 --length 64
  check "$kind: echo-test" "$(head -2 <<<"$out")" "good=20
errors=0"
done
port="tcp://127.0.0.1:$silent"
ctl version
check "silent server, raw: exit" "$code" 1
check "silent server, raw: error" "$err" "Код = 6 / Таймаут обмена"
port="rfc2217://127.0.0.1:$silent"
ctl version
check "silent server, RFC 2217: exit" "$code" 1
check "silent server, RFC 2217: named" "$(grep -c 'сервер не отвечает' <<<"$err")" 1
port="tcp://127.0.0.1:$refused"
ctl version
check "refused: exit" "$code" 1
check "refused: named" "$(grep -c 'соединение отклонено' <<<"$err")" 1
kill "$ser2net_pid" "$silent_pid" 2>/dev/null || true
wait "$ser2net_pid" "$silent_pid" 2>/dev/null || true

echo "windows e2e: $passed passed, $failed failed"
((failed == 0))
