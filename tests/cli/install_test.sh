#!/usr/bin/env bash
# pmsetup install as a user runs it without a terminal to answer on.
#   install_test.sh PMSETUP MAKE_PACKAGE
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1")
make_package=$(realpath "$2")
data=$(cd "$(dirname "$0")" && pwd)/data
cd "$work"

mkdir src
stand_in_installer 5000 > stub.exe
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
check "report lists the files and their sizes" grep -qxF "  numbers.txt  $(thousands "$(stat -c %s src/numbers.txt)") bytes" out.txt
check "report aligns the sizes" test "$(grep " bytes$" out.txt | awk "{ print length }" | sort -u | wc -l)" -eq 1

# One disk per folder and nobody to ask: a missing disk fails at once.
cp -r disks no-second && rm -r no-second/DISK2
"$pmsetup" install no-second/DISK1/SETUP.EXE --dest "$work/partial" < /dev/null > out.txt 2> err.txt
check "missing disk exits 1" test $? -eq 1
check "the package's own message" grep -qx "Nothing was installed." err.txt
check "the missing volume is named, with where it was looked for" \
  grep -qF "pmsetup: DISK2.CMP was not found in $work/no-second/DISK1; run in a terminal" err.txt
check "a failed installation leaves no main program" test ! -e partial/MAIN.EXE
check "a declined disk is one line: no question, no cancel" test "$(grep -vx "Nothing was installed." err.txt | grep -c .)" -eq 1

# A volume that is there but no plain file stops the run at once, named,
# instead of being asked for as a missing disk.
for kind in fifo folder; do
  rm -rf odd-volume && cp -r all odd-volume && rm odd-volume/DISK2.CMP
  if [ "$kind" = fifo ]; then mkfifo odd-volume/DISK2.CMP; else mkdir odd-volume/DISK2.CMP; fi
  printf '%s\n' "" "" | timeout 5 script -qec "\"$pmsetup\" install odd-volume/SETUP.EXE --dest odd-volume/in" /dev/null \
    | tr -d '\r' > terminal.txt
  check "a $kind as a volume fails at once" test "${PIPESTATUS[1]}" -eq 1
  check "a $kind as a volume is named as no plain file" \
    grep -qF "cannot read $work/odd-volume/DISK2.CMP: not a plain file" terminal.txt
  check "a $kind as a volume is not asked for" test "$(grep -c '^Please insert disk' terminal.txt)" -eq 0
done

# verify: the setup data and each disk against the checksums packed with
# them, one line each; any disk not as packed fails it.
verify() {  # verify NAME STATUS PACKAGE EXPECTED-LINE
  "$pmsetup" verify "$3" > out.txt 2> err.txt
  check "verify, $1: exits $2" test $? -eq "$2"
  check "verify, $1: says so" grep -qxF "$4" out.txt
}
"$pmsetup" list all/SETUP.EXE | grep -q '^Checksums: integrity record, setup data matches, installer matches;' &&
  "$pmsetup" list all/SETUP.EXE | grep -q '^  DISK4.CMP  *[0-9,]* bytes  CRC-32 0x[0-9A-F]\{8\}$'
check "list shows the integrity record, disk by disk" test $? -eq 0
verify "sound package" 0 all/SETUP.EXE "DISK4.CMP  good"
check "verify, sound package: every disk is good" test "$(grep -c '  good$' out.txt)" -eq 5
cp -r all verified
printf '\x55' | dd of=verified/DISK2.CMP bs=1 seek=7 conv=notrunc 2> /dev/null
rm verified/DISK3.CMP
truncate -s 100 verified/DISK4.CMP
verify "a changed byte" 1 verified/SETUP.EXE "DISK2.CMP  damaged: its contents do not match the package"
verify "a missing disk" 1 verified/SETUP.EXE "DISK3.CMP  missing"
verify "a disk cut short" 1 verified/SETUP.EXE \
  "DISK4.CMP  damaged: its contents do not match the package (100 bytes, packed with $(thousands "$(stat -c %s all/DISK4.CMP)") bytes)"
