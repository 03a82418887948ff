#!/usr/bin/env bash
# pmsetup pack and pmsetup lzh as a publisher uses them.
#   pack_test.sh PMSETUP MAKE_PACKAGE
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1") make_package=$(realpath "$2")
cd "$work"

mkdir -p src/docs
{ printf MZ; head -c 4998 /dev/zero; } > stub.exe  # a stand-in for the installer
head -c 70000 /dev/urandom > src/MAIN.EXE
seq 1 20000 > src/docs/numbers.txt
printf 'Read me.\r\n' > src/README.TXT
cat > src/package.toml <<'TOML'
[colours]
top = "#000040"
[texts]
Title = "Pack test"
DefaultDir = 'C:\PackTest'
[files]
main = "MAIN.EXE"
other = ["README.TXT", { source = "docs/numbers.txt", name = "NUMBERS.TXT" }]
TOML

# A folder another pack is writing into (here held as that pack holds it)
# is refused before anything is written; an old file there stays.
mkdir -p held && printf old > held/SETUP.EXE
flock --no-fork held sleep 30 & holder=$!
sleep 0.2
"$pmsetup" pack src/package.toml --out held --stub stub.exe > /dev/null 2> err.txt
check "a folder another pack holds is refused" grep -qxF "pmsetup: cannot write into held: another pmsetup is writing into it" err.txt
check "and left as it was" test "$(ls held)" = SETUP.EXE -a "$(cat held/SETUP.EXE)" = old
kill $holder

# Disks of 40,000 bytes: the first also holds SETUP.EXE.
"$pmsetup" pack src/package.toml --out disks --disk-size 40000 --layout disks --stub stub.exe > report.txt
check "pack exits 0" test $? -eq 0
check "report names every disk" grep -q "disk 3  disks/DISK3/DISK3.CMP" report.txt
check "first disk holds SETUP.EXE and DISK1.CMP" test -f disks/DISK1/SETUP.EXE -a -f disks/DISK1/DISK1.CMP
first_disk=$(( $(stat -c %s disks/DISK1/SETUP.EXE) + $(stat -c %s disks/DISK1/DISK1.CMP) ))
check "first disk fits" test "$first_disk" -le 40000
for volume in disks/DISK*/DISK*.CMP; do check "$volume fits" test "$(stat -c %s "$volume")" -le 40000; done
volumes=$(ls disks/DISK*/DISK*.CMP | wc -l)
"$pmsetup" list disks/DISK1/SETUP.EXE > list.txt
check "disk count matches the volumes" grep -qE "^DiskCount +$volumes$" list.txt
check "entries in list order" test "$(grep -A3 '^Entries' list.txt | awk 'NR>1 {print $1}' | tr -d '"' | tr '\n' ' ')" = "MAIN.EXE README.TXT NUMBERS.TXT "

# The volumes, joined, decode to the files, joined, main program first.
cat src/MAIN.EXE src/README.TXT src/docs/numbers.txt > payload.bin
cat $(ls disks/DISK*/DISK*.CMP | sort -V) > stream.bin
"$pmsetup" lzh decode --count "$(stat -c %s payload.bin)" stream.bin decoded.bin
check "volumes decode to the payload" cmp -s payload.bin decoded.bin

# Same inputs, same bytes out; the flat layout holds the same files.
"$pmsetup" pack src/package.toml --out again --disk-size 40000 --layout disks --stub stub.exe > /dev/null
check "packing is deterministic" diff -r disks again
"$pmsetup" pack src/package.toml --out flat --stub stub.exe > /dev/null
check "without --disk-size one volume" test "$(ls flat)" = "$(printf 'DISK1.CMP\nSETUP.EXE')"

# Progress: a pack that outlasts a second shows a bar of bytes and rate on
# a terminal, wiped before the summary; elsewhere it shows nothing.  Each
# pack is held stopped for 1.2 s once its volume is being written (the bar
# is up by then), so that it outlasts a second however fast it runs.
mkdir slow && seq 1 2000000 > slow/NUMBERS.TXT
printf '[texts]\nTitle = "Slow"\nDefaultDir = "C:"\n[files]\nmain = "NUMBERS.TXT"\n' > slow/package.toml
"$pmsetup" pack slow/package.toml --out slow-plain --stub stub.exe > /dev/null 2> slow-err.txt &
plain=$!
script -qec "echo \$\$ > terminal.pid; exec \"$pmsetup\" pack slow/package.toml --out slow-terminal --stub stub.exe" \
  /dev/null < /dev/null > terminal.txt &
terminal=$!
for _ in $(seq 500); do
  [ "$(find slow-plain slow-terminal -name '*.partial' ! -empty 2> /dev/null | wc -l)" -eq 2 ] && break; sleep 0.01
