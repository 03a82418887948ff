#!/usr/bin/env bash
# pmsetup list on a good package and on damaged ones.
#   list_test.sh PMSETUP MAKE_PACKAGE EXPECTED_DIR VERSION
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1") make_package=$(realpath "$2") expected=$(realpath "$3") version=$4
stand_in_installer 1000 > "$work/stub"

package() {  # package FILE OPTIONS...
  local out=$1; shift
  "$make_package" --stub "$work/stub" --out "$out" "$@"
}

# list --json says what the listing says, in the same code page: stub,
# colours, texts, entries (the times in UTC) and checksums.  A U+FFFD of
# the document stands for a byte the listing shows as \xNN.
json_agrees() {  # json_agrees NAME PACKAGE [LIST-OPTIONS...]
  local name=$1 file=$2; shift 2
  "$pmsetup" list --json "$@" "$file" > "$work/json.out" 2> /dev/null && TZ=UTC "$pmsetup" list "$@" "$file" > "$work/text.out" 2> /dev/null
  check "$name: list --json agrees with the listing" python3 - "$work/json.out" "$work/text.out" <<'PY'
import json, re, sys
doc, text = json.load(open(sys.argv[1])), open(sys.argv[2], encoding='utf-8').read().splitlines()
def shown(s):
    return '"' + ''.join(r'\\x[0-9A-F]{2}' if c == '\ufffd' else re.escape('\\x%02X' % ord(c)) if ord(c) < 32 or 127 <= ord(c) < 160
                         else re.escape('\\' * (c in '"\\') + c) for c in s) + '"'
rows = {line[:18].rstrip(): line[18:] for line in text}
assert [rows['Stub'], rows['TopColor'], rows['BottomColor'], rows['TitleColor']] == [doc['stub']['description'], *doc['colours'].values()]
for key, value in doc['texts'].items():
    assert re.fullmatch(shown(value), rows[key]) and (key in doc.get('texts_hex', {})) == ('\ufffd' in value), key
entries = [line for line in text if line.startswith('  "')]
assert len(entries) == len(doc['files']) and [f['main'] for f in doc['files']] == [True] + [False] * (len(entries) - 1)
for line, f in zip(entries, doc['files']):
    time = re.escape(f['modified'].replace('T', ' ')[:-1]) if f['modified'] else '-?'
    assert re.fullmatch(r'  %s *offset +%s +%s bytes? *%s(  \(.*\))?' % (shown(f['name']), f'{f["offset"]:,}', f'{f["size"]:,}', time), line), line
    assert (f['installed_as'] is None) == ('(cannot be installed: %s)' % f['problem'] in line), line
sums = [line.split() for line in text if re.match(r'  DISK\d+\.CMP ', line)]
assert (doc['integrity'] is None) == any(line.startswith('Checksums: none') for line in text)
assert [[v['name'], f"{v['size']:,}", '0x%08X' % v['crc']] for v in (doc['integrity'] or {'volumes': []})['volumes']] == [[s[0], s[1], s[4]] for s in sums]
PY
}

# A good package: every header value, every text and the entries, main first.
package "$work/good.exe" --colours 102030,C0C0C0,FFFF00 --total-size 20000 --disk-count 2 \
  --text 'FooterText=' --text 'RunPrompt=Run "%s"?' \
  --entry Main.exe:0:16384 --entry 'docs\readme.txt:16384:3566' --entry $'caf\351.txt:19950:50'
"$pmsetup" list "$work/good.exe" > "$work/good.out"
check "good package exits 0" test $? -eq 0
check "good package listing" diff -u "$expected/list_good.txt" "$work/good.out"
"$pmsetup" list "$work/good.exe" > /dev/full 2> "$work/err"
check "a listing that cannot be written fails" test $? -eq 1
check "a listing that cannot be written says so" grep -q "cannot write the report" "$work/err"
json_agrees "good package" "$work/good.exe"