check "verify: the count of bad disks" grep -qxF "pmsetup: verified/SETUP.EXE: 3 of 4 disks are not as packed" err.txt
cp all/SETUP.EXE verified/
printf '\x55' | dd of=verified/SETUP.EXE bs=1 seek=$(( $(stat -c %s all/SETUP.EXE) - 20 )) conv=notrunc 2> /dev/null
verify "damaged setup data" 1 verified/SETUP.EXE "SETUP.EXE  damaged: the setup data does not match its checksum"
cp all/SETUP.EXE verified/
block=$(od -An -tu4 -j $(( $(stat -c %s all/SETUP.EXE) - 4 )) -N 4 all/SETUP.EXE | tr -d ' ')
printf 'X' | dd of=verified/SETUP.EXE bs=1 seek=$(( block - 3 )) conv=notrunc 2> /dev/null  # in the record's signature
verify "a damaged record" 1 verified/SETUP.EXE "SETUP.EXE  damaged: its integrity record is damaged"
# A damaged installer program is named; its disks are still checked.
cp -r all image && printf 'X' | dd of=image/SETUP.EXE bs=1 seek=100 conv=notrunc 2> /dev/null
verify "a changed byte of the installer" 1 image/SETUP.EXE "SETUP.EXE  damaged: the installer program does not match its checksum"
check "verify, a changed byte of the installer: every disk is good" test "$(grep -c '  good$' out.txt)" -eq 4
check "verify, a changed byte of the installer: says what to do" grep -qF "SETUP.EXE is not as packed: copy it again" err.txt
"$make_package" --stub stub.exe --out old.exe --entry MAIN.EXE:0:1
"$pmsetup" verify old.exe > out.txt 2> err.txt
check "verify, a package without a record: exits 1" test $? -eq 1
check "verify, a package without a record: says why" grep -qF "has no integrity record" err.txt
"$pmsetup" verify src/numbers.txt > out.txt 2> err.txt
check "verify, a text file: says what it is" grep -qxF "pmsetup: src/numbers.txt: not a package: not even a Windows program (a package is a SETUP.EXE made by pmsetup pack)" err.txt

# A volume cut short is named as damaged: it differs from the checksums
# packed with it.
cp -r all short && truncate -s 100 short/DISK4.CMP
"$pmsetup" install short/SETUP.EXE --dest short/in --yes > /dev/null 2> err.txt
check "a volume cut short fails the installation, naming it" \
  grep -qxF "pmsetup: $work/short/DISK4.CMP is damaged: its contents do not match the package" err.txt

# A disk of the right size that is not the package's (one byte differs)
# is found before it is decoded: --yes fails naming it, writing nothing;
# on a terminal the wrong-disk message comes before the disk prompt.
cp -r all wrong && printf '\x55' | dd of=wrong/DISK2.CMP bs=1 seek=3 conv=notrunc 2> /dev/null
"$pmsetup" install wrong/SETUP.EXE --dest wrong/in --yes > /dev/null 2> err.txt
check "a wrong disk fails --yes, naming it" \
  grep -qxF "pmsetup: $work/wrong/DISK2.CMP is damaged: its contents do not match the package" err.txt
check "a wrong disk: nothing is installed" test ! -e wrong/in
printf '%s\n' "" "n" | script -qec "\"$pmsetup\" install wrong/SETUP.EXE --dest wrong/in" /dev/null | tr -d '\r' > terminal.txt
check "a wrong disk on a terminal: the wrong-disk message, then the prompt" \
  test "$(grep -o -m2 -e 'not the right disk' -e 'Please insert disk 2' terminal.txt | tr '\n' '|')" = "not the right disk|Please insert disk 2|"

# A relative destination, however short, is created where the user is.
(cd all && "$pmsetup" install SETUP.EXE --dest d --yes > /dev/null 2>&1)
check "a one-letter relative destination works" cmp -s src/numbers.txt all/d/numbers.txt