done
kill -STOP $plain "$(cat terminal.pid)" && sleep 1.2
kill -CONT $plain "$(cat terminal.pid)" $terminal  # script stops itself while its pmsetup is stopped
wait $plain $terminal
check "off a terminal no progress is shown" test ! -s slow-err.txt
check "on a terminal a bar shows bytes and rate" grep -qE '\[#*\.*\] +[0-9]+%  [0-9.]+ of 14\.9 MB  [0-9.]+ [kM]B/s' terminal.txt
check "the bar is wiped before the summary" grep -qP '\r {40,}\rPacked slow/package.toml: 1 file' terminal.txt

# Failures leave nothing behind.
"$pmsetup" pack src/package.toml --out small --disk-size 5100 --stub stub.exe > /dev/null 2> err.txt
check "too small a disk fails" test $? -eq 1
check "too small a disk is explained" grep -q "leaves no room beside SETUP.EXE" err.txt
check "too small a disk writes nothing" test ! -e small/SETUP.EXE
# More disks than a package can count: refused, naming how many it needs
# (the stream's size tells).
mkdir many && head -c 2500000 /dev/urandom > many/MAIN.EXE
printf '[texts]\nTitle = "Many"\nDefaultDir = "C:"\n[files]\nmain = "MAIN.EXE"\n' > many/package.toml
"$pmsetup" pack many/package.toml --out many-flat --stub stub.exe > /dev/null
stream_size=$(stat -c %s many-flat/DISK1.CMP)
# SETUP.EXE keeps room for an integrity record of 255 disks (2,068 bytes)
# where the flat package's has one disk (36 bytes).
first_room=$(( 7600 - ($(stat -c %s many-flat/SETUP.EXE) - 36 + 2068) ))
disks=$(( 1 + (stream_size - first_room + 7599) / 7600 ))
"$pmsetup" pack many/package.toml --out many-disks --disk-size 7600 --cluster-size 1 --layout disks --stub stub.exe \
  > /dev/null 2> err.txt
check "more than 255 disks are refused, naming how many" \
  grep -qx "pmsetup: the package needs $disks disks; at most 255 are possible" err.txt
check "too many disks write nothing" test ! -e many-disks
printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\nColor = 1\n[files]\nmain = "MAIN.EXE"\n' > src/bad.toml
"$pmsetup" pack src/bad.toml --out bad --stub stub.exe > /dev/null 2> err.txt
check "manifest error fails" test $? -eq 1
check "manifest error names file and line" grep -qF "src/bad.toml:4: unknown key 'Color' in [texts]" err.txt
check "manifest error writes nothing" test ! -e bad
# A group name leading out of the Programs folder, naming it itself, or
# naming no folder Windows can make.
for group in 'Tools/../../Startup' '.' 'a*b'; do
  printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\nGroupName = "%s"\n[files]\nmain = "MAIN.EXE"\n' "$group" > src/bad.toml
  "$pmsetup" pack src/bad.toml --out bad --stub stub.exe > /dev/null 2> err.txt
  check "group name $group is refused at its line" grep -qF "src/bad.toml:4: GroupName '$group' must name a folder inside" err.txt
done

# Names, texts and paths reach the terminal with their control characters
# shown as \xNN, whichever message names them: Escape, CR, BEL, DEL and
# the C1 CSI (U+009B, which some terminals take for "Escape [").  Each
# row runs a command whose output (both streams) must show SHOWN.
h=$'ctl/\e[2J\xc2\x9b\a' H='ctl/\x1B[2J\x9B\x07'
mkdir -p "$h" && cp src/MAIN.EXE "$h/" && : > "$h/file" && : > "$h/x"$'\xc2\x9b'.txt
ln "$h/MAIN.EXE" "$h/DISK9.CMP"
printf '[texts]\nTitle = "\\u001b]0;t\\u0007"\nDefaultDir = "C:"\n"k\\u001b[2J" = 1\n[files]\nmain = "MAIN.EXE"\n' > "$h/key.toml"
printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\n[files]\nmain = { source = "MAIN.EXE", name = "a\\rb\\u007f.exe" }\n' > "$h/name.toml"
printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\n[files]\nmain = "MAIN.EXE"\nother = ["n\\u001b[K.txt", "x\\u009b.txt"]\n' > "$h/files.toml"
printf '[texts]\nTitle = "\\u001b[2J\\r\\u007f"\nDefaultDir = "C:"\n[files]\nmain = { source = "MAIN.EXE", name = "%s" }\n' \
  "$(printf '\xc3\xa9%.0s' $(seq 200)).txt" > "$h/good.toml"
"$make_package" --stub stub.exe --out "$h/odd.exe" --text $'Title=T\e[2J\r\a\x7f' --total-size 2 \
  --entry MAIN.EXE:0:1 --entry $'M\e[8m.exe:1:1'