# Entries that cannot be installed, or install under another name, are
# marked with the reason.
package "$work/names.exe" --total-size 300 --entry Main.exe:0:100 --entry 'aux.txt:100:100' --entry 'dir\B.TXT. :200:100'
"$pmsetup" list "$work/names.exe" > "$work/names.out"
check "a device name is marked" grep -qF '"aux.txt"' "$work/names.out"
check "with its reason" grep -qF '(cannot be installed: it names a Windows device)' "$work/names.out"
check "a name Windows shortens is marked" grep -qF '(installed as "B.TXT")' "$work/names.out"
check "a plain name is not" grep -q '"Main.exe" *offset *0 *100 bytes$' "$work/names.out"
json_agrees "names" "$work/names.exe"

# Texts and names are shown in the code page --code-page names (1252 by
# default), as characters; a byte that is none stays \xNN.  The columns
# line up however wide the names are on the terminal.
codepage_rows=(  # CODE-PAGE|TEXT (printf)|SHOWN
  "1252|Caf\xe9 M\xfcller|\"Café Müller\""
  "1252|bad\x81byte|\"bad\x81byte\""
  "932|\x93\xfa\x96\x7b\x8c\xea \x83\x5c|\"日本語 ソ\""
  "932|lead\x81|\"lead\x81\""
  "949|\xc7\xd1\xb1\xdb|\"한글\""
  "1258|B\xe2n V\xe2n|\"Bân Vân\""
  "1255|\xf9\xc8\xe1\xe5\xed|\"שָבום\""
)
for row in "${codepage_rows[@]}"; do
  IFS='|' read -r code_page text shown <<< "$row"
  package "$work/cp.exe" --total-size 4 --text "Title=$(printf "$text")" \
    --entry MAIN.EXE:0:1 --entry "$(printf "$text").txt:1:1" --entry x:2:2
  "$pmsetup" list --code-page "$code_page" "$work/cp.exe" > "$work/cp.out" 2> "$work/cp.err"
  if [[ $shown == *'\x'* ]]; then
    check "code page $code_page: bytes without a character suggest another" grep -qF "so the package was made in another one" "$work/cp.err"
  else
    check "code page $code_page: no code page is suggested" test ! -s "$work/cp.err"
  fi
  check "code page $code_page: the text is shown as $shown" grep -qxF "Title             $shown" "$work/cp.out"
  check "code page $code_page: so is the name" grep -qF "  ${shown%\"}.txt\"  offset 1  1 byte" "$work/cp.out"
  check "code page $code_page: the offsets line up" \
    test "$(grep '  offset ' "$work/cp.out" | sed 's/offset.*//' | while IFS= read -r line; do
              printf '%s\n' "$line" | LC_ALL=C.UTF-8 wc -L; done | sort -u | wc -l)" -eq 1
  json_agrees "code page $code_page" "$work/cp.exe" --code-page "$code_page"
  [[ $shown == *'\x'* ]] && check "code page $code_page: a name that does not convert carries its bytes" \
    test "$(python3 -c 'import json, sys; print(json.load(sys.stdin)["files"][1]["name_hex"])' < "$work/json.out")" = \
      "$(printf "$text.txt" | od -An -tx1 | tr -d ' \n' | tr a-f A-F)"
done
package "$work/cp.exe" --total-size 4 --entry "$(printf '\x83\x7c\x83\x58\x83\x67').EXE:0:4"
check "code page 932: a main program whose name holds a | byte is listed" \
  bash -c '"$0" list --code-page 932 "$1" | grep -qF "\"ポスト.EXE\""' "$pmsetup" "$work/cp.exe"
"$pmsetup" list --code-page 12345 "$work/cp.exe" > "$work/out" 2> "$work/err"
check "an unknown code page is refused" test $? -eq 1 -a ! -s "$work/out"
check "and named" grep -qxF "pmsetup: --code-page 12345 is no Windows code page this system can convert" "$work/err"

