#!/usr/bin/env bash
# The settings files' type after `cmake --install` into a staging prefix:
# the shared MIME database built from the installed XML names a settings
# file (by its name, and by its first section without one) with our type,
# as xdg-mime asks it, and the installed menu entry is the type's program.
#   test-mime-type.sh BUILD_DIR
# Exits 77 (skipped) without xdg-mime or GLib's gio, which it asks through.
set -euo pipefail
build=${1:?usage: test-mime-type.sh BUILD_DIR}
type=application/x-setupq17-settings
for tool in xdg-mime gio update-mime-database update-desktop-database; do
  command -v "$tool" >/dev/null || { echo "test-mime-type: no $tool, skipped"; exit 77; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() {
  echo "test-mime-type: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$stage/usr" >/dev/null
xml="$stage/usr/share/mime/packages/setupq17.xml"
[[ -f $xml ]] || fail "cmake --install put no $xml"
# The install has built the MIME database and the menu entries' index.
[[ -f $stage/usr/share/mime/mime.cache ]] || fail "cmake --install did not run update-mime-database"

mkdir "$stage/files"
printf '[CREATION]\r\nDATE-TIME=08.12.2026 10:00:00\r\n[COMMON]\r\nRDR_ADDR=1\r\n' >"$stage/files/gate 2.set"
printf '[CREATION]\r\nDATE-TIME=08.12.2026 10:00:00\r\n' >"$stage/files/saved-without-a-name"
printf '[COMMON]\r\nRDR_ADDR=5\r\n' >"$stage/files/by-hand"
printf 'just text\n' >"$stage/files/notes"

# Only the staging prefix and the system's own types: nothing from the user.
# The installed program on the PATH: a menu entry whose program is not
# there is passed over.
query() {
  env PATH="$stage/usr/bin:$PATH" HOME="$stage/home" XDG_DATA_HOME="$stage/home/share" XDG_CONFIG_HOME="$stage/home/config" \
    XDG_DATA_DIRS="$stage/usr/share:/usr/share" XDG_CURRENT_DESKTOP=GNOME "$@"
}
for file in "gate 2.set" saved-without-a-name by-hand; do
  got=$(query xdg-mime query filetype "$stage/files/$file")
  [[ $got == "$type" ]] || fail "xdg-mime gives '$got' for '$file'"
done
got=$(query xdg-mime query filetype "$stage/files/notes")
[[ $got != "$type" ]] || fail "a plain text file taken for a settings file"

# The installed menu entry is what a file manager offers for the type.
handlers=$(query gio mime "$type")
grep -q 'setupq17.desktop' <<<"$handlers" || fail "no program for $type: $handlers"
echo "test-mime-type: $type recognised by name and by content; opened by setupq17.desktop"