controls_rows=(  # WHAT|SHOWN|PMSETUP ARGUMENTS (evaluated)
  "a manifest error|$H/key.toml:4: unknown key 'k\x1B[2J' in [texts]|pack \"\$h/key.toml\" --out \"\$h/o\" --stub stub.exe"
  "a refused name|$H/name.toml:5: 'a\x0Db\x7F.exe' cannot be a file name|pack \"\$h/name.toml\" --out \"\$h/o\" --stub stub.exe"
  "a missing source|file 'n\x1B[K.txt' does not exist|pack \"\$h/files.toml\" --out \"\$h/o\" --stub stub.exe"
  "a source name off the code page|file name 'x\x9B.txt' holds '\x9B' (U+009B)|pack \"\$h/files.toml\" --out \"\$h/o\" --stub stub.exe"
  "a warning|$H/good.toml:5: warning:|pack \"\$h/good.toml\" --out \"\$h/o\" --stub stub.exe"
  "the report|disk 1  $H/o/SETUP.EXE|pack \"\$h/good.toml\" --out \"\$h/o\" --stub stub.exe"
  "an output path|cannot write into $H/file: Not a directory|pack \"\$h/good.toml\" --out \"\$h/file\" --stub stub.exe"
  "a stub|$H/file is not a Windows program|pack \"\$h/good.toml\" --out \"\$h/o\" --stub \"\$h/file\""
  "an input in the way|overwrite the packaged file $H/MAIN.EXE|pack \"\$h/good.toml\" --out \"\$h\" --stub stub.exe"
  "a missing manifest|no such file: $H/none.toml|pack \"\$h/none.toml\" --out \"\$h/o\""
  "a listed text|\"T\x1B[2J\x0D\x07\x7F\"|list \"\$h/odd.exe\""
  "a listed name|\"M\x1B[8m.exe\"|list \"\$h/odd.exe\""
  "a package that is not there|pmsetup: $H/none.exe: cannot read it|list \"\$h/none.exe\""
  "a package verified|pmsetup: $H/odd.exe: cannot read it|verify \"\$h/odd.exe\""
  "a stream that is not there|cannot read $H/none|lzh encode \"\$h/none\" \"\$h/o.lzh\""
  "a command line|argument was not expected: $H|list a \"\$h\""
)
for row in "${controls_rows[@]}"; do
  IFS='|' read -r what shown arguments <<< "$row"
  eval "\"\$pmsetup\" $arguments" > out.txt 2>&1
  check "$what: shown with its controls" grep -qF -- "$shown" out.txt
  check "$what: no control reaches the terminal" shows_no_controls out.txt
done

# Every name must fit the folder the package proposes, as the installers
# join them (259 characters), and so must a temporary name; a name that
# Linux cannot hold in UTF-8 (255 bytes) packs with a warning, since
# Windows installs it.
long=$(printf 'x%.0s' $(seq 250)).txt wide=$(printf '\xc3\xa9%.0s' $(seq 200)).txt
length_rows=(  # DIR NAME EXIT MESSAGE
  "C:\\Pagemix Demo|$long|1|src/length.toml:5: '$long': 'C:\\Pagemix Demo' + '\\' + the name is 270 characters; the installer takes at most 259"
  "C:\\Pagemix Demo\\|$long|1|'C:\\Pagemix Demo\\' + the name is 270 characters"
  "C:\\dd|$long|1|'C:\\dd' + '\\' + the name is 260 characters"
  "C:\\d|$long|0|src/length.toml:5: warning: RunPrompt \"Do you want to run %s now?\", shown as \"Do you want to run $long now?\", takes 6 lines"
  "C:\\$(printf 'd%.0s' $(seq 244))|MAIN.EXE|1|src/length.toml:3: DefaultDir 'C:\\dd"
  "C:\\$(printf 'd%.0s' $(seq 244))|MAIN.EXE|1|leaves no room for the installer's temporary names (12 characters): with one it is 260; the installer takes at most 259"
  "C:\\$(printf 'd%.0s' $(seq 243))|MAIN.EXE|0|"
  "C:|$wide|0|src/length.toml:5: warning: '$wide' takes 404 bytes in UTF-8; Linux takes at most 255 in a name"
)
for row in "${length_rows[@]}"; do
  IFS='|' read -r dir name status message <<< "$row"
  printf '[texts]\nTitle = "x"\nDefaultDir = '"'%s'"'\n[files]\nmain = { source = "MAIN.EXE", name = "%s" }\n' \
    "$dir" "$name" > src/length.toml
  rm -rf length && "$pmsetup" pack src/length.toml --out length --stub stub.exe > /dev/null 2> err.txt
  check "${name:0:8}... in $dir: exit $status" test $? -eq "$status"
  [ -n "$message" ] && check "${name:0:8}... in $dir: says so" grep -qF -- "$message" err.txt
  [ -z "$message" ] && check "${name:0:8}... in $dir: no word" test ! -s err.txt
