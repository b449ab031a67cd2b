#!/usr/bin/env bash
# The Windows installer under Wine, each run in a fresh private prefix:
# the installer's tables (the upgrade code, the files' versions) and the
# programs' manifest; silent install, the files in Program Files, the
# Start-menu shortcut, the "Programs and Features" entry, the .set
# association, an upgrade from a lower version (one entry), a silent
# uninstall by the entry's own uninstall command that leaves nothing, and an
# administrator's install folder kept by the upgrade.
#
#   scripts/windows-msi.sh stand-in   the installer's own logic, on a folder
#                                     laid out like the program's with
#                                     stand-ins (no Qt for Windows needed):
#                                     a small program records what a
#                                     double-click on a settings file runs
#   scripts/windows-msi.sh program    the MSI of scripts/build-windows.sh;
#                                     the installed program starts, lists
#                                     COM5 (q17sim's) and shows a settings
#                                     file's values when opened with it
#
# Closing line: "windows msi: N passed, M failed"; exit status 1 when any failed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-stand-in}
triple=x86_64-w64-mingw32

"$root/scripts/deps.sh" xvfb
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"

case "$mode" in
  stand-in) work="$root/build-win/msi-test" ;;
  program) work="$root/build-win-qt/msi-test" ;;
  *)
    echo "usage: scripts/windows-msi.sh stand-in|program" >&2
    exit 2
    ;;
esac
version=$(sed -n 's/^project(SetupQ17 VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
# The older build an upgrade starts from.
older=0.0.1

rm -rf "$work"
mkdir -p "$work"
sim_pid="" xvfb_pid=""
cleanup() {
  q17_wine_stop
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  return 0
}
trap cleanup EXIT

passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}
finish() {
  echo "windows msi: $passed passed, $failed failed"
  exit $((failed > 0))
}

# --- the folder the installers are made of -------------------------------
if [[ $mode == stand-in ]]; then
  dist="$work/SetupQ17"
  mkdir -p "$dist/platforms" "$dist/styles"
  # The program's stand-in: records the settings file it was opened with
  # beside that file, as a window program (no console), like the real one.
  cat >"$work/standin.c" <<'EOF'
#include <stdio.h>
int main(int argc, char** argv) {
  if (argc < 2) return 0;
  char name[4096];
  snprintf(name, sizeof name, "%s.opened", argv[1]);
  FILE* f = fopen(name, "w");
  if (!f) return 1;
  fprintf(f, "%d %s\n", argc - 1, argv[1]);
  return fclose(f) != 0;
}
EOF
  # With the program's version resource, as the File table takes it from there.
  IFS=. read -r major minor patch <<<"$version"
  cat >"$work/standin.rc" <<EOF
1 VERSIONINFO
 FILEVERSION $major,$minor,$patch,0
 PRODUCTVERSION $major,$minor,$patch,0
BEGIN
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0419, 1251
  END
END
EOF
  $triple-windres "$work/standin.rc" -O coff -o "$work/standin-rc.o"
  $triple-gcc -O2 -mwindows -static -o "$dist/SetupQ17.exe" "$work/standin.c" "$work/standin-rc.o"
  # q17ctl.exe: the cross-built one when check-windows.sh has made it.
  real_ctl=false
  if [[ -f "$root/build-win/tools/q17ctl/q17ctl.exe" ]]; then
    cp "$root/build-win/tools/q17ctl/q17ctl.exe" "$dist/"
    real_ctl=true
  else
    echo "stand-in for q17ctl.exe" >"$dist/q17ctl.exe"
  fi
  for dll in Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
    echo "stand-in for $dll" >"$dist/$dll"
  done
else
  dist="$root/build-win/dist/SetupQ17"
  real_ctl=true
  [[ -f $dist/SetupQ17.exe ]] || { echo "windows-msi: no $dist: run scripts/build-windows.sh first" >&2; exit 1; }
fi
new_msi="$work/SetupQ17-$version-win64.msi"
old_msi="$work/SetupQ17-$older-win64.msi"
"$root/scripts/make-msi.sh" "$dist" "$version" "$new_msi"
"$root/scripts/make-msi.sh" "$dist" "$older" "$old_msi"
# The same version built once more: a product code of its own.
rebuilt_msi="$work/rebuilt/SetupQ17-$version-win64.msi"
"$root/scripts/make-msi.sh" "$dist" "$version" "$rebuilt_msi"

# --- the prefix, and what to look at in it -------------------------------
q17_wine_prefix "$work" || exit 1
c="$WINEPREFIX/drive_c"
installed="$c/Program Files/SetupQ17"
# Windows puts a per-machine install's shortcut into the Start menu of all
# users; Wine into the installing user's.
shortcuts=("$c/ProgramData/Microsoft/Windows/Start Menu/Programs/SetupQ17.lnk"
  "$c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/SetupQ17.lnk")

