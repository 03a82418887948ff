#!/usr/bin/env bash
# The tools as others get them: installed into a prefix, as a .deb and as
# the Windows zip; each must work with the build trees out of reach.
#   distribution_test.sh NATIVE_BUILD WIN32_BUILD VERSION
source "$(dirname "$0")/checks.sh"
native=$(realpath "$1") win32=$2 version=$3
cd "$work"
export SOURCE_DATE_EPOCH=1796688000

# A small package to make and install with whatever tools are at hand.
mkdir src && head -c 20000 /dev/urandom > src/MAIN.EXE && seq 1 3000 > src/numbers.txt
printf '[texts]\nTitle = "T"\nDefaultDir = %s\n[files]\nmain = "MAIN.EXE"\nother = ["numbers.txt"]\n' \
  "'C:\\T'" > src/package.toml

# Runs a command with both build trees hidden under empty folders, where
# this machine lets a test make a mount namespace of its own; elsewhere as
# it is (then only the layout shows that the build trees were not used).
hidden_builds() {
  if unshare -m true 2> /dev/null; then
    unshare -m bash -c 'for tree in "$0" "$1"; do [ -d "$tree" ] && mount -t tmpfs none "$tree"; done; shift; "$@"' \
      "$native" "$win32" "$@"
  else
    "$@"
  fi
}

uses_its_files() {  # uses_its_files NAME PMSETUP STUB: pack and install with the installed files
  local name=$1 pmsetup=$2 stub=$3
  hidden_builds "$pmsetup" pack src/package.toml --out "$name-package" > /dev/null 2> err.txt
  check "$name: packs with its own stub" cmp -s <(head -c "$(stat -c %s "$stub")" "$name-package/SETUP.EXE") "$stub"
  hidden_builds "$pmsetup" install "$name-package/SETUP.EXE" --dest "$work/$name-installed" > /dev/null 2>> err.txt
  check "$name: installs" cmp -s src/numbers.txt "$name-installed/numbers.txt"
  hidden_builds "$pmsetup" --version > version.txt 2>> err.txt
  check "$name: --version names the version" grep -qx "pmsetup (Pagemix Setup) $version" version.txt
  check "$name: --version names the stub, its size and the version it carries" \
    grep -qxF "stub: $stub ($(thousands "$(stat -c %s "$stub")") bytes, Pagemix Setup $version)" version.txt
  [ -s err.txt ] && cat err.txt
}

# cmake --install: the layout, and the stub found from bin/ as ../share.
cmake --install "$native" --prefix "$work/prefix" > /dev/null
for file in bin/pmsetup share/pagemix-setup/SETUP.EXE share/man/man1/pmsetup.1.gz share/man/man5/pmsetup-manifest.5.gz \
            share/bash-completion/completions/pmsetup share/doc/pagemix-setup/README.md share/doc/pagemix-setup/LICENSE; do
  check "install puts $file in place" test -f "prefix/$file"
done
uses_its_files prefix prefix/bin/pmsetup "$work/prefix/share/pagemix-setup/SETUP.EXE"
for page in man5/pmsetup-manifest.5.gz man1/pmsetup.1.gz; do
  MANWIDTH=80 man --warnings -l "prefix/share/man/$page" > man.txt 2> man-warnings.txt
  check "$page renders without warnings" test ! -s man-warnings.txt
  check "$page fits in 80 columns" test "$(wc -L < man.txt)" -le 80
done
for sub in PACK LIST VERIFY LZH INSTALL INIT; do
  check "the manual page has pmsetup ${sub,,}" grep -q "^PMSETUP $sub" man.txt
done
# Every option --help names is on the page and completes, and no type word
# of the command-line library is shown for a value.
completion=prefix/share/bash-completion/completions/pmsetup
for command in "" pack list verify install lzh "lzh encode" "lzh decode" init; do
  prefix/bin/pmsetup $command --help > help.txt
  check "pmsetup $command --help names no type words" test -z "$(grep -wE 'TEXT|INT|UINT' help.txt)"
  for option in $(grep -oE '^  (-[a-z],)?--[a-z-]+' help.txt | sed 's/.*,//'); do
    check "pmsetup $command $option is on the manual page" grep -qF -- "$option" man.txt
    check "pmsetup $command $option completes" grep -qE -- "^    '$command'\\) .*options='([^']* )?$option( [^']*)?'" "$completion"
  done