done

# Texts that SETUP.EXE would show run together or cut off at 640x480 pack
# with a warning on their line; the titles straddle the 618 pixels shown.
fit_rows=(  # TEXT LINE|WARNING (empty: none)
  'RunPrompt = "Start it"|src/fit.toml:3: warning: RunPrompt "Start it" has no %s, so the installer appends the program'"'"'s name and a question mark right after it: "Start itMAIN.EXE?"'
  'RunPrompt = "Start it "|'
  'RunPrompt = "Run %s now?"|'
  'DiskPrompt = "Insert disk"|src/fit.toml:3: warning: DiskPrompt "Insert disk" has no %u, so the installer appends the disk'"'"'s number right after it: "Insert disk2"'
  'DiskPrompt = "Insert disk "|'
  'DiskPrompt = "Insert disk %u."|'
  'Title = "Pagemix Desktop Publishing Pro"|'
  'Title = "Pagemix Publishing Suite Deluxe"|src/fit.toml:3: warning: Title "Pagemix Publishing Suite Deluxe" is 621 pixels wide in the installer'"'"'s title font (Arial, 44 pixels, bold italic); at 640×480 it shows 618, so the end is cut off'
  'FooterText = "Copyright 1997 Pagemix Software. All rights reserved. Unauthorised copying is forbidden by law and international treaties."|is 839 pixels wide in the installer'"'"'s footer font (Arial, 16 pixels, bold); at 640×480 it shows 630, so its start is cut off'
  'CancelConfirm = "Do you really want to cancel the installation? Every file copied so far is removed again, and nothing of the program is left on this computer: not its folder, not its group, not a single file."|takes 4 lines of at most 281 pixels in the message dialog'"'"'s font (MS Sans Serif 8); the message dialog shows 3'
)
for row in "${fit_rows[@]}"; do
  IFS='|' read -r line warning <<< "$row"
  title='Title = "x"' && [[ $line == Title* ]] && title=
  printf '[texts]\nDefaultDir = "C:"\n%s\n%s\n[files]\nmain = "MAIN.EXE"\n' "$line" "$title" > src/fit.toml
  rm -rf fit && "$pmsetup" pack src/fit.toml --out fit --stub stub.exe > /dev/null 2> err.txt
  check "${line:0:24}: packs" test $? -eq 0
  [ -n "$warning" ] && check "${line:0:24}: warned" grep -qF -- "$warning" err.txt
  [ -z "$warning" ] && check "${line:0:24}: no word" test ! -s err.txt
done

# The stub must be a bare installer, and stays one.
"$pmsetup" pack src/package.toml --out again2 --stub flat/SETUP.EXE > /dev/null 2> err.txt
check "a packed SETUP.EXE as stub is refused" grep -q "already carries a package" err.txt
mkdir pâquet && cp flat/SETUP.EXE pâquet/
"$pmsetup" pack src/package.toml --out again2 --stub pâquet/SETUP.EXE > /dev/null 2> err.txt
check "wherever it lies" grep -q "already carries a package" err.txt
head -c 5000 /dev/zero > not-a-program.exe
"$pmsetup" pack src/package.toml --out again2 --stub not-a-program.exe > /dev/null 2> err.txt
check "a stub that is no Windows program is refused" grep -q "is not a Windows program" err.txt
mkdir tool && cp stub.exe tool/SETUP.EXE
"$pmsetup" pack src/package.toml --out tool --stub tool/SETUP.EXE > /dev/null 2> err.txt
check "packing over the stub is refused" grep -q "would overwrite the installer stub" err.txt
check "the stub stays as it was" cmp -s stub.exe tool/SETUP.EXE

# A failed write takes back everything, folders included; a folder in
# the way is found before anything is written.
mkdir -p blocked/DISK2/DISK2.CMP
"$pmsetup" pack src/package.toml --out blocked --disk-size 40000 --layout disks --stub stub.exe > /dev/null 2> err.txt
check "a folder in a volume's place fails" grep -q "a folder has that name" err.txt
check "a folder in the way leaves nothing" test "$(cd blocked && find . | sort | tr '\n' ' ')" = ". ./DISK2 ./DISK2/DISK2.CMP "
# A disk that fills up (a small tmpfs; needs root to mount).
mkdir full
if mount -t tmpfs -o size=48k tmpfs full 2> /dev/null; then
  "$pmsetup" pack src/package.toml --out full/pkg --disk-size 40000 --layout disks --stub stub.exe > /dev/null 2> err.txt
  check "a full disk fails the pack" grep -q "No space left" err.txt
  check "a full disk leaves nothing" test -z "$(ls full)"
  umount full
