#!/usr/bin/env bash
# The Windows installer of a folder of files (build-windows.sh's dist folder,
# or any folder laid out like it): packaging/windows/SetupQ17.wxs plus the
# list of the folder's files, generated here each time, built with wixl.
#
#   scripts/make-msi.sh FOLDER VERSION OUTPUT.msi
#
# VERSION: the product's version, three numbers (a fourth is dropped:
# Windows Installer compares only three when one version replaces another).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
src=${1:?usage: make-msi.sh FOLDER VERSION OUTPUT.msi}
version=${2:?usage: make-msi.sh FOLDER VERSION OUTPUT.msi}
out=${3:?usage: make-msi.sh FOLDER VERSION OUTPUT.msi}
src=$(cd "$src" && pwd)

fail() {
  echo "make-msi: $*" >&2
  exit 1
}
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || fail "version '$version' is not three numbers"
version=$(cut -d. -f1-3 <<<"$version")
[[ -f $src/SetupQ17.exe ]] || fail "no SetupQ17.exe in $src"
# FTDI's driver brings its own DLL; a copy of ours would shadow it.
ftdi=$(find "$src" -iname 'ftd2xx*' -print -quit)
[[ -z $ftdi ]] || fail "an FTDI file in the folder: $ftdi"
command -v wixl >/dev/null && command -v msibuild >/dev/null || "$root/scripts/deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every file a component of its own (its own key path), in a directory tree
# like the folder's; identifiers made from the paths, so the same folder
# gives the same list.
id() { printf '%s%s' "$1" "$(printf '%s' "$2" | md5sum | cut -c1-24)"; }
xml() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' <<<"$1"; }
components=()
list_dir() {
  local rel=$1 indent=$2 entry name path
  while IFS= read -r -d '' entry; do
    name=${entry##*/}
    path=${rel:+$rel/}$name
    if [[ -d $entry ]]; then
      echo "$indent<Directory Id=\"$(id d "$path")\" Name=\"$(xml "$name")\">"
      list_dir "$path" "$indent  "
      echo "$indent</Directory>"
    else
      components+=("$(id c "$path")")
      echo "$indent<Component Id=\"$(id c "$path")\" Guid=\"*\" Win64=\"yes\">"
      echo "$indent  <File Id=\"$(id f "$path")\" KeyPath=\"yes\" Source=\"$(xml "files/$path")\"/>"
      echo "$indent</Component>"
    fi
  done < <(find "$src${rel:+/$rel}" -mindepth 1 -maxdepth 1 -print0 | LC_ALL=C sort -z)
}
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">'
  echo '  <Fragment>'
  echo '    <DirectoryRef Id="INSTALLDIR">'
  list_dir "" "      "
  echo '    </DirectoryRef>'
  echo '    <ComponentGroup Id="ProgramFiles">'
  for c in "${components[@]}"; do echo "      <ComponentRef Id=\"$c\"/>"; done
  echo '    </ComponentGroup>'
  echo '  </Fragment>'
  echo '</Wix>'
} >"$work/files.wxs"

# wixl takes only paths relative to where it runs.
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
ln -s "$src" "$work/files"
cp "$root/packaging/icons/setupq17.ico" "$work/"

# wixl writes the tables' strings without a code page, which loses every
# Russian letter. So each Russian text of the tables goes through wixl as a
# token, and is put in afterwards, once the database's code page is
# Windows-1251.
python3 - "$root/packaging/windows/SetupQ17.wxs" "$work/SetupQ17.wxs" "$work/texts" <<'PY'
import re, sys
source, target, texts = sys.argv[1:]
found = {}
def token(m):
    value = m.group(2)
    if value.isascii():
        return m.group(0)
    if "'" in value:
        sys.exit("make-msi: a text with an apostrophe, which the installer's SQL cannot take: " + value)
    return '%s="%s"' % (m.group(1), found.setdefault(value, 'Q17TEXT%dQ17' % len(found)))
text = re.sub(r'(\w+)="([^"]*)"', token, open(source, encoding='utf-8').read())
open(target, 'w', encoding='utf-8').write(text)
with open(texts, 'w', encoding='utf-8') as f:
    for value, name in found.items():
        f.write('%s\t%s\n' % (name, value.replace('&quot;', '"').replace('&lt;', '<').replace('&gt;', '>').replace('&amp;', '&')))
PY

(cd "$work" && wixl -a x64 -D Version="$version" -D IconFile=setupq17.ico -o "$out" SetupQ17.wxs files.wxs) \
  || fail "wixl failed on $root/packaging/windows/SetupQ17.wxs with the list of $src"

