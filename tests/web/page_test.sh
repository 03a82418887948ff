#!/usr/bin/env bash
# The browser's package reader against pmsetup: packages packed here are
# opened in the page in headless Chromium (page_test.js), and what the
# page lists, hands out and finds damaged is checked against pmsetup list
# --json and the source files.
#   page_test.sh PMSETUP PAGE_DIR DEPENDENCIES CAPTURES
# DEPENDENCIES is the folder puppeteer-core is installed into (npm ci from
# this folder's package-lock.json), outside the source tree.
source "$(dirname "$0")/../cli/checks.sh"
here=$(cd "$(dirname "$0")" && pwd)
pmsetup=$(realpath "$1") page=$(realpath "$2")/index.html deps=$3 captures=$4

# npm ci only when the lock changed since the last install.
mkdir -p "$deps"
if ! cmp -s "$here/package-lock.json" "$deps/package-lock.json" || [ ! -d "$deps/node_modules/puppeteer-core" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$deps/"
  (cd "$deps" && npm ci --no-audit --no-fund --loglevel=error) || { echo "FAILED: npm ci in $deps"; exit 1; }
fi

cd "$work"
stand_in_installer 5000 > stub.exe

# Folders, dates, a name outside ASCII, and several disks.
mkdir -p src/help/sub
head -c 70000 /dev/urandom > src/MAIN.EXE
printf 'Read me.\r\n' > src/README.TXT
printf 'The manual.\r\n' > src/help/Manual.txt
printf 'Deep down.\r\n' > src/help/sub/Deep.txt
printf 'Caf\xc3\xa9 au lait.\r\n' > "src/café.txt"
touch -d '2001-02-03 04:05:06' src/MAIN.EXE
touch -d '1999-12-31 23:59:58' src/README.TXT src/help/Manual.txt
touch -d '2024-07-08 09:10:12' src/help/sub/Deep.txt "src/café.txt"
cat > src/package.toml <<'EOF'
[colours]
top = "#102040"
bottom = "#5070D0"
title = "#FFE060"
[texts]
Title = "Page Test"
DefaultDir = 'C:\Page Test'
GroupName = "Page Test"
FooterText = "Read in the browser"
[files]
main = "MAIN.EXE"
other = ["README.TXT", { source = "café.txt", name = "Café.txt" }, { source = "help", name = "Help" }]
EOF
"$pmsetup" pack src/package.toml --out flat --disk-size 30000 --stub stub.exe > /dev/null
"$pmsetup" list --json flat/SETUP.EXE > flat.json
check "the package spans three disks or more" test -f flat/DISK3.CMP

# The same with its second disk damaged.
cp -r flat damaged
printf '\x55' | dd of=damaged/DISK2.CMP bs=1 seek=100 conv=notrunc status=none

# Floppy images of two disks, and a CD image.
mkdir images-src
head -c 500000 /dev/urandom > images-src/BIG.BIN
printf 'On floppies.\r\n' > images-src/NOTE.TXT
printf '[texts]\nTitle = "Floppies"\nDefaultDir = "C:\\\\Floppies"\n[files]\nmain = "BIG.BIN"\nother = ["NOTE.TXT"]\n' \
  > images-src/package.toml
"$pmsetup" pack images-src/package.toml --out floppies --media 360K --layout images --stub stub.exe > /dev/null
"$pmsetup" list --json floppies/DISK1.IMG > floppies.json
check "the floppy package spans two images" test -f floppies/DISK2.IMG
"$pmsetup" pack images-src/package.toml --out cd --media cd650 --layout images --stub stub.exe > /dev/null
"$pmsetup" list --json cd/DISK1.ISO > cd.json

cat > cases.json <<EOF
[
  {"name": "flat", "choose": [$(printf '"%s",' "$work"/flat/* | sed 's/,$//')], "listing": "$work/flat.json",
   "sources": {"MAIN.EXE": "$work/src/MAIN.EXE", "README.TXT": "$work/src/README.TXT",
               "Café.txt": "$work/src/café.txt", "Help\\\\Manual.txt": "$work/src/help/Manual.txt",
               "Help\\\\sub\\\\Deep.txt": "$work/src/help/sub/Deep.txt"},
   "capture": "page.png"},
  {"name": "damaged", "choose": [$(printf '"%s",' "$work"/damaged/* | sed 's/,$//')], "listing": "$work/flat.json",
   "damaged": "DISK2.CMP", "capture": "damaged.png"},
  {"name": "missing", "choose": ["$work/flat/SETUP.EXE", "$work/flat/DISK1.CMP", "$work/flat/DISK2.CMP"],
   "listing": "$work/flat.json", "missing": "DISK3.CMP"},
  {"name": "floppies", "choose": ["$work/floppies/DISK1.IMG", "$work/floppies/DISK2.IMG"], "listing": "$work/floppies.json",
   "sources": {"BIG.BIN": "$work/images-src/BIG.BIN", "NOTE.TXT": "$work/images-src/NOTE.TXT"}},
  {"name": "cd", "choose": ["$work/cd/DISK1.ISO"], "listing": "$work/cd.json",
   "sources": {"BIG.BIN": "$work/images-src/BIG.BIN", "NOTE.TXT": "$work/images-src/NOTE.TXT"}}
]
EOF
[ "$failures" -eq 0 ] || { finish; exit 1; }
node "$here/page_test.js" "$deps" "${CHROMIUM:-/usr/bin/chromium}" "$page" cases.json "$captures"