else
  echo "skipped: the full-disk checks (mounting a small tmpfs needs root)"
fi

# Volumes of an earlier, longer package are pointed out in one line: how
# many, and the first and last.
cp -r disks longer && "$pmsetup" pack src/package.toml --out longer-flat --disk-size 40000 --stub stub.exe > /dev/null
n=$(ls longer-flat/DISK*.CMP | wc -l)
leftover_rows=(  # OUT|LAYOUT|BEFORE (evaluated)|WARNING
  "longer|disks|:|$((n - 1)) volumes from an earlier package are left in longer (DISK2/DISK2.CMP to DISK$n/DISK$n.CMP); remove them"
  "longer-flat|flat|:|$((n - 1)) volumes from an earlier package are left in longer-flat (DISK2.CMP to DISK$n.CMP); remove them"
  "longer-flat|flat|find longer-flat -name 'DISK*.CMP' ! -name DISK[1$n].CMP -delete|longer-flat/DISK$n.CMP is left from an earlier package; remove it"
  "$h/o|flat|cp longer-flat/DISK$n.CMP \"\$h/o/DISK255.CMP\"|$H/o/DISK255.CMP is left from an earlier package; remove it"
)
for k in "${!leftover_rows[@]}"; do
  IFS='|' read -r out layout before warning <<< "${leftover_rows[k]}"
  eval "$before"
  "$pmsetup" pack src/package.toml --out "$out" --layout "$layout" --stub stub.exe > /dev/null 2> err.txt
  check "leftovers $k: one line" test "$(wc -l < err.txt)" -eq 1
  check "leftovers $k: named" grep -qxF "pmsetup: warning: $warning" err.txt
  check "leftovers $k: no control reaches the terminal" shows_no_controls err.txt
done

# A stream cut short is reported, not decoded into zeros.
head -c 1000 stream.bin > short.bin
"$pmsetup" lzh decode --count "$(stat -c %s payload.bin)" short.bin short.out 2> err.txt
check "short stream fails" test $? -eq 1
check "short stream is explained" grep -q "ends before" err.txt
check "short stream writes nothing" test ! -e short.out

# Pipes and devices are read and written as they are; folders are refused.
cat src/docs/numbers.txt | "$pmsetup" lzh encode /dev/stdin piped.lzh > /dev/null
"$pmsetup" lzh encode src/docs/numbers.txt file.lzh > /dev/null
check "a pipe is read to its end" cmp -s piped.lzh file.lzh
mkfifo fifo
timeout 10 cat fifo > from-fifo &
reader=$!
"$pmsetup" lzh decode --count "$(stat -c %s src/docs/numbers.txt)" file.lzh fifo
wait "$reader"
check "a FIFO is written into" cmp -s src/docs/numbers.txt from-fifo
check "a FIFO stays a FIFO" test -p fifo
"$pmsetup" lzh encode src/docs/numbers.txt /dev/stdout 2> /dev/null | cat > stdout.lzh
check "a stream on stdout holds nothing else" cmp -s stdout.lzh file.lzh
echo old > linked.lzh
ln -s linked.lzh link.lzh
"$pmsetup" lzh encode src/docs/numbers.txt link.lzh 2> /dev/null
check "a link is written through, not replaced" test -L link.lzh
check "a link's file gets the stream" cmp -s linked.lzh file.lzh
: > empty.lzh
timeout 20 "$pmsetup" lzh decode --count 2147483647 empty.lzh never.bin 2> err.txt
check "a count the stream cannot hold fails at once" grep -q "ends before" err.txt
"$pmsetup" lzh encode src out.lzh 2> err.txt
check "a folder as input is refused" grep -qF "cannot read src: Is a directory" err.txt
mkdir taken
"$pmsetup" lzh encode src/README.TXT taken 2> err.txt
check "a folder as output is refused" grep -qF "cannot write taken: Is a directory" err.txt
check "a refused output leaves nothing" test -z "$(ls taken)" -a ! -e taken.partial