# The proposal: DefaultDir's drive is the drive root, and ".." stops there
# as it stops at C:\ on Windows, whatever the path leaves behind.
proposal_rows=(  # DEFAULTDIR|FOLDER UNDER THE DRIVE ROOT
  'C:\a\..\..\escaped|escaped'
  'x\..\C:..\y|C:../y'
  '\\srv\share\..\..\z|z'
  'C:\\.\w\.|w'
  '..\..|'
)
for row in "${proposal_rows[@]}"; do
  IFS='|' read -r default_dir folder <<< "$row"
  rm -rf proposal && mkdir -p proposal/pkg proposal/root && cp src/MAIN.EXE proposal/pkg/
  printf '[texts]\nTitle = "P"\nDefaultDir = '"'%s'"'\n[files]\nmain = "MAIN.EXE"\n' "$default_dir" > proposal/pkg/p.toml
  "$pmsetup" pack proposal/pkg/p.toml --out proposal/pkg/out --stub stub.exe > /dev/null
  "$pmsetup" install proposal/pkg/out/SETUP.EXE --yes --drive-root proposal/root/in > /dev/null 2> err.txt
  check "DefaultDir $default_dir: nothing outside the drive root" test -z "$(ls proposal/root | grep -vx in)"
  if [ "$folder" = C:../y ]; then  # a colon: no name here may hold one
    check "DefaultDir $default_dir: refused" grep -qF "a colon has a meaning of its own" err.txt
  else
    check "DefaultDir $default_dir: installs into ${folder:-the drive root}" test -f "proposal/root/in/${folder:+$folder/}MAIN.EXE"
  fi
done

"$pmsetup" install all/SETUP.EXE < /dev/null > out.txt 2> err.txt
check "no destination and no terminal exits 1" test $? -eq 1
check "no destination and no terminal is explained" grep -q "pass --dest DIR, or --yes" err.txt
"$pmsetup" install all/SETUP.EXE --yes --drive-root yes-root > out.txt 2> err.txt
check "--yes without --dest takes DefaultDir under the drive root" cmp -s src/numbers.txt yes-root/InstallTest/numbers.txt

# On a terminal: the destination is asked for, proposing DefaultDir with
# its drive taken as a folder; OK while the disk is still missing shows the
# wrong-disk message and asks again, n (Cancel) ends it.
printf '%s\n' "" "" "" "n" |
  script -qec "\"$pmsetup\" install no-second/DISK1/SETUP.EXE --drive-root drive" /dev/null | tr -d '\r' > terminal.txt
check "terminal run exits 1" test "${PIPESTATUS[1]}" -eq 1
check "DefaultDir is proposed below the drive root" grep -qxF "[drive/InstallTest] " <(grep -o '^\[[^]]*\] ' terminal.txt)
check "the question says where the files go" grep -qxF "(Enter installs into $work/drive/InstallTest)" terminal.txt
# (The answers, typed ahead, are echoed first: a question may follow a prompt on its line.)
check "disk asked for twice" test "$(grep -c 'Please insert disk 2\.$' terminal.txt)" -eq 2
check "wrong-disk message shown" grep -q "That is not the right disk. Please try again.$" terminal.txt
check "terminal run ends with the package's message" grep -q "Nothing was installed.$" terminal.txt
check "the asked destination, made by the cancelled run, is gone again" test ! -e drive

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

# A path from the command line names a file of this system byte for byte;
# only the package's names are converted, from its code page.
mkdir -p latin 'S/Ã©' 'S/é'
cp src/MAIN.EXE latin/ && printf 'mojibake\n' > 'latin/Ã©.txt'
sed 's/numbers.txt/Ã©.txt/' src/package.toml > latin/package.toml
"$pmsetup" pack latin/package.toml --out 'S/Ã©' --stub stub.exe > /dev/null
cp intl/pkg/SETUP.EXE 'S/é/'  # where a path decoded twice would lead
"$pmsetup" install 'S/Ã©/SETUP.EXE' --dest 'S/Ã©/out' --yes > /dev/null 2>&1
check "the package and folder given, the name packed" cmp -s 'latin/Ã©.txt' 'S/Ã©/out/Ã©.txt'
"$pmsetup" install all/SETUP.EXE --dest 'S/a\b' --yes > /dev/null 2> err.txt
check "a backslash in a name is refused" grep -q "no name may hold one" err.txt
check "and nothing is made of it" test -z "$(ls S | grep -v 'Ã©\|é')"
"$pmsetup" install all/SETUP.EXE --dest '〜' --code-page 932 --yes > /dev/null 2> err.txt
check "a character the code page holds as another is refused" grep -q "would come back as another" err.txt