# A package on three disks: list --json gives its checksums, and verify
# --json says of each disk what verify says.
mkdir "$work/disks" && head -c 30000 /dev/urandom > "$work/disks/MAIN.EXE" && seq 1 9000 > "$work/disks/n.txt"
printf '[texts]\nTitle = "T"\nDefaultDir = "C:\\\\T"\n[files]\nmain = "MAIN.EXE"\nother = ["n.txt"]\n' > "$work/disks/package.toml"
"$pmsetup" pack "$work/disks/package.toml" --out "$work/disks/out" --disk-size 20000 --stub "$work/stub" > /dev/null
json_agrees "a package on three disks" "$work/disks/out/SETUP.EXE"
cp "$work/json.out" "$work/list.json"
verify_agrees() {  # verify_agrees NAME STATUS VERDICTS
  "$pmsetup" verify --json "$work/disks/out/SETUP.EXE" > "$work/json.out" 2> /dev/null
  check "verify --json, $1: exits $2" test $? -eq "$2"
  "$pmsetup" verify "$work/disks/out/SETUP.EXE" > "$work/text.out" 2> /dev/null
  check "verify --json, $1: agrees with verify" python3 - "$work/json.out" "$work/text.out" "$work/list.json" "$2" "$3" <<'PY'
import json, sys
doc, text, listed = json.load(open(sys.argv[1])), open(sys.argv[2]).read().splitlines(), json.load(open(sys.argv[3]))
installer, volumes = doc['installer'], doc['volumes']
whole = [i for i, line in enumerate(text) if line.startswith('Still whole: ')] + [len(text)]
text, whole_names = text[:whole[0]], [line[2:] for line in text[whole[0] + 1:]]
assert (doc['salvage'] or {'whole': []})['whole'] == whole_names and (doc['salvage'] is None) == (sys.argv[4] == '0')
assert text == ['SETUP.EXE  ' + ('good' if installer['verdict'] == 'good' else 'damaged: ' + installer['problem'])] + [v['name'] + '  ' + v['message'] for v in volumes]
assert ' '.join(v['verdict'] for v in volumes) == sys.argv[5] and doc['sound'] == (sys.argv[4] == '0')
assert [{'name': v['name'], 'size': v['expected_size'], 'crc': v['expected_crc']} for v in volumes] == listed['integrity']['volumes']
assert all((v['size'], v['crc']) == (v['expected_size'], v['expected_crc']) for v in volumes if v['verdict'] == 'good')
PY
}
verify_agrees "sound package" 0 "good good good"
printf '\x55' | dd of="$work/disks/out/DISK2.CMP" bs=1 seek=7 conv=notrunc 2> /dev/null
rm "$work/disks/out/DISK3.CMP"
verify_agrees "a damaged and a missing disk" 1 "good damaged missing"

damaged() {  # damaged NAME EXPECTED-MESSAGE FILE
  local name=$1 message=$2 file=$3
  timeout 5 "$pmsetup" list "$file" > "$work/out" 2> "$work/err"
  check "$name exits 1" test $? -eq 1
  check "$name message" grep -qxF "pmsetup: $file: $message" "$work/err"
  check "$name prints nothing on stdout" test ! -s "$work/out"
  timeout 5 "$pmsetup" list --json "$file" > "$work/out" 2> /dev/null
  check "$name with --json exits 1 and prints nothing on stdout" test $? -eq 1 -a ! -s "$work/out"
}