# Links planted at the names temporaries once had, and at names of the
# tool's own pattern, are neither written through nor removed; a stale
# temporary of a stopped pack is removed, a file merely named like one is
# not.  Every layout, and lzh decode.
echo victim > victim
plant() {  # plant FOLDER NAME...: a link to the victim at each name
  local folder=$1; shift
  mkdir -p "$folder"
  for name in "$@"; do ln -sf "$work/victim" "$folder/$name"; done
}
old_names="SETUP.EXE.partial DISK1.CMP.partial DISK2.CMP.partial DISK3.CMP.partial"
ours_dead="SETUP.EXE.pmsetup-999999999-abcdefgh.partial"
planted_layouts=("flat planted-flat" "disks planted-disks")
command -v mformat > /dev/null && planted_layouts+=("images planted-images")
for row in "${planted_layouts[@]}"; do
  read -r layout out <<< "$row"
  if [ "$layout" = disks ]; then
    for disk in 1 2 3; do plant "$out/DISK$disk" $old_names "$ours_dead"; done
  else
    plant "$out" $old_names "$ours_dead" DISK1.IMG.partial DISK2.IMG.partial .pmsetup-images.partial
  fi
  printf 'mine\n' > "$out/SETUP.EXE.pmsetup-notes.partial"
  : > "$out/DISK1.CMP.pmsetup-999999999-abcdefgh.partial"  # left by a pack that was killed
  media=(--disk-size 40000); [ "$layout" = images ] && media=(--media 1.44M)
  "$pmsetup" pack src/package.toml --out "$out" "${media[@]}" --layout "$layout" --stub stub.exe > /dev/null 2> err.txt
  check "$layout: pack beside planted links succeeds" test $? -eq 0
  check "$layout: no planted link is followed" test "$(cat victim)" = victim
  links=8; [ "$layout" = disks ] && links=15
  check "$layout: every planted link stays" test "$(find "$out" -type l -lname "$work/victim" | wc -l)" -eq "$links"
  check "$layout: a file named like a temporary stays" grep -qx mine "$out/SETUP.EXE.pmsetup-notes.partial"
  check "$layout: a stale temporary goes" test ! -e "$out/DISK1.CMP.pmsetup-999999999-abcdefgh.partial"
  check "$layout: no temporary is left" test -z "$(find "$out" -type f -name '*.pmsetup-*.partial' ! -name '*-notes.*')"
done
plant planted-lzh decoded.bin.partial
"$pmsetup" lzh decode --count "$(stat -c %s payload.bin)" stream.bin planted-lzh/decoded.bin
check "lzh decode beside a planted link writes its output" cmp -s payload.bin planted-lzh/decoded.bin
check "lzh decode follows no planted link" test "$(cat victim)" = victim -a -L planted-lzh/decoded.bin.partial

# A file pack would write that is one of its inputs, by whatever name
# (a hard link is the same file), is refused before anything is written.
inputs_case() {  # inputs_case NAME EXPECTED-INPUT PACK-ARGS...
  local name=$1 input=$2; shift 2
  local before; before=$(md5sum "$input")
  "$pmsetup" pack "$@" --stub stub.exe > /dev/null 2> err.txt
  check "$name: refused" test $? -eq 1
  check "$name: names the input" grep -qF "would overwrite the packaged file $input" err.txt
  check "$name: the input is untouched" test "$(md5sum "$input")" = "$before"
}
mkdir -p self && cp src/MAIN.EXE src/README.TXT self/ && cp stub.exe self/SETUP.EXE && cp src/README.TXT self/DISK2.CMP
printf '[texts]\nTitle = "x"\nDefaultDir = "C:"\n[files]\nmain = "MAIN.EXE"\nother = [{ source = "SETUP.EXE", name = "S.EXE" }, { source = "DISK2.CMP", name = "D2.TXT" }]\n' \
  > self/package.toml
inputs_case "an input named SETUP.EXE" self/SETUP.EXE self/package.toml --out self
sed 's/{ source = "SETUP.EXE", name = "S.EXE" }, //' self/package.toml > self/volume.toml
inputs_case "an input named like a later volume" self/DISK2.CMP self/volume.toml --out self --disk-size 40000 --cluster-size 1
mkdir -p linked/DISK1 && ln src/MAIN.EXE linked/DISK1/DISK1.CMP
inputs_case "an input hard-linked as a volume" src/MAIN.EXE src/package.toml --out linked --layout disks
mkdir -p elsewhere linked-folder && ln -s ../elsewhere linked-folder/DISK2
"$pmsetup" pack src/package.toml --out linked-folder --disk-size 40000 --layout disks --stub stub.exe > /dev/null 2> err.txt
check "a link as a disk's folder is refused" grep -qF "linked-folder/DISK2 is a link" err.txt
check "and nothing is written through it" test -z "$(ls elsewhere)"
check "a refused pack leaves no temporary" test -z "$(find self linked linked-folder -name '*.partial')"