msiexec() { q17_wine msiexec "$@" >>"$Q17_WINE_LOG" 2>&1; }
# A registry value as reg prints it (the text after its type), or nothing.
reg_value() {
  local key=$1 name=$2 args=(/ve)
  [[ -n $name ]] && args=(/v "$name")
  q17_wine reg query "$key" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *[^ ].*  *REG_[A-Z_]*  *\(.*\)$/\1/p' | head -n 1
}
# Our entries of "Programs and Features", one "name|version|publisher|key"
# a line; an installer's key is named by its product code.
entries() {
  q17_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { if (name == "SetupQ17") print name "|" ver "|" pub "|" key; name = ver = pub = ""; key = $0; sub(/.*\\/, "", key) }
         $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { ver = $3 }
         $1 == "Publisher" { pub = substr($0, index($0, $3)) }
         END { if (name == "SetupQ17") print name "|" ver "|" pub "|" key }'
}
uninstall_key() { echo "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\\$(entries | cut -d'|' -f4)"; }
# The entry's own uninstall command, as an IT script runs it: the text of
# UninstallString and /qn, through the command interpreter.
uninstall_entry() {
  local command
  command=$(reg_value "$(uninstall_key)" UninstallString)
  [[ -n $command ]] && q17_wine cmd /c "$command /qn" >>"$Q17_WINE_LOG" 2>&1
}
# The entry removes, and offers no change that would do nothing.
entry_removes() {
  local code
  code=$(entries | cut -d'|' -f4)
  [[ $(reg_value "$(uninstall_key)" NoModify) == 0x1 &&
    $(reg_value "$(uninstall_key)" UninstallString) == "MsiExec.exe /X$code" ]]
}
# Whether the export of KEY (UTF-16, so any letters survive) holds LINE as
# reg writes it: "Name"="text", backslashes and quotes escaped.
reg_export_has() {
  local key=$1 line=$2 file="$work/export.reg"
  rm -f "$file"
  q17_wine reg export "$key" "$(q17_wine winepath -w "$file" 2>/dev/null | tr -d '\r')" /y >>"$Q17_WINE_LOG" 2>&1 &&
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | grep -Fxq -- "$line"
}
# The entry names the folder the program is in (a Windows path).
install_location() {
  reg_export_has "$(uninstall_key)" "\"InstallLocation\"=\"${1//\\/\\\\}\""
}
one_entry() { [[ $(entries | wc -l) -eq 1 && $(entries | cut -d'|' -f2) == "$1" ]]; }
no_entry() { [[ -z $(entries) ]]; }
program_files() {
  [[ -f "$installed/SetupQ17.exe" && -f "$installed/q17ctl.exe" && -f "$installed/Qt6Core.dll" &&
    -f "$installed/Qt6Widgets.dll" && -f "$installed/platforms/qwindows.dll" ]]
}
same_files() { diff -r "$dist" "$installed" >/dev/null; }
# The publisher in the entry; its icon, which Windows takes from the
# installer's own record of the product.
entry_complete() {
  [[ $(entries | cut -d'|' -f3) == "SetupQ17 developers" ]] &&
    q17_wine reg query 'HKCR\Installer\Products' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { if (name == "SetupQ17" && icon ~ /SetupQ17\.ico$/) found = 1; name = icon = "" }
         $1 == "ProductName" { name = $3 } $1 == "ProductIcon" { icon = $3 }
         END { if (name == "SetupQ17" && icon ~ /SetupQ17\.ico$/) found = 1; exit !found }'
}
# The shortcut, with the program's icon (named in the link, in UTF-16).
shortcut() {
  local lnk
  for lnk in "${shortcuts[@]}"; do
    [[ -f $lnk && $(strings -el "$lnk") == *'\SetupQ17.ico'* ]] && return 0
  done
  return 1
}
nothing_left() { [[ ! -e $installed && ! -e ${shortcuts[0]} && ! -e ${shortcuts[1]} ]]; }
# The installer's tables, read back.
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
# Windows Installer compares the codes as text.
same_upgrade_code() {
  local code
  code=$(table "$new_msi" Property | sed -n 's/^UpgradeCode\t//p')
  [[ $code =~ ^\{[0-9A-F-]+\}$ ]] && [[ -z $(table "$new_msi" Upgrade | cut -f1 | grep -vxF "$code") ]]
}
# The programs' File rows carry their version and language (Russian).
file_version() {
  table "$new_msi" File | awk -F'\t' -v name="$1" -v want="$version.0" \
    '$3 == name { found = ($5 == want && $6 == "1049") } END { exit !found }'
}
# The manifest resource: as the invoker, long paths, sharp per monitor,
# the common controls of version 6.
manifest() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
start = data.find(b'<assembly')
text = data[start:data.find(b'</assembly>', start)].decode('utf-8', 'replace') if start >= 0 else ''
wanted = ['level="asInvoker"', '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true<',
          '>PerMonitorV2', 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"']
sys.exit(0 if text and all(w in text for w in wanted) else 1)
PY
}
set_owner() { [[ $(reg_value 'HKCR\.set' "") == "$1" ]]; }
open_command() { [[ $(reg_value 'HKCR\SetupQ17.Settings\shell\open\command' "") == '"C:\Program Files\SetupQ17\SetupQ17.exe" "%1"' ]]; }
open_with() { q17_wine reg query 'HKCR\.set\OpenWithProgids' /v SetupQ17.Settings >/dev/null 2>&1; }
no_progid() { ! q17_wine reg query 'HKCR\SetupQ17.Settings' >/dev/null 2>&1; }
# The tables' Russian texts arrive whole (the installer's code page).
russian_text() {
  local text
  q17_wine reg export 'HKLM\Software\Classes\SetupQ17.Settings' "$(q17_wine winepath -w "$work/progid.reg" 2>/dev/null | tr -d '\r')" /y \
    >>"$Q17_WINE_LOG" 2>&1 || return 1
  text=$(iconv -f UTF-16 -t UTF-8 "$work/progid.reg" | tr -d '\r') && grep -qx '@="Настройки считывателя SetupQ17"' <<<"$text"
}
association_gone() { set_owner "" && no_progid; }
ctl_runs() { [[ $(q17_wine "$installed/q17ctl.exe" --version 2>/dev/null | tr -d '\r') == "q17ctl $version" ]]; }
downgrade_refused() { ! msiexec /i "$old_msi" /qn; }