# A name packs in its code page and installs, into a folder named in it,
# as Windows takes it there: a second byte that reads as '|' in 932 is part
# of its character, and 720, which iconv lacks here, goes by pmsetup's own
# table.  Read as 1252, as a Windows in that code page would, the bytes of
# the 932 name hold a '|' and fail.
code_page_rows=(  # CODE_PAGE NAME DESTINATION
  "932 ポスト.txt post-932"
  "720 كتاب.txt مكتبة"
)
for row in "${code_page_rows[@]}"; do
  read -r code_page name destination <<< "$row"
  printf 'code_page = %s\n[texts]\nTitle = "x"\nDefaultDir = "C:"\n[files]\nmain = "MAIN.EXE"\nother = [{ source = "numbers.txt", name = "%s" }]\n' \
    "$code_page" "$name" > "src/cp$code_page.toml"
  "$pmsetup" pack "src/cp$code_page.toml" --out "cp$code_page" --stub stub.exe > /dev/null 2> err.txt
  check "$name packs in $code_page" test $? -eq 0
  "$pmsetup" install "cp$code_page/SETUP.EXE" --dest "$destination" --code-page "$code_page" --yes > /dev/null 2>&1
  check "and installs under its name" cmp -s src/numbers.txt "$destination/$name"
done
"$pmsetup" install cp932/SETUP.EXE --dest post-1252 --yes > /dev/null 2> err.txt
check "read as 1252 it holds a '|' and fails" grep -qF "no usable Windows file name" err.txt

# A name too long here fails the installation, naming the limit it passes:
# the installers' 259 characters for the path, or Linux's 255 bytes of
# UTF-8 for the name.
long=$(printf 'x%.0s' $(seq 250)).txt wide=$(printf '\xc3\xa9%.0s' $(seq 200)).txt
too_long_rows=(  # NAME DESTINATION MESSAGE
  "$long|$work/$(printf 'd%.0s' $(seq 30))|characters; the installer takes at most 259; nothing was changed"
  "$wide|$work/w|: the name takes 404 bytes in UTF-8; this system takes at most 255 in a name; nothing was changed"
)
for row in "${too_long_rows[@]}"; do
  IFS='|' read -r name destination message <<< "$row"
  printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\n[files]\nmain = "MAIN.EXE"\nother = [{ source = "numbers.txt", name = "%s" }]\n' \
    "$name" > src/long.toml
  rm -rf long && "$pmsetup" pack src/long.toml --out long --stub stub.exe > /dev/null 2>&1
  "$pmsetup" install long/SETUP.EXE --dest "$destination" --yes > /dev/null 2> err.txt
  check "${name:0:8}... too long: refused" test $? -eq 1
  check "${name:0:8}... too long: names the limit" grep -qF -- "$message" err.txt
done
"$make_package" --stub stub.exe --out 'S/Ã©/odd.exe' --total-size 60009 --entry MAIN.EXE:0:60000 \
  --entry $'odd\x81.txt:60000:9'
mkdir odd && cp 'S/Ã©/odd.exe' 'S/Ã©/DISK1.CMP' odd/
for code_page in 1252 720; do  # 0x81: a byte without a character in both
  "$pmsetup" install odd/odd.exe --dest "odd/$code_page" --code-page "$code_page" --yes > /dev/null 2> err.txt
  check "a name without characters in code page $code_page fails the installation" grep -qF 'odd\x81.txt' err.txt
  check "and is not written with its raw bytes" test -z "$(ls "odd/$code_page" 2> /dev/null)"
done

# Package texts and names reach the terminal with their control characters
# shown, never acted on; a message keeps its line breaks.
esc=$'\e'
cp -r all ctl
"$make_package" --stub stub.exe --out ctl/SETUP.EXE --total-size 228894 --disk-count 4 \
  --text "TerminatedMessage=${esc}[2J${esc}[HAll good, installed!"$'\r\nBye\x81' \
  --text $'DiskPrompt=Disk\a 2\nplease' --text $'CancelCaption=Can\e[8mcel' \
  --text $'DirPrompt=Where\e[2J?\r\nHere' --text 'DefaultDir=\\srv\share\Pagemix Demo' \
  --entry 'MAIN.EXE:0:60000' --entry $'bell\a\r.txt:60000:168894'
"$pmsetup" install ctl/SETUP.EXE --dest ctl/in --yes > /dev/null 2> err.txt
check "a name no Windows file can have fails, shown with its controls" \
  grep -qF 'cannot carve the packaged files: '"$work"'/ctl/in/bell\x07\x0D.txt: the name is no usable Windows file name' err.txt
