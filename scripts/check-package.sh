#!/usr/bin/env bash
# Builds the Debian package from a built tree (default build/) and checks it:
# the files it must hold, the libraries dpkg-shlibdeps found, lintian, the
# AppStream metadata, the settings files' type, and its own q17ctl and q17sim run from an unpacked copy.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Absolute: cpack runs inside it.
build=$(cd "${1:-$root/build}" && pwd)

# cpack finds the programs with file(1) and their libraries with dpkg-shlibdeps.
"$root/scripts/deps.sh" dpkg-dev file lintian appstream

fail() {
  echo "check-package: $*" >&2
  exit 1
}

# cpack installs from the tree as it stands: bring the installed programs and
# the compressed documents up to date first, nothing else.
cmake --build "$build" --target SetupQ17 q17ctl q17sim q17_exporter q17_package_docs
out="$build/package"
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)

version=$(sed -n 's/^project(SetupQ17 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb="$out/setupq17_${version}_$(dpkg --print-architecture).deb"
[[ -f $deb ]] || fail "no $deb (got: $(ls "$out"/*.deb 2>/dev/null))"
echo "package: $(basename "$deb")"

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in \
  usr/bin/SetupQ17 usr/bin/q17ctl usr/bin/q17sim usr/bin/q17_exporter \
  usr/lib/systemd/system/q17_exporter.service etc/q17_exporter/q17_exporter.yml \
  usr/share/setupq17/prometheus/alerts.yml usr/share/man/man1/q17_exporter.1.gz \
  usr/share/applications/setupq17.desktop \
  usr/share/mime/packages/setupq17.xml \
  usr/share/icons/hicolor/scalable/apps/setupq17.svg \
  usr/share/icons/hicolor/48x48/apps/setupq17.png \
  usr/share/icons/hicolor/256x256/apps/setupq17.png \
  usr/lib/udev/rules.d/70-setupq17.rules \
  usr/share/metainfo/io.github.setupq17.SetupQ17.metainfo.xml \
  usr/share/man/man1/SetupQ17.1.gz usr/share/man/man1/q17ctl.1.gz usr/share/man/man1/q17sim.1.gz \
  usr/share/bash-completion/completions/q17ctl \
  usr/share/doc/setupq17/copyright usr/share/doc/setupq17/changelog.gz; do
  grep -qx "\./$file" <<<"$contents" || fail "$file is missing from the package"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libftdi1 libudev1 libqt6widgets6 libcpp-httplib libyaml-cpp; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The exporter's configuration is the administrator's: dpkg keeps it when changed.
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null || true)
grep -qx /etc/q17_exporter/q17_exporter.yml <<<"$conffiles" || fail "/etc/q17_exporter/q17_exporter.yml is no conffile"

# Errors fail the package; warnings are shown.
lintian --fail-on error "$deb" || fail "lintian reports errors"

# shellcheck source=sim-env.sh
source "$root/scripts/sim-env.sh"
unpacked=$(mktemp -d)
cleanup() {
  q17_sim_stop
  rm -rf "$unpacked"
}
trap cleanup EXIT
dpkg -x "$deb" "$unpacked"

# The menu entry opens settings files: it names their type, the package
# declares that type, and the entry stays valid.
desktop="$unpacked/usr/share/applications/setupq17.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate reports problems"
grep -qx 'MimeType=application/x-setupq17-settings;' "$desktop" || fail "the desktop entry lacks the settings files' MimeType"
grep -qx 'Exec=SetupQ17 %f' "$desktop" || fail "the desktop entry does not pass the file to the program"
grep -q '<mime-type type="application/x-setupq17-settings">' "$unpacked/usr/share/mime/packages/setupq17.xml" ||
  fail "the MIME XML does not declare application/x-setupq17-settings"

appstreamcli validate --no-net "$unpacked/usr/share/metainfo/io.github.setupq17.SetupQ17.metainfo.xml" >/dev/null ||
  fail "appstreamcli does not accept the metainfo"

# The installed programs carry no test hook: only the probe, which is not packaged, has it.
hooked=$(grep -l -a -r SETUPQ17_BENCH "$unpacked/usr" || true)
[[ -z $hooked ]] || fail "the test hook is in ${hooked//$unpacked/}"

ctl="$unpacked/usr/bin/q17ctl"
# Outputs are taken whole: grep -q would close the pipe on the program.
[[ $("$ctl" --version) == "q17ctl $version" ]] || fail "q17ctl --version"
"$ctl" ports >/dev/null || fail "q17ctl ports"

# The packaged simulator and q17ctl together: the simulator's pseudo-terminal
# is listed and its reader answers.
q17_sim_start "$unpacked/usr/bin/q17sim" --no-stdin || fail "q17sim printed no device path"
pty=$Q17_SIM_PTY
listed=$(SETUPQ17_PORTS=$pty "$ctl" ports) || fail "q17ctl ports with $pty"
grep -qx "$pty" <<<"$listed" || fail "q17ctl ports does not list $pty"
answer=$(SETUPQ17_PORTS=$pty "$ctl" --port "$pty" version) || fail "q17ctl version through $pty"
[[ $answer == *2xQ17* ]] || fail "q17ctl version through $pty: $answer"
# The exporter: its version, its service as systemd reads it, and its own
# configuration, which it starts with.
exporter="$unpacked/usr/bin/q17_exporter"
[[ $("$exporter" --version) == "q17_exporter $version" ]] || fail "q17_exporter --version"
if command -v systemd-analyze >/dev/null; then
  # The unit as this machine would read it, the program where it was unpacked.
  unit="$unpacked/q17_exporter.service"
  sed "s|/usr/bin/q17_exporter|$exporter|" "$unpacked/usr/lib/systemd/system/q17_exporter.service" >"$unit"
  verify=$(systemd-analyze verify --man=no "$unit" 2>&1) || fail "systemd-analyze verify: $verify"
  [[ -z $verify ]] || fail "systemd-analyze verify: $verify"
  exposure=$(systemd-analyze security --offline=yes "$unit" 2>&1 | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
  [[ -n $exposure ]] && awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }' || fail "the service's exposure is ${exposure:-unknown}, not hardened"
  echo "q17_exporter.service: exposure $exposure (systemd-analyze security)"
fi
log="$unpacked/exporter.log"
"$exporter" --config.file="$unpacked/etc/q17_exporter/q17_exporter.yml" --web.listen-address=127.0.0.1:0 2>"$log" &
exporter_pid=$!
for _ in $(seq 100); do
  grep -q 'listening on' "$log" && break
  kill -0 "$exporter_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q 'listening on' "$log" || fail "q17_exporter does not start with its configuration: $(cat "$log")"
kill "$exporter_pid"
wait "$exporter_pid" || fail "q17_exporter did not end cleanly on SIGTERM: $(cat "$log")"
echo "package checked: $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version), Depends: $depends"
