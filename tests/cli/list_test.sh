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

# Entries that cannot be installed, or install under another name, are
# marked with the reason.
package "$work/names.exe" --total-size 300 --entry Main.exe:0:100 --entry 'aux.txt:100:100' --entry 'dir\B.TXT. :200:100'
"$pmsetup" list "$work/names.exe" > "$work/names.out"
check "a device name is marked" grep -qF '"aux.txt"' "$work/names.out"
check "with its reason" grep -qF '(cannot be installed: it names a Windows device)' "$work/names.out"
check "a name Windows shortens is marked" grep -qF '(installed as "B.TXT")' "$work/names.out"
check "a plain name is not" grep -q '"Main.exe" *offset *0 *100 bytes$' "$work/names.out"

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
done
package "$work/cp.exe" --total-size 4 --entry "$(printf '\x83\x7c\x83\x58\x83\x67').EXE:0:4"
check "code page 932: a main program whose name holds a | byte is listed" \
  bash -c '"$0" list --code-page 932 "$1" | grep -qF "\"ポスト.EXE\""' "$pmsetup" "$work/cp.exe"
"$pmsetup" list --code-page 12345 "$work/cp.exe" > "$work/out" 2> "$work/err"
check "an unknown code page is refused" test $? -eq 1 -a ! -s "$work/out"
check "and named" grep -qxF "pmsetup: --code-page 12345 is no Windows code page this system can convert" "$work/err"

damaged() {  # damaged NAME EXPECTED-MESSAGE FILE
  local name=$1 message=$2 file=$3
  timeout 5 "$pmsetup" list "$file" > "$work/out" 2> "$work/err"
  check "$name exits 1" test $? -eq 1
  check "$name message" grep -qxF "pmsetup: $file: $message" "$work/err"
  check "$name prints nothing on stdout" test ! -s "$work/out"
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
