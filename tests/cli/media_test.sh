#!/usr/bin/env bash
# pmsetup pack --media: every preset's disks fit a fresh disk of that
# medium, and its images are sound, hold each disk's files and install.
#   media_test.sh PMSETUP
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1")
cd "$work"

{ printf MZ; head -c 4998 /dev/zero; } > stub.exe  # a stand-in for the installer, not a whole number of clusters
"$pmsetup" pack --help > help.txt

listed() {  # listed IMAGE: "NAME SIZE" of each file in a floppy or CD image
  case $1 in
    *.IMG) mdir -i "$1" :: | awk '$3 ~ /^[0-9]+$/ && $4 ~ /-/ {print $1 "." $2, $3}' ;;
    *.ISO) xorriso -no_rc -indev "$1" -find / -type f -exec report_lba -- 2> /dev/null |
             awk -F' *, *' '/^File data lba/ {gsub(/[\/'\'']/, "", $5); print $5, $4}' ;;
  esac | sort
}

# preset, and mformat's size for a floppy or the sectors of a CD
for entry in 360K:360 720K:720 1.2M:1200 1.44M:1440 2.88M:2880 cd650:333000 cd700:360000; do
  preset=${entry%%:*} size=${entry#*:}
  capacity=$(awk -v preset="$preset" '$1 == preset {gsub(/,/, "", $2); print $2}' help.txt)
  mkdir "$preset" && cd "$preset"
  # Random bytes do not compress: three floppies, or one CD.
  case $preset in cd*) payload=300000 ;; *) payload=$((capacity * 2)) ;; esac
  head -c "$payload" /dev/urandom > MAIN.EXE
  printf 'Read me.\r\n' > README.TXT
  printf '[texts]\nTitle = "Media"\nDefaultDir = "C:\\\\Media"\n[files]\nmain = "MAIN.EXE"\nother = ["README.TXT"]\n' > package.toml
  "$pmsetup" pack package.toml --out disks --media "$preset" --layout disks --stub ../stub.exe > /dev/null
  "$pmsetup" pack package.toml --out images --media "$preset" --layout images --stub ../stub.exe > /dev/null
  made=$?
  check "$preset: images are made" test "$made" -eq 0
  if [ "$made" -ne 0 ]; then cd .. && continue; fi
  "$pmsetup" pack package.toml --out again --media "$preset" --layout images --stub ../stub.exe > /dev/null
  check "$preset: the same inputs give the same images" diff -r images again
  disks=$(ls -d disks/DISK* | wc -l)
  case $preset in cd*) type=ISO ;; *) type=IMG ;; esac
  check "$preset: an image per disk and nothing else" \
    test "$(ls -A images)" = "$(for disk in $(seq 1 "$disks"); do echo "DISK$disk.$type"; done)"
  mkdir back
  for disk in $(seq 1 "$disks"); do
    folder=disks/DISK$disk
    image=images/DISK$disk.$type
    (cd "$folder" && stat -c '%n %s' *) | sort > expected.txt
    case $preset in
      cd*)
        xorriso -no_rc -md5 on -indev "$image" -check_media event=FAILURE -- > check.txt 2>&1
        check "$preset disk $disk: xorriso finds the image sound" grep -q "md5_match" check.txt
        # What the file system takes beyond whole sectors of files, in the
        # image made and in one a user makes of the folder.
        xorriso -no_rc -as mkisofs -J -R -V "DISK$disk" -o fresh.iso "$folder" 2> /dev/null
        files=$(ls "$folder"/* | xargs stat -c %s | awk '{n += int(($1 + 2047) / 2048) * 2048} END {print n}')
        for made in "$image" fresh.iso; do
          check "$preset disk $disk: room is left for $made's own sectors" \
            test $(($(stat -c %s "$made") - files)) -le $((size * 2048 - capacity))
        done
        xorriso -no_rc -osirrox on -indev "$image" -cpx '/*' back/ 2> /dev/null ;;
      *)
        check "$preset disk $disk: fsck.fat finds the image sound" fsck.fat -n "$image" > /dev/null
        check "$preset disk $disk: the image is labelled DISK$disk" \
          test "$(mlabel -i "$image" -s :: | awk '{print $NF}')" = "DISK$disk"
        mformat -C -i fresh.img -f "$size" -v "DISK$disk" ::
        check "$preset disk $disk: the folder fits a fresh floppy" mcopy -i fresh.img "$folder"/* ::/
        free=$(mdir -i fresh.img :: | awk '/bytes free/ {gsub(/[^0-9]/, ""); print}')
        if [ "$disk" -lt "$disks" ]; then check "$preset disk $disk: the disk is filled" test "$free" -eq 0; fi
        rm fresh.img
        mcopy -i "$image" '::*' back/ ;;
    esac
    check "$preset disk $disk: the image lists the disk's files and sizes" diff expected.txt <(listed "$image")
  done
  case $preset in cd*) expected_disks=1 ;; *) expected_disks=3 ;; esac
  check "$preset: $expected_disks disks" test "$disks" -eq "$expected_disks"
  # Every layout reads as the package, with nothing left of what was
  # copied out of the images.
  for package in back/SETUP.EXE disks/DISK1/SETUP.EXE "images/DISK1.$type"; do
    rm -rf installed tmp && mkdir tmp
    TMPDIR=$PWD/tmp "$pmsetup" list "$package" > /dev/null && TMPDIR=$PWD/tmp "$pmsetup" verify "$package" > /dev/null &&
      TMPDIR=$PWD/tmp "$pmsetup" install "$package" --dest "$PWD/installed" --yes > /dev/null
    check "$preset: $package lists, verifies and installs" test $? -eq 0
    check "$preset: $package installs the main program" cmp -s MAIN.EXE installed/MAIN.EXE
    check "$preset: $package installs the other file" cmp -s README.TXT installed/README.TXT
    check "$preset: $package leaves no copies behind" test -z "$(ls -A tmp)"
  done
  cd ..
done

# Images that cannot be made leave nothing behind.
mkdir -p blocked/DISK3.IMG
"$pmsetup" pack 360K/package.toml --out blocked --media 360K --layout images --stub stub.exe > /dev/null 2> err.txt
check "a folder in an image's place fails" grep -q "blocked/DISK3.IMG: a folder has that name" err.txt
check "and leaves nothing" test "$(cd blocked && find . | sort | tr '\n' ' ')" = ". ./DISK3.IMG "
PATH=/nowhere "$pmsetup" pack cd650/package.toml --out none --media cd650 --layout images --stub stub.exe 2> err.txt
check "a missing tool is named with its package" grep -q "xorriso is missing: install the Debian package xorriso" err.txt
check "before anything is written" test ! -e none

# A disk too small for SETUP.EXE.  (More disks than a package can count:
# pack_test.sh.)
{ cat stub.exe; head -c 400000 /dev/zero; } > large-stub.exe
"$pmsetup" pack 360K/package.toml --out small --media 360K --stub large-stub.exe > /dev/null 2> err.txt
check "a 360K disk cannot hold a large SETUP.EXE" grep -q "a 360K disk leaves no room beside SETUP.EXE" err.txt

finish