# Every mistake in the command line is a usage error: exit code 2, a
# message on stderr alone, nothing written.  --help and --version exit 0.
usage_rows=(  # EXIT|PMSETUP ARGUMENTS (evaluated)
  "2|" "2|frobnicate" "2|pack" "2|pack src/package.toml" "2|pack src/none.toml --out u"
  "2|pack src/package.toml --out u --media 9K" "2|pack src/package.toml --out u --media 1.44M --disk-size 5000"
  "2|pack src/package.toml --out u --cluster-size 2" "2|pack src/package.toml --out u --layout images"
  "2|pack src/package.toml --out u --disk-size 0" "2|list" "2|list a b" "2|list --code-page x a" "2|verify"
  "2|lzh" "2|lzh encode a" "2|lzh decode a u" "2|lzh decode --count -1 a u" "2|install" "2|install a --bogus"
  "2|init nowhere" "2|init src src" "0|--help" "0|pack --help" "0|lzh decode --help" "0|init --help" "0|--version"
)
for row in "${usage_rows[@]}"; do
  IFS='|' read -r status arguments <<< "$row"
  eval "\"\$pmsetup\" $arguments" > out.txt 2> err.txt
  check "pmsetup $arguments: exits $status" test $? -eq "$status"
  [ "$status" -eq 2 ] && check "pmsetup $arguments: says why on stderr alone" test -s err.txt -a ! -s out.txt
  [ "$status" -eq 0 ] && check "pmsetup $arguments: prints on stdout alone" test -s out.txt -a ! -s err.txt
done
check "a usage error writes nothing" test ! -e u
# A command that is missing or unknown is named as such, with the list of
# those there are.
commands="pack, list, verify, install, lzh, init"
command_rows=(  # PMSETUP ARGUMENTS|MESSAGE
  "frobnicate --out x|pmsetup: unknown command 'frobnicate'; the commands are: $commands"
  "|pmsetup: a command is needed; the commands are: $commands"
  "lzh frob|pmsetup lzh: unknown command 'frob'; the commands are: encode, decode"
  "lzh|pmsetup lzh: a command is needed; the commands are: encode, decode"
)
for row in "${command_rows[@]}"; do
  IFS='|' read -r arguments message <<< "$row"
  "$pmsetup" $arguments > /dev/null 2> err.txt
  check "pmsetup $arguments: exits 2" test $? -eq 2
  check "pmsetup $arguments: says so in one line" test "$(cat err.txt)" = "$message"
done
# The note on manifests ends the helps it concerns only, and every usage
# line names pmsetup, not the path it was started by.
for row in "--help|1" "pack --help|1" "list --help|0" "lzh --help|0" "lzh encode --help|0" "install --help|0"; do
  IFS='|' read -r arguments noted <<< "$row"
  "$pmsetup" $arguments > out.txt
  check "$arguments: the note on manifests $noted time(s)" test "$(grep -c 'The manifest keys' out.txt)" -eq "$noted"
  check "$arguments: the usage line names pmsetup" grep -q '^Usage: pmsetup ' out.txt
done

# init: a manifest for the files at the top of a folder, the first .EXE
# as the main program, the defaults of what it leaves out commented out.
mkdir -p made/docs made/empty made/.cache && cp src/MAIN.EXE made/APP.EXE && cp src/MAIN.EXE made/b.exe
cp src/README.TXT made/ && seq 1 10 > made/docs/a.txt && : > made/.cache/x
"$pmsetup" init made > out.txt 2> err.txt
check "init exits 0" test $? -eq 0 -a ! -s err.txt
check "init says what to run next" grep -qxF "  pmsetup pack made/pagemix.toml --out OUT" out.txt
for line in 'Title = "made"' "DefaultDir = 'C:\\made'" 'main = "APP.EXE"' '# Other programs here, packed as other files: b.exe' \
            '  "README.TXT",' '  "b.exe",' '  { source = "docs", name = "docs" },' '  # .cache: hidden here, so left out' \
            '  # empty: it holds no file, and pack refuses a folder that gives none'; do
  check "init writes: $line" grep -qxF -- "$line" made/pagemix.toml
done
# DefaultDir is a name Windows takes in the default code page.
for row in 'a:b?|a_b_' 'CON.txt|_CON.txt' 'dots. .|dots' '中 x|_ x'; do
  IFS='|' read -r folder proposed <<< "$row"
  mkdir -p "names/$folder" && cp src/MAIN.EXE "names/$folder/" && "$pmsetup" init "names/$folder" > /dev/null
  check "init in '$folder' proposes C:\\$proposed" grep -qxF "DefaultDir = 'C:\\$proposed'" "names/$folder/pagemix.toml"