done
# What the installed completion offers for the last word.
mkdir -p offered/folder && touch offered/package.toml offered/notes.txt
completes() {
  bash -c 'source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _pmsetup; printf "%s\n" "${COMPREPLY[@]}"' \
    "$completion" pmsetup "$@" | LC_ALL=C sort | tr '\n' ' '
}
completion_rows=(  # WORDS|OFFERED (sorted)
  "|init install list lzh pack verify "
  "pack --la|--layout "
  "pack x --layout |disks flat images "
  "pack --media 1.|1.2M 1.44M "
  "pack --out = offered/|offered/folder "
  "pack offered/|offered/folder offered/package.toml "
  "lzh |decode encode "
  "lzh decode --count 3 x --c|--count "
  "install --dest offered/folder offered/|offered/folder offered/notes.txt offered/package.toml "
)
for row in "${completion_rows[@]}"; do
  IFS='|' read -r words offered <<< "$row"
  read -ra words <<< "$words"
  [[ $row == *" |"* || $row == "|"* ]] && words+=("")
  check "pmsetup ${words[*]} completes to: $offered" test "$(completes "${words[@]}")" = "$offered"
done

mv prefix/share/pagemix-setup/SETUP.EXE elsewhere.exe
prefix/bin/pmsetup pack src/package.toml --out nothing > /dev/null 2> err.txt
check "no stub: pack fails" test $? -eq 1
check "no stub: the message names every place looked in" \
  grep -qF "looked for $work/prefix/bin/SETUP.EXE and $work/prefix/share/pagemix-setup/SETUP.EXE" err.txt

# The .deb: the same bytes from two builds, the files in their places,
# lintian without errors or warnings, and the tools working from it.
cpack --config "$native/CPackConfig.cmake" -G DEB -B deb1 > /dev/null
cpack --config "$native/CPackConfig.cmake" -G DEB -B deb2 > /dev/null
deb=$(echo deb1/*.deb)
check "the .deb is named for its version" test "$(basename "$deb")" = "pagemix-setup_${version}_amd64.deb"
check "the .deb is reproducible" cmp -s "$deb" deb2/"$(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $NF}' > listing.txt
for file in ./usr/bin/pmsetup ./usr/share/pagemix-setup/SETUP.EXE ./usr/share/man/man1/pmsetup.1.gz \
            ./usr/share/man/man5/pmsetup-manifest.5.gz ./usr/share/bash-completion/completions/pmsetup \
            ./usr/share/doc/pagemix-setup/copyright ./usr/share/doc/pagemix-setup/changelog.gz; do
  check "the .deb holds $file" grep -qxF "$file" listing.txt
done
check "the .deb's changelog is of this version" grep -qF "pagemix-setup ($version)" <(dpkg-deb --fsys-tarfile "$deb" |
  tar -xOf - ./usr/share/doc/pagemix-setup/changelog.gz | gzip -d)
check "the .deb depends on the libraries pmsetup links" grep -q 'libtomlplusplus3.*zlib1g' <(dpkg-deb -f "$deb" Depends)
check "the .deb recommends the disk image helpers" test "$(dpkg-deb -f "$deb" Recommends)" = "mtools, xorriso"
if command -v lintian > /dev/null; then
  lintian "$deb" > lintian.txt 2>&1
  check "lintian finds no error or warning" test "$(grep -c '^[EW]:' lintian.txt)" -eq 0
  grep '^[EW]:' lintian.txt
else
  echo "skipped: lintian (not installed)"
fi
dpkg-deb -x "$deb" root
uses_its_files deb root/usr/bin/pmsetup "$work/root/usr/share/pagemix-setup/SETUP.EXE"

# The Windows zip: pmsetup.exe and SETUP.EXE side by side, README and licence.
if [ -f "$win32/CPackConfig.cmake" ]; then
  cpack --config "$win32/CPackConfig.cmake" -G ZIP -B zip > /dev/null
  cmake -E tar tf zip/pagemix-setup-"$version"-windows.zip | sort > zip.txt
  check "the zip holds the tools, the stub, the README and the licence" diff - zip.txt <<LIST
pagemix-setup-$version-windows/LICENSE
pagemix-setup-$version-windows/README.md
pagemix-setup-$version-windows/SETUP.EXE
pagemix-setup-$version-windows/pmsetup.exe
LIST
else
  echo "skipped: the Windows zip (no win32 build)"
fi
finish