check "and only shown with them" shows_no_controls err.txt
rm ctl/DISK2.CMP
"$pmsetup" install ctl/SETUP.EXE --dest ctl/in --yes > /dev/null 2> err.txt
check "the termination message cannot clear the screen" grep -qxF '\x1B[2J\x1B[HAll good, installed!' err.txt
check "a line break stays one, a byte off the code page is shown" grep -qxF 'Bye\x81' err.txt
check "and nothing else reaches the terminal" shows_no_controls err.txt
script -qec "\"$pmsetup\" install ctl/SETUP.EXE --dest ctl/in" /dev/null < /dev/null | tr -d '\r' > terminal.txt
check "the question shows its controls" grep -qxF 'Disk\x07 2' terminal.txt
script -qec "\"$pmsetup\" install ctl/SETUP.EXE" /dev/null < /dev/null | tr -d '\r' > terminal.txt
check "the destination question shows its controls" grep -qxF 'Where\x1B[2J?' terminal.txt
check "a UNC drive is taken as a folder too" grep -qF '[./Pagemix Demo]' terminal.txt
"$pmsetup" install all/SETUP.EXE --dest $'x\xc2\x9b2J' --yes > /dev/null 2> err.txt
check "a path given is shown with its controls" grep -qF 'x\x9B2J: a character has no place' err.txt

# A reinstallation that does not finish leaves the old version as it was:
# the same files byte for byte, no temporary, no folder of its own.
snapshot() { (cd "$1" && find . -type d | sort && find . -type f -exec md5sum {} + | sort -k2); }
reinstall_fails() {  # reinstall_fails NAME EXIT PACKAGE [ARRANGE]: over the old version in re/
  rm -rf re && "$pmsetup" install all/SETUP.EXE --dest "$work/re" --yes > /dev/null 2>&1
  [ -n "${4:-}" ] && eval "$4"
  snapshot re > before.txt
  "$pmsetup" install "$3" --dest "$work/re" --yes > /dev/null 2> err.txt
  check "$1: exits $2" test $? -eq "$2"
  check "$1: the old version is intact" cmp -s before.txt <(snapshot re)
}
mkdir new && head -c 60000 /dev/urandom > new/MAIN.EXE && seq 2 30001 > new/numbers.txt && echo later > new/later.txt
sed 's/other = \["numbers.txt"\]/other = ["numbers.txt", "later.txt"]/' src/package.toml > new/package.toml
"$pmsetup" pack new/package.toml --out newpkg --disk-size 40000 --stub stub.exe > /dev/null
last=$(ls newpkg/DISK*.CMP | sort -V | tail -1)
cp -r newpkg cut && truncate -s 100 "cut/${last##*/}"
cp -r newpkg gone && rm "gone/${last##*/}"
reinstall_fails "a cut last volume" 1 cut/SETUP.EXE
reinstall_fails "a missing disk under --yes" 1 gone/SETUP.EXE
reinstall_fails "a folder in the way of a later file" 1 newpkg/SETUP.EXE 'mkdir -p re/later.txt/inside'
check "the file in the way is named" grep -qF "cannot replace $work/re/later.txt: not a plain file" err.txt
"$pmsetup" install cut/SETUP.EXE --dest "$work/fresh/a/b" --yes > /dev/null 2>&1
check "a destination the failed run made is removed" test ! -e fresh
if unshare -m true 2> /dev/null && unshare -m sh -c "mount -t tmpfs -o size=400k tmpfs '$work/re' 2> /dev/null"; then
  # A full disk: the old version fills most of a small file system.
  unshare -m sh -c "mount -t tmpfs -o size=400k tmpfs '$work/re' &&
    '$pmsetup' install all/SETUP.EXE --dest '$work/re' --yes > /dev/null 2>&1 && head -c 100000 /dev/zero > re/filler &&
    cd re && { find . -type d | sort && find . -type f -exec md5sum {} + | sort -k2; } > ../before.txt && cd .. &&
    { '$pmsetup' install newpkg/SETUP.EXE --dest '$work/re' --yes > /dev/null 2> err.txt; echo \$? > status.txt; } &&
    cd re && { find . -type d | sort && find . -type f -exec md5sum {} + | sort -k2; } > ../after.txt"
  check "a full disk: exits 1" test "$(cat status.txt)" -eq 1
  check "a full disk: says so" grep -q "No space left on device" err.txt
  check "a full disk: the old version is intact" cmp -s before.txt after.txt
else
  echo "note: no tmpfs can be mounted here; the unit tests cover a full disk by fault injection"