package "$work/trailer.exe" --trailer 99999
damaged "bad trailer" "damaged package: bad trailer: the setup block would start at offset 99999, but the trailer itself starts at $(( $(stat -c %s "$work/trailer.exe") - 4 ))" "$work/trailer.exe"
package "$work/empty.exe" --no-entries
damaged "empty list" "damaged package: the file list is empty" "$work/empty.exe"
package "$work/escape.exe" --entry '..\Main.exe:0:1'
damaged "unsafe main name" "damaged package: the main program's name is not a usable Windows file name" "$work/escape.exe"
damaged "missing file" "cannot read it: No such file or directory" "$work/absent.exe"
damaged "a folder" "cannot read it: not a plain file (a folder, a device, a pipe, or a link where a file is written)" "$work"
mkfifo "$work/fifo.exe"
damaged "a FIFO" "cannot read it: not a plain file (a folder, a device, a pipe, or a link where a file is written)" "$work/fifo.exe"
# Files taken for a package are named for what they are.
{ printf MZ; head -c 998 /dev/zero; } > "$work/mz.exe"
damaged "an MZ file" "not a package: not even a Windows program (a package is a SETUP.EXE made by pmsetup pack)" "$work/mz.exe"
printf 'hello\n' > "$work/text.exe"
damaged "a text file" "not a package: not even a Windows program (a package is a SETUP.EXE made by pmsetup pack)" "$work/text.exe"
mformat -C -f 1440 -i "$work/floppy.img" ::
damaged "a floppy image of no first disk" "a disk image without SETUP.EXE on it: give the image of the package's first disk" "$work/floppy.img"
mkdir "$work/cd" && printf x > "$work/cd/X" && xorriso -outdev "$work/cd.iso" -map "$work/cd" / > /dev/null 2>&1
damaged "a CD image of no first disk" "a disk image without SETUP.EXE on it: give the image of the package's first disk" "$work/cd.iso"
installer="$(dirname "$pmsetup")/SETUP.EXE"
if [ -f "$installer" ]; then
  damaged "the bare installer" "not a package but the bare installer, with nothing packed into it: make a package with pmsetup pack" "$installer"
  head -c 20000 "$installer" > "$work/cut.exe"
  damaged "a copy cut short" "damaged package: the file ends inside the installer program (a copy cut short)" "$work/cut.exe"
fi

# The package is read by its name here, whatever code page it is in.
mkdir "$work/Пакет" && cp "$work/good.exe" "$work/Пакет/"
"$pmsetup" list "$work/Пакет/good.exe" > "$work/good.out" 2> "$work/err"
check "a path outside the code page is listed" diff -u "$expected/list_good.txt" "$work/good.out"

# A package packed with the real stub names the stub's version, which
# the resource compiler's own reader finds in it too.
stub="$(dirname "$pmsetup")/SETUP.EXE"
if [ -f "$stub" ]; then
  mkdir "$work/real" && printf 'x' > "$work/real/MAIN.EXE"
  printf '[texts]\nTitle = "T"\nDefaultDir = "C:\\\\T"\n[files]\nmain = "MAIN.EXE"\n' > "$work/real/package.toml"
  "$pmsetup" pack "$work/real/package.toml" --out "$work/real/out" --stub "$stub" > /dev/null
  check "a package packs with the real stub" test $? -eq 0
  "$pmsetup" list "$work/real/out/SETUP.EXE" > "$work/real.out"
  check "the real stub's version is listed" grep -qx "Stub              Pagemix Setup $version" "$work/real.out"
  windres=$(command -v i686-w64-mingw32-windres || command -v x86_64-w64-mingw32-windres)
  if [ -n "$windres" ]; then
    "$windres" -i "$work/real/out/SETUP.EXE" -O rc > "$work/real.rc"
    IFS=. read -r major minor patch <<< "$version"
    check "windres finds the file version" grep -qx " FILEVERSION $major, $minor, $patch, 0" "$work/real.rc"
    check "windres finds the product name" grep -qxF '      VALUE "ProductName", "Pagemix Setup"' "$work/real.rc"
    check "windres finds the version text" grep -qxF "      VALUE \"FileVersion\", \"$version\"" "$work/real.rc"
  else
    echo "skipped: no MinGW-w64 windres to read the version resource independently"
  fi
else
  echo "skipped: no SETUP.EXE beside pmsetup (build the win32 preset) for the real stub's version"
fi

finish