# Where each token landed (table, row, column), from the tables as text.
mkdir "$work/tables"
(cd "$work/tables" && msidump -t "$out" >/dev/null) || fail "msidump could not read $out"
python3 - "$work/tables" "$work/texts" >"$work/texts.sql" <<'PY'
import glob, os, sys
tables, texts = sys.argv[1:]
values = dict(line.rstrip('\n').split('\t', 1) for line in open(texts, encoding='utf-8'))
seen = set()
for idt in sorted(glob.glob(os.path.join(tables, '*.idt'))):
    lines = open(idt, encoding='utf-8', errors='replace', newline='').read().split('\r\n')
    if len(lines) < 3 or not lines[2]:
        continue
    columns = lines[0].split('\t')
    table, *keys = lines[2].split('\t')
    for row in filter(None, lines[3:]):
        cells = dict(zip(columns, row.split('\t')))
        for column, cell in cells.items():
            for name, value in values.items():
                if name in cell:
                    seen.add(name)
                    where = ' AND '.join("`%s` = '%s'" % (k, cells[k]) for k in keys)
                    print("UPDATE `%s` SET `%s` = '%s' WHERE %s" % (table, column, cell.replace(name, value), where))
missing = set(values) - seen
if missing:
    sys.exit('make-msi: texts not found in the tables: ' + ', '.join(values[m] for m in missing))
PY
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
msibuild "$out" -i "$work/_ForceCodepage.idt" || fail "msibuild could not set the code page"
while IFS= read -r query; do
  msibuild "$out" -q "$query" || fail "msibuild could not run: $query"
done <"$work/texts.sql"

# What wixl cannot say in the source: .set becomes ours only when no other
# program owns it (SETOWNER, from the registry when the install starts).
msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = 'NOT SETOWNER OR SETOWNER = \"SetupQ17.Settings\"' WHERE \`Component\` = 'SettingsFilesOwner'" \
  || fail "msibuild could not set the condition of the .set owner"
# Nor that a rebuild of the same version replaces the one installed, as a
# newer version does (else "Programs and Features" lists both): the
# upgrade's version range includes its upper end (513: migrate features,
# maximum included). Replaced, not updated: the column is part of the key.
# The code as the Property table holds it: Windows Installer compares them
# as text, so the source writes it in capitals.
upgrade_code=$(msiinfo export "$out" Property | tr -d '\r' | sed -n 's/^UpgradeCode\t//p')
[[ $upgrade_code =~ ^\{[0-9A-F-]+\}$ ]] || fail "no UpgradeCode in capitals in $out"
msibuild "$out" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" &&
  msibuild "$out" -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
  || fail "msibuild could not let the same version replace itself"
# Nor which properties may pass from the command line to the installing
# service: the folder an administrator names, and the one found recorded.
secure=$(msiinfo export "$out" Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')
msibuild "$out" -q "UPDATE \`Property\` SET \`Value\` = '${secure:+$secure;}INSTALLDIR;SAVEDINSTALLDIR' WHERE \`Property\` = 'SecureCustomProperties'" \
  || fail "msibuild could not make the install folder's properties secure"
# Nor each file's version and language (from its version resource), by
# which Windows Installer decides whether a file on the disk is replaced;
# a versioned file is compared by its version, not by a hash.
python3 - "$src" >"$work/versions.sql" <<'PY'
import hashlib, os, struct, sys
root = sys.argv[1]
def aligned(start, at):
    return at + (-(at - start) % 4)
def version_of(path):
    data = open(path, 'rb').read()
    if data[:2] != b'MZ':
        return None
    key = data.find('VS_VERSION_INFO\0'.encode('utf-16-le'))
    if key < 6:
        return None
    start = key - 6
    fixed = aligned(start, key + 32)
    signature, _, ms, ls = struct.unpack_from('<IIII', data, fixed)
    if signature != 0xFEEF04BD:
        return None
    version = '%d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    language = ''
    at = data.find('Translation\0'.encode('utf-16-le'), fixed)
    if at >= 6:
        language = str(struct.unpack_from('<H', data, aligned(at - 6, at + 24))[0])
    return version, language
for folder, _, files in os.walk(root):
    for name in sorted(files):
        path = os.path.join(folder, name)
        found = version_of(path)
        if found:
            rel = os.path.relpath(path, root)
            ident = 'f' + hashlib.md5(rel.encode('utf-8')).hexdigest()[:24]
            print("UPDATE `File` SET `Version` = '%s', `Language` = '%s' WHERE `File` = '%s'" % (found + (ident,)))
            # A hash is for unversioned files only.
            print("DELETE FROM `MsiFileHash` WHERE `File_` = '%s'" % ident)
PY
while IFS= read -r query; do
  msibuild "$out" -q "$query" || fail "msibuild could not run: $query"
done <"$work/versions.sql"
# Nor the package's language in the summary (wixl writes 1033 there).
summary=$(msiinfo suminfo "$out") || fail "msiinfo could not read $out"
msibuild "$out" -s "$(sed -n 's/^Subject: //p' <<<"$summary")" "$(sed -n 's/^Author: //p' <<<"$summary")" \
  "x64;1049" "$(sed -n 's/^Revision number (UUID): //p' <<<"$summary")" || fail "msibuild could not set the summary"
echo "make-msi: ${#components[@]} files, version $version, $(du -h "$out" | cut -f1) in $out" >&2
