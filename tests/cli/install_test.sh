#!/usr/bin/env bash
# pmsetup install as a user runs it without a terminal to answer on.
#   install_test.sh PMSETUP
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1")
cd "$work"

mkdir src
{ printf MZ; head -c 4998 /dev/zero; } > stub.exe  # a stand-in for the installer
head -c 60000 /dev/urandom > src/MAIN.EXE
seq 1 30000 > src/numbers.txt
cat > src/package.toml <<'TOML'
[texts]
Title = "Install test"
DefaultDir = 'C:\InstallTest'
TerminatedMessage = "Nothing was installed."
[files]
main = "MAIN.EXE"
other = ["numbers.txt"]
TOML
"$pmsetup" pack src/package.toml --out disks --layout disks --disk-size 40000 --stub stub.exe > /dev/null
mkdir all && cp disks/*/* all/

"$pmsetup" install all/SETUP.EXE --dest "$work/target/deep" < /dev/null > out.txt 2> err.txt
check "install exits 0" test $? -eq 0
check "main program installed" cmp -s src/MAIN.EXE target/deep/MAIN.EXE
check "other file installed" cmp -s src/numbers.txt target/deep/numbers.txt
check "report lists the files" grep -q "numbers.txt" out.txt

# One disk per folder and nobody to ask: the missing disk fails at once.
"$pmsetup" install disks/DISK1/SETUP.EXE --dest "$work/partial" < /dev/null > out.txt 2> err.txt
check "missing disk exits 1" test $? -eq 1
check "the package's own message" grep -qx "Nothing was installed." err.txt
check "the missing volume is named" grep -q "disks/DISK1/DISK2.CMP was not found" err.txt
check "a failed installation leaves no main program" test ! -e partial/MAIN.EXE
check "messages show paths as written here" grep -qF "pmsetup: $work/disks/DISK1/DISK2.CMP was not found" err.txt

# A relative destination, however short, is created where the user is.
(cd all && "$pmsetup" install SETUP.EXE --dest d --yes > /dev/null 2>&1)
check "a one-letter relative destination works" cmp -s src/numbers.txt all/d/numbers.txt

"$pmsetup" install all/SETUP.EXE --yes > out.txt 2> err.txt
check "no destination exits 1" test $? -eq 1
check "no destination is explained" grep -q "pass --dest DIR" err.txt

# On a terminal: the destination is asked for, OK while the disk is still
# missing shows the wrong-disk message and asks again, Cancel ends it.
printf '%s\n' "$work/asked" "" "" "c" |
  script -qec "\"$pmsetup\" install disks/DISK1/SETUP.EXE" /dev/null | tr -d '\r' > terminal.txt
check "terminal run exits 1" test "${PIPESTATUS[1]}" -eq 1
check "destination asked with the default" grep -qF "[C:\InstallTest]" terminal.txt
check "disk asked for twice" test "$(grep -c '^Please insert disk 2\.$' terminal.txt)" -eq 2
check "wrong-disk message shown" grep -qx "That is not the right disk. Please try again." terminal.txt
check "terminal run ends with the package's message" grep -qx "Nothing was installed." terminal.txt
check "asked destination created" test -d asked

# Names and texts in the package's code page come out as UTF-8: on disk,
# in the destination's path and on the terminal.
mkdir intl
printf 'Gr\xc3\xbc\xc3\x9fe\n' > "intl/Grüße.txt"
cp src/MAIN.EXE intl/
cat > intl/package.toml <<'TOML'
[texts]
Title = "Café"
DefaultDir = 'C:\Café'
TerminatedMessage = "Abgebrochen – nichts installiert."
[files]
main = "MAIN.EXE"
other = ["Grüße.txt"]
TOML
"$pmsetup" pack intl/package.toml --out intl/pkg --stub stub.exe > /dev/null
"$pmsetup" install intl/pkg/SETUP.EXE --dest "$work/für alle" --yes > out.txt 2> err.txt
check "a name in code page 1252 is installed in UTF-8" cmp -s "intl/Grüße.txt" "für alle/Grüße.txt"
check "the report shows the name in UTF-8" grep -q "Grüße.txt" out.txt
rm intl/pkg/DISK1.CMP
"$pmsetup" install intl/pkg/SETUP.EXE --dest "$work/für alle" --yes > out.txt 2> err.txt
check "a package text is shown in UTF-8" grep -qx "Abgebrochen – nichts installiert." err.txt
sed -i 's/^TerminatedMessage.*//; 1i code_page = 1251' intl/package.toml
mv "intl/Grüße.txt" "intl/Привет.txt"
sed -i 's/Grüße.txt/Привет.txt/; s/Café/Кафе/g' intl/package.toml
"$pmsetup" pack intl/package.toml --out intl/cyr --stub stub.exe > /dev/null
"$pmsetup" install intl/cyr/SETUP.EXE --dest "$work/кафе" --code-page 1251 --yes > /dev/null 2>&1
check "--code-page names the package's code page" cmp -s "intl/Привет.txt" "кафе/Привет.txt"
folders_before=$(( $(ls -d */ | wc -l) + 1 ))
"$pmsetup" install intl/cyr/SETUP.EXE --dest "$work/кафе" --yes > /dev/null 2> err.txt
check "a path the code page cannot hold is refused" grep -q "has no place in code page 1252 (see --code-page)" err.txt
"$pmsetup" install intl/cyr/SETUP.EXE --dest "$work/кафе" --code-page 65001 --yes > /dev/null 2> err.txt
check "a code page no package can be in is refused" grep -q "code-page 65001 is no Windows code page" err.txt
mkdir ёж
(cd ёж && "$pmsetup" install ../intl/pkg/SETUP.EXE --dest d --yes > /dev/null 2> ../err.txt)
check "so is a relative one below such a folder" grep -qF "d: a character has no place in code page 1252 (in $work/ёж/d) (see --code-page)" err.txt
check "and nothing lands elsewhere" test -z "$(ls ёж)" -a "$(ls -d */ | wc -l)" -eq "$folders_before"
"$pmsetup" install all/SETUP.EXE --dest "$work/at 12:30" --yes > /dev/null 2> err.txt
check "a colon in the destination is refused" grep -q "a colon has a meaning of its own" err.txt
cp -r intl/cyr кириллица
"$pmsetup" list кириллица/SETUP.EXE > /dev/null
check "a package in any folder can be listed" test $? -eq 0

head -c 100 all/SETUP.EXE > damaged.exe
"$pmsetup" install damaged.exe --dest "$work/never" --yes > out.txt 2> err.txt
check "damaged package exits 1" test $? -eq 1
check "damaged package is explained" grep -q "damaged package" err.txt
check "damaged package creates nothing" test ! -e never

finish