# A settings file's values, as saving writes them (Windows-1251, CRLF).
settings="$work/files/gate 2.set"
mkdir -p "$work/files"
printf '[CREATION]\r\nDATE-TIME=08.12.2026 10:00:00\r\n[COMMON]\r\nRDR_ADDR=1\r\n[CHAN_1]\r\nGDT=77\r\n[R_TEST]\r\nETAL_TAG=00 0A 0B 0C\r\nTEST_TAG=00 0D 0E 0F\r\n' >"$settings"
# A double-click: Explorer runs the file's open verb, as start does.
double_click() {
  rm -f "$settings.opened"
  q17_wine start /wait /unix "$settings" >>"$Q17_WINE_LOG" 2>&1
  [[ $(tr -d '\r' <"$settings.opened" 2>/dev/null) == "1 $(q17_wine winepath -w "$settings" 2>/dev/null | tr -d '\r')" ]]
}

# --- the installer's tables and the programs ------------------------------
check "the UpgradeCode the same text in the Property and Upgrade tables" same_upgrade_code
check "the File table gives SetupQ17.exe its version $version.0" file_version SetupQ17.exe
if $real_ctl; then
  check "the File table gives q17ctl.exe its version $version.0" file_version q17ctl.exe
  check "q17ctl.exe carries the application manifest" manifest "$dist/q17ctl.exe"
fi
if [[ $mode == program ]]; then check "SetupQ17.exe carries the application manifest" manifest "$dist/SetupQ17.exe"; fi

# --- install, use, upgrade, uninstall -------------------------------------
check "msiexec /i of version $older, silent" msiexec /i "$old_msi" /qn
check "the program, q17ctl.exe and the Qt DLLs in Program Files\\SetupQ17" program_files
check "the Start-menu shortcut, with the program's icon" shortcut
check "one entry in Programs and Features, version $older" one_entry "$older"
check "the entry names the publisher and the icon" entry_complete
check "the entry names the install folder" install_location 'C:\Program Files\SetupQ17\'
check "the entry removes (MsiExec /X) and offers no change" entry_removes
check ".set opens with SetupQ17 where nothing owned it" set_owner SetupQ17.Settings
check "the open verb runs the installed program with the file" open_command
check "the file type's name in Russian, as written" russian_text
if [[ $mode == stand-in ]]; then
  check "a double-click on a settings file runs the program with it" double_click
fi
if $real_ctl; then check "q17ctl.exe runs from the install folder" ctl_runs; fi