fi

# Signals stop the installation: temporaries removed, one line, 128 plus
# the signal.  The payload is large enough to take a moment.  (env resets
# SIGINT, which a shell ignores in the commands it starts in the
# background, and which pmsetup then leaves ignored.)
mkdir big && head -c 12000000 /dev/urandom > big/MAIN.EXE && seq 5 30004 > big/numbers.txt
cp src/package.toml big/
"$pmsetup" pack big/package.toml --out bigpkg --stub stub.exe > /dev/null
for signal in INT:130 TERM:143 HUP:129; do
  name=${signal%:*} code=${signal#*:}
  rm -rf re && "$pmsetup" install all/SETUP.EXE --dest "$work/re" --yes > /dev/null 2>&1
  snapshot re > before.txt
  env --default-signal=INT "$pmsetup" install bigpkg/SETUP.EXE --dest "$work/re" --yes > /dev/null 2> err.txt &
  sleep 0.2 && kill -s "$name" $!
  wait $!
  check "SIG$name: exits $code" test $? -eq "$code"
  check "SIG$name: one line" test "$(wc -l < err.txt)" -eq 1 -a "$(grep -c "interrupted by SIG$name" err.txt)" -eq 1
  check "SIG$name: the old version is intact" cmp -s before.txt <(snapshot re)
done

# kill -9 at any moment: each file is the old one or the new one, whole;
# the next installation removes the temporaries left.
rm -rf re && "$pmsetup" install all/SETUP.EXE --dest "$work/re" --yes > /dev/null 2>&1
for delay in 0.02 0.1 0.3 0.5 0.7 0.9; do
  "$pmsetup" install bigpkg/SETUP.EXE --dest "$work/re" --yes > /dev/null 2>&1 &
  sleep "$delay" && kill -9 $! && wait $! 2> /dev/null
  for file in MAIN.EXE numbers.txt; do
    check "kill -9 after ${delay}s: $file is old or new" sh -c "cmp -s src/$file re/$file || cmp -s big/$file re/$file"
  done
done
"$pmsetup" install all/SETUP.EXE --dest "$work/re" --yes > /dev/null 2>&1
check "after kill -9 the next installation succeeds" cmp -s src/MAIN.EXE re/MAIN.EXE
check "and removes the temporaries left" test -z "$(ls re | grep -v '^MAIN.EXE$\|^numbers.txt$')"

# A folder as init finds it packs and installs as it stands: its program,
# its other files, and each subfolder with all it holds.
mkdir -p fresh/help/img && cp src/MAIN.EXE fresh/APP.EXE && cp src/numbers.txt fresh/
seq 1 50 > fresh/help/index.txt && head -c 700 /dev/urandom > fresh/help/img/logo.bmp
"$pmsetup" init fresh > /dev/null 2> err.txt && "$pmsetup" pack fresh/pagemix.toml --out fresh-package --stub stub.exe \
  > /dev/null 2>> err.txt && "$pmsetup" install fresh-package/SETUP.EXE --dest "$work/fresh-installed" --yes \
  > /dev/null 2>> err.txt
check "init, pack, install: the folder installs as it is" diff -r -x pagemix.toml fresh fresh-installed
[ -s err.txt ] && cat err.txt

# Every file keeps its time, in FAT's 2-second steps, a time past
# SOURCE_DATE_EPOCH clamped to it; list shows the paths and the times.
TZ=UTC touch -d '2001-02-03 04:05:07' fresh/numbers.txt fresh/help/img/logo.bmp
TZ=UTC touch -d '2030-01-01 00:00:00' fresh/help/index.txt
SOURCE_DATE_EPOCH=1700000000 "$pmsetup" pack fresh/pagemix.toml --out dated --stub stub.exe > /dev/null &&
  "$pmsetup" install dated/SETUP.EXE --dest "$work/dated-installed" --yes > out.txt
for file in numbers.txt help/img/logo.bmp; do
  check "$file keeps its time" test "$(stat -c %Y "dated-installed/$file")" -eq 981173106
done
check "a time past SOURCE_DATE_EPOCH is clamped to it" test "$(stat -c %Y dated-installed/help/index.txt)" -eq 1700000000
check "the report names the installed paths" grep -qE '^  help\\img\\logo.bmp +700 bytes$' out.txt
TZ=UTC "$pmsetup" list dated/SETUP.EXE > out.txt
check "list shows the paths and times" grep -qE '^  "help\\\\img\\\\logo.bmp" .* 2001-02-03 04:05:06$' out.txt

# A package made before names could hold folders installs every file by
# the last component of its name, as it always did.
"$pmsetup" install "$data/old-package/SETUP.EXE" --dest "$work/old-installed" --yes > out.txt 2>&1
check "an older package installs flat" test "$(LC_ALL=C ls old-installed | tr '\n' ' ')" = "OLDAPP.EXE OLDHELP.TXT README.TXT "
check "an older package's report says so" grep -qE '^  OLDHELP.TXT +10 bytes$' out.txt

# --salvage on a 4-disk package with each disk damaged, then missing: the
# files wholly decoded before the bad disk is needed are installed, each
# as packed, and no other.  Which those are is found apart from pmsetup
# install: the most bytes "lzh decode" gets out of the disks before it.
mkdir salvage-src
python3 -c "
import random; random.seed(7)
for k in range(7): open('salvage-src/F%d.BIN' % k, 'wb').write(random.randbytes(random.randint(2000, 11000)))"
printf '[texts]\nTitle = "S"\nDefaultDir = "C:\\\\S"\n[files]\nmain = "F0.BIN"\nother = [%s]\n' \
  "$(printf '"F%d.BIN", ' 1 2 3 4 5 6)" > salvage-src/p.toml
"$pmsetup" pack salvage-src/p.toml --out salvage --disk-size 16000 --stub stub.exe > /dev/null
decodable() {  # decodable DISK...: the most payload bytes the disks' stream yields
  local low=0 high=$(cat salvage-src/F*.BIN | wc -c) middle
  cat "$@" /dev/null > prefix.bin
  while [ "$low" -lt "$high" ]; do
    middle=$(( (low + high + 1) / 2 ))
    if "$pmsetup" lzh decode --count "$middle" prefix.bin /dev/null 2> /dev/null; then low=$middle; else high=$((middle - 1)); fi
  done
  echo "$low"
}
for how in damaged missing; do
  for k in 1 2 3 4; do
    rm -rf bad out && cp -r salvage bad
    if [ $how = damaged ]; then printf 'X' | dd of=bad/DISK$k.CMP bs=1 seek=10 conv=notrunc status=none; else rm bad/DISK$k.CMP; fi
    limit=$(decodable $(seq -f 'salvage/DISK%g.CMP' 1 $((k - 1)))) end=0 expected=
    for n in 0 1 2 3 4 5 6; do
      end=$((end + $(stat -c %s salvage-src/F$n.BIN)))
      [ "$end" -le "$limit" ] && expected+="F$n.BIN "
    done
    "$pmsetup" install bad/SETUP.EXE --dest "$work/out" --yes --salvage > /dev/null 2> err.txt
    status=$?
    check "salvage, DISK$k.CMP $how: exit code" test $status -eq "$([ -n "$expected" ] && echo 3 || echo 1)"
    check "salvage, DISK$k.CMP $how: exactly the whole files" test "$(LC_ALL=C ls out 2> /dev/null | tr '\n' ' ')" = "$expected"
    check "salvage, DISK$k.CMP $how: each as packed" sh -c 'for f in out/*; do [ -e "$f" ] || exit 0; cmp -s "$f" "salvage-src/${f#out/}" || exit 1; done'
    check "salvage, DISK$k.CMP $how: the lost files are named" grep -q "^  F6.BIN$" err.txt
    check "salvage, DISK$k.CMP $how: verify names the same whole files" test \
      "$("$pmsetup" verify bad/SETUP.EXE 2> /dev/null | sed -n '/^Still whole/,$ s/^  //p' | LC_ALL=C sort | tr '\n' ' ')" = "$expected"
  done
done
"$pmsetup" install "$data/old-package/SETUP.EXE" --dest "$work/out" --yes --salvage > /dev/null 2> err.txt
check "salvage without an integrity record refuses" grep -q "needs the package's integrity record" err.txt

head -c 100 all/SETUP.EXE > damaged.exe
"$pmsetup" install damaged.exe --dest "$work/never" --yes > out.txt 2> err.txt
check "damaged package exits 1" test $? -eq 1
check "damaged package is explained" grep -q "the file ends inside the installer program" err.txt
check "damaged package creates nothing" test ! -e never

finish