done
# Every default it writes out is pack's: uncommented, the package is the same.
mkdir plain && cp src/MAIN.EXE src/README.TXT plain/ && "$pmsetup" init plain > /dev/null
sed 's/^#\([A-Za-z[]\)/\1/' plain/pagemix.toml > plain/defaults.toml
check "init comments out the code page, the colours and 15 texts" test "$(grep -c '^#[A-Za-z[]' plain/pagemix.toml)" -eq 20
"$pmsetup" pack plain/pagemix.toml --out plain-written --stub stub.exe > /dev/null
"$pmsetup" pack plain/defaults.toml --out plain-defaults --stub stub.exe > /dev/null
check "init's commented values are pack's defaults" diff -r plain-written plain-defaults
mkdir no-program && cp src/README.TXT no-program/
cp made/pagemix.toml made.toml
init_refusals=(  # FOLDER|MESSAGE
  "made|pmsetup: made/pagemix.toml already exists; remove it or pick another folder"
  "no-program|pmsetup: no-program holds no .EXE file at its top to be the package's main program; put the program there"
)
for row in "${init_refusals[@]}"; do
  IFS='|' read -r folder message <<< "$row"
  "$pmsetup" init "$folder" > out.txt 2> err.txt
  check "init $folder: exits 1" test $? -eq 1
  check "init $folder: says why" grep -qF "$message" err.txt
done
check "a refused init leaves the manifest there as it was" cmp -s made.toml made/pagemix.toml
check "a refused init writes nothing" test -z "$(ls no-program | grep -v README.TXT)"

# A signal stops pack and lzh: one line, the signal's exit code, and
# nothing left of the work.  (env resets SIGINT, which a shell ignores in
# its background jobs.)
head -c 30000000 /dev/urandom > slow/BIG.BIN
printf '[texts]\nTitle = "Big"\nDefaultDir = "C:"\n[files]\nmain = "BIG.BIN"\n' > slow/big.toml
wait_for_partial() {  # wait_for_partial FOLDER: until a temporary appears there (at most 5 seconds)
  for _ in $(seq 50); do [ -n "$(find "$1" -name '*.partial' 2> /dev/null)" ] && return 0; sleep 0.1; done
  return 1
}
for row in "INT 130 SIGINT" "TERM 143 SIGTERM" "HUP 129 SIGHUP"; do
  read -r signal code name <<< "$row"
  env --default-signal=INT "$pmsetup" pack slow/big.toml --out "stopped/$signal/deep" --disk-size 1000000 \
    --layout disks --stub stub.exe > /dev/null 2> err.txt &
  pid=$!
  wait_for_partial "stopped/$signal"
  kill -s "$signal" "$pid"
  wait "$pid"
  check "pack stopped by $name exits $code" test $? -eq "$code"
  check "pack stopped by $name says so in one line" \
    test "$(cat err.txt)" = "pmsetup: interrupted by $name; nothing was written"
  check "pack stopped by $name leaves nothing" test ! -e "stopped/$signal"
done
mkdir stopped-lzh
"$pmsetup" lzh encode slow/BIG.BIN stopped-lzh/big.lzh 2> err.txt &
pid=$!
wait_for_partial stopped-lzh
kill -s TERM "$pid"
wait "$pid"
check "lzh encode stopped by SIGTERM exits 143" test $? -eq 143
check "lzh encode stopped leaves nothing" test -z "$(ls stopped-lzh)"
# A second signal ends pack and lzh at once, without the line of a clean
# stop: both come while pmsetup is stopped, before it can act on the first.
for command in "pack slow/big.toml --out twice/deep --stub stub.exe" "lzh encode slow/BIG.BIN twice/big.lzh"; do
  mkdir twice
  "$pmsetup" $command > /dev/null 2> err.txt &
  pid=$!
  wait_for_partial twice && kill -STOP "$pid"
  for _ in $(seq 100); do grep -q '^State:.*stopped' "/proc/$pid/status" && break; sleep 0.05; done
  kill -TERM "$pid" && kill -HUP "$pid" && kill -CONT "$pid"
  wait "$pid"
  check "${command%% *} ends at once on a second signal" test $? -gt 128 -a ! -s err.txt
  rm -rf twice
done

# A source that changes while pack reads it fails the pack, named.
for change in truncated grown rewritten; do
  cp slow/BIG.BIN slow/CHANGING.BIN
  printf '[texts]\nTitle = "C"\nDefaultDir = "C:"\n[files]\nmain = "CHANGING.BIN"\n' > slow/changing.toml
  "$pmsetup" pack slow/changing.toml --out "changing-$change" --stub stub.exe > /dev/null 2> err.txt &
  pid=$!
  wait_for_partial "changing-$change"
  case $change in
    truncated) truncate -s 1000000 slow/CHANGING.BIN ;;
    grown) head -c 1000 /dev/zero >> slow/CHANGING.BIN ;;
    rewritten) printf 'XXXX' | dd of=slow/CHANGING.BIN bs=1 seek=100 conv=notrunc status=none ;;
  esac
  wait "$pid"
  check "a source $change while it is read fails the pack" test $? -eq 1
  check "a source $change while it is read is named" grep -qF "slow/CHANGING.BIN changed while it was read" err.txt
  check "a source $change while it is read leaves nothing" test ! -e "changing-$change"
done

finish
