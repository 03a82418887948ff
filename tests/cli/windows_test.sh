#!/usr/bin/env bash
# pmsetup.exe, the Windows build of pmsetup, under Wine: it makes the very
# same packages as pmsetup on this machine, lists them and runs the raw
# codec alike, with names and paths outside ASCII.
#   windows_test.sh PMSETUP BUILD WINDOWS_DIR WINEPREFIX
# (BUILD: win32 or win64, the Windows build in WINDOWS_DIR)
source "$(dirname "$0")/checks.sh"
scripts=$(realpath "$(dirname "$0")/../../scripts")
source "$scripts/wine-env"
pmsetup=$(realpath "$1") build=$2
pmsetup_exe=$(realpath "$3/tools/pmsetup.exe")
use_wine "$build" "$(realpath -m "$4")" || exit 1
export LC_ALL=C.UTF-8
"$scripts/wine-prefix" "$build" "$WINEPREFIX" || exit 1
expect_build "$build" "$pmsetup_exe" || exit 1
cd "$work"
windows() { "$PAGEMIX_WINE" "$pmsetup_exe" "$@" | tr -d '\r'; }

mkdir -p "čeština/docs"
head -c 30000 /dev/urandom > čeština/MAIN.EXE
seq 1 5000 > čeština/docs/numbers.txt
printf 'Přečti si mě.\r\n' > "čeština/docs/čti mě.txt"
cat > čeština/package.toml <<'TOML'
code_page = 1250
[colours]
top = "#102030"
[texts]
Title = "Čeština"
DefaultDir = 'C:\Program Files\Čeština'
[files]
main = "MAIN.EXE"
other = ["docs/numbers.txt", "docs/čti mě.txt"]
TOML
stub=$(dirname "$pmsetup_exe")/SETUP.EXE
disk_size=$(( $(stat -c %s "$stub") + 20000 ))  # the disks follow the stub's size

windows pack čeština/package.toml --out "výstup" --disk-size $disk_size > report.txt 2>&1
check "pack exits 0" test "${PIPESTATUS[0]}" -eq 0
check "the stub beside pmsetup.exe is found" test -f výstup/SETUP.EXE
"$pmsetup" pack čeština/package.toml --out native --disk-size $disk_size --stub "$stub" > /dev/null
check "the same package, byte for byte" diff -r výstup native
windows pack čeština/package.toml --out "výstup" --disk-size $disk_size > /dev/null 2>&1
check "packing again over a package works" diff -r výstup native

windows list výstup/SETUP.EXE > windows-list.txt
"$pmsetup" list native/SETUP.EXE > native-list.txt
check "the same listing" diff windows-list.txt native-list.txt

windows lzh encode čeština/docs/numbers.txt windows.lzh 2> /dev/null
"$pmsetup" lzh encode čeština/docs/numbers.txt native.lzh 2> /dev/null
check "the same stream" cmp -s windows.lzh native.lzh
windows lzh decode --count "$(stat -c %s čeština/docs/numbers.txt)" native.lzh decoded.txt
check "decoding gives the file back" cmp -s decoded.txt čeština/docs/numbers.txt
windows lzh encode čeština/docs/numbers.txt NUL 2> /dev/null
check "a device is written into" test "${PIPESTATUS[0]}" -eq 0 -a ! -e NUL -a ! -e NUL.partial

# Mistakes are reported as on this machine.
printf 'code_page = 1251\n[texts]\nTitle = "T"\nDefaultDir = "C:\\\\T"\n[files]\nmain = "MAIN.EXE"\nother = [{ source = "MAIN.EXE", name = "я.txt" }, { source = "MAIN.EXE", name = "Я.txt" }]\n' \
  > čeština/clash.toml
windows pack čeština/clash.toml --out never > /dev/null 2> err.txt
check "a case clash in another script is refused" grep -q "two files would be installed as 'Я.txt'" err.txt
windows list missing.exe > /dev/null 2> err.txt
check "a missing package cannot be read" grep -q "missing.exe: cannot read it" err.txt
wineserver -k 2> /dev/null || true

finish