check "msiexec /i of version $version over it, silent" msiexec /i "$new_msi" /qn
check "after the upgrade one entry, version $version" one_entry "$version"
check "after the upgrade every file of the folder, as built" same_files
check "after the upgrade .set still opens with SetupQ17" set_owner SetupQ17.Settings
if [[ $mode == program ]]; then
  # The installed program itself, against q17sim on COM5, on a display of
  # its own, opened with the settings file; the smoke hook reports. Where
  # the hook lives in a probe program of its own, the probe runs from the
  # install folder (on the installed DLLs) and goes again after.
  runner="$installed/SetupQ17.exe"
  if [[ -f $root/build-win/probe/SetupQ17Probe.exe ]]; then
    cp "$root/build-win/probe/SetupQ17Probe.exe" "$installed/"
    runner="$installed/SetupQ17Probe.exe"
  fi
  sim="$root/build/tools/q17sim/q17sim"
  [[ -x $sim ]] || cmake --build "$root/build" --target q17sim >/dev/null
  "$sim" --no-stdin --script "$root/tools/q17sim/demo.sim" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  pty=""
  for _ in $(seq 100); do
    pty=$(head -n 1 "$work/sim.out")
    [[ -n $pty && -s $work/display ]] && break
    sleep 0.1
  done
  gui=""
  if [[ -n $pty && -s $work/display ]]; then
    # Wine started anew on that display (its desktop process keeps the
    # display it was started with), COM5 listed again in the new server.
    q17_wine_stop
    Q17_WINE_DISPLAY=":$(head -n 1 "$work/display")"
    export Q17_WINE_DISPLAY
    if q17_wine_prefix "$work" && q17_wine_map_com 5 "$pty"; then
      file=$(q17_wine winepath -w "$settings" 2>/dev/null | tr -d '\r')
      q17_wine_env  # fills q17_env
      # shellcheck disable=SC2154
      gui=$(SETUPQ17_BENCH_EXIT=smoke:COM5 timeout 120 env "${q17_env[@]}" wine "$runner" --lang ru "$file" 2>>"$Q17_WINE_LOG" |
        tr -d '\r') || true
    fi
    q17_wine_stop
    unset Q17_WINE_DISPLAY
    q17_wine_prefix "$work"
  fi
  printf '%s\n' "$gui" | sed 's/^/  /'
  rm -f "$installed/SetupQ17Probe.exe"
  check "the installed program starts, lists COM5 and reads the reader" grep -q '^smoke ok$' <<<"$gui"
  check "opened with a settings file, it shows the file's values" \
    grep -qx 'settings Адрес: 1 | 00 0A 0B 0C | 00 0D 0E 0F' <<<"$gui"
fi
check "an older version is refused over a newer one" downgrade_refused
check "still one entry, version $version" one_entry "$version"
check "msiexec /i of a rebuild of version $version, silent" msiexec /i "$rebuilt_msi" /qn
check "the rebuild replaces it: one entry" one_entry "$version"

check "the entry's uninstall command with /qn, as an IT script runs it" uninstall_entry
check "no file of ours left in Program Files, no shortcut" nothing_left
check "no entry left in Programs and Features" no_entry
check "no .set association left" association_gone

# Another program owns .set: it keeps it, SetupQ17 is only offered.
q17_wine reg add 'HKLM\Software\Classes\.set' /ve /d Other.Settings /f >>"$Q17_WINE_LOG" 2>&1
check "msiexec /i where another program owns .set" msiexec /i "$new_msi" /qn
check "the other program keeps .set" set_owner Other.Settings
check "SetupQ17 is listed under Open with" open_with
check "msiexec /x there" msiexec /x "$new_msi" /qn
check "the other program still owns .set" set_owner Other.Settings
check "nothing of ours left" nothing_left
check "no entry left" no_entry

# An administrator's folder, named once: the upgrade goes there again.
chosen_w='C:\Программы завода\Setup Q17\'
chosen="$c/Программы завода/Setup Q17"
in_chosen() { [[ -f "$chosen/SetupQ17.exe" && -f "$chosen/q17ctl.exe" && ! -e $installed ]]; }
chosen_open_command() {
  reg_export_has 'HKLM\Software\Classes\SetupQ17.Settings\shell\open\command' \
    '@="\"C:\\Программы завода\\Setup Q17\\SetupQ17.exe\" \"%1\""'
}
nothing_in_chosen() { [[ ! -e $chosen ]] && no_entry; }
# The letters reach msiexec whole through a UTF-8 command line.
msiexec_utf8() { LC_ALL=C.UTF-8 msiexec "$@"; }
check "msiexec /i of version $older with INSTALLDIR=$chosen_w" msiexec_utf8 /i "$old_msi" /qn "INSTALLDIR=$chosen_w"
check "the program in that folder, nothing in Program Files" in_chosen
check "the entry names that folder" install_location "$chosen_w"
check "msiexec /i of version $version over it, no folder named" msiexec /i "$new_msi" /qn
check "after the upgrade one entry, version $version" one_entry "$version"
check "after the upgrade the program still in that folder" in_chosen
check "after the upgrade the entry still names it" install_location "$chosen_w"
check "after the upgrade .set still opens the program in that folder" chosen_open_command
check "the entry's uninstall command with /qn" uninstall_entry
check "nothing left in that folder, no entry" nothing_in_chosen
finish
