#!/usr/bin/env bash
# One package, one outcome: packages with hostile names go through
# pmsetup install and through the real SETUP.EXE under Wine, and both must
# end alike: the same files under the same names with the same bytes, or
# both failed, or both refused as damaged.
#
#   same_outcome.sh PMSETUP MAKE_PACKAGE BUILD WINDOWS_DIR WINEPREFIX ARTIFACTS
# (BUILD: win32 or win64, the Windows build in WINDOWS_DIR)
set -euo pipefail
pmsetup=$1 make_package=$2 build=$3 windows=$4 prefix=$5 artifacts=$6
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/packages" "$work/native" "$work/wine"
scenario=$work/scenario.txt
count=0 failures=0
expectations=()

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The data of entry k: a few lines that name it.
entry_data() { for _ in 1 2 3 4 5 6 7 8; do printf 'entry %d of the payload\n' "$1"; done; }

# same EXPECTATION MAIN [ENTRY...]: one package whose main program and
# further entries carry these names.  EXPECTATION is "refused", "failed",
# or the installed files as NAME=K (the data of entry K, 0 for the main
# program), separated by '/'.
same() {
  local expectation=$1; shift
  count=$((count + 1))
  local k=$count dir=$work/packages/$count offset=0 index=0 size name
  mkdir -p "$dir"
  if [ -n "${link_target:-}" ]; then
    mkdir -p "$work/native/$k" "$work/wine/$k"
    ln -s "$link_target" "$work/native/$k/GOOD.TXT" && ln -s "$link_target" "$work/wine/$k/GOOD.TXT"
  fi
  local options=(--stub "$windows/src/SETUP.EXE" --out "$dir/SETUP.EXE" --text GroupName= --text "RunPrompt=Installed %s"
                 --text TerminatedMessage=Terminated)
  : > "$work/payload"
  for name in "$@"; do
    entry_data "$index" > "$work/data"
    size=$(stat -c %s "$work/data")
    cat "$work/data" >> "$work/payload"
    options+=(--entry "$name:$offset:$size")
    offset=$((offset + size)) index=$((index + 1))
  done
  "$make_package" "${options[@]}" --total-size "$offset"
  "$pmsetup" lzh encode "$work/payload" "$dir/DISK1.CMP" 2> /dev/null
  expectations[$k]=$expectation

  # pmsetup install's outcome.
  local native_outcome=installed
  if ! "$pmsetup" install "$dir/SETUP.EXE" --yes --dest "$work/native/$k" > /dev/null 2> "$work/native-$k.err"; then
    if grep -q 'damaged package' "$work/native-$k.err"; then native_outcome=refused; else native_outcome=failed; fi
  fi
  echo "$native_outcome" > "$work/native-$k.outcome"

  # What the robot must see SETUP.EXE do.
  {
    echo "run $k\\SETUP.EXE"
    if [ "$expectation" = refused ]; then
      echo "window #32770 Setup"
      echo "has-text Unable to access setup data, SETUP.EXE may be corrupted."
      echo "press 1"
    else
      echo "window #32770 Setup"
      echo "type 104 $(windows_path "$work/wine/$k")"
      echo "press 1"
      echo "window #32770 Setup"
      if [ "$expectation" = failed ]; then
        echo "text 101 Terminated"
        echo "press 1"
      else
        echo "text 101 Installed $1"
        echo "press 2"
      fi
    fi
    echo "exit 0"
  } >> "$scenario"
}

# The files below a folder, with a digest of each; the main program left
# out where a failed run may or may not have kept it.
listing() {
  [ -d "$1" ] || return 0
  (cd "$1" && find . -type f ! -name "${2:-}" -printf '%P\n' | LC_ALL=C sort | while IFS= read -r f; do
    printf '%s %s\n' "$(md5sum < "$f" | cut -c1-32)" "$f"; done)
}

expected_listing() {
  local pair name
  IFS=/ read -r -a pairs <<< "$1"
  for pair in "${pairs[@]}"; do
    name=${pair%=*}
    printf '%s %s\n' "$(entry_data "${pair##*=}" | md5sum | cut -c1-32)" "$name"
  done | LC_ALL=C sort -k2
}

# Names that install under a name of their own.
same "MAIN.EXE=0/D.TXT=1/B.TXT=2/C.TXT=3" MAIN.EXE 'dir\sub\D.TXT' 'B.TXT.' 'C.TXT  '
same "MAIN.EXE=0/A.TXT=2" MAIN.EXE A.TXT a.txt
same "MAIN.EXE=0/$(printf '\xc3\x83\xc2\xa9').txt=1" MAIN.EXE "$(printf '\xc3\xa9').txt"
# Devices, reserved characters, control characters, a path too long.
for hostile in NUL COM1 AUX.txt CONOUT\$ 'x*.txt' 'q?.txt' 'a<b' 'a|b' 'a"b' $'bell\a' $'\e[2J' "$(printf 'n%.0s' {1..251}).TXT"; do
  same failed MAIN.EXE GOOD.TXT "$hostile"
done
# Main programs that Windows would rename or refuse.
for main in ... ' ' NUL 'MAIN.EXE.'; do
  same refused "$main" GOOD.TXT
done

# A link where GOOD.TXT goes: replaced, never written through, unless
# what it leads to could not be replaced.  (Read-only files are left to
# the unit tests: Wine run as root writes them.)
with_link() { link_target=$1; shift; same "$@"; link_target=; }
echo victim > "$work/victim"
with_link "$work/victim" "MAIN.EXE=0/GOOD.TXT=1" MAIN.EXE GOOD.TXT
with_link "$work/nowhere" "MAIN.EXE=0/GOOD.TXT=1" MAIN.EXE GOOD.TXT
with_link "$work/packages" failed MAIN.EXE GOOD.TXT

"$here/run-scenario" "$scenario" --tools "$(dirname "$make_package")" --pmsetup "$pmsetup" --build "$build" --windows "$windows" \
  --prefix "$prefix" --artifacts "$artifacts" --package "$work/packages" || { echo "FAIL SETUP.EXE under Wine"; failures=$((failures + 1)); }

for k in $(seq 1 "$count"); do
  expectation=${expectations[$k]}
  native=$(cat "$work/native-$k.outcome")
  case $expectation in
    refused|failed)
      ok=yes
      [ "$native" = "$expectation" ] || ok=no
      # Both keep what they carved before the failure; pmsetup removes a
      # partly written main program, SETUP.EXE keeps it.
      [ "$(listing "$work/native/$k" MAIN.EXE)" = "$(listing "$work/wine/$k" MAIN.EXE)" ] || ok=no ;;
    *)
      ok=yes
      [ "$native" = installed ] || ok=no
      [ "$(listing "$work/native/$k")" = "$(expected_listing "$expectation")" ] || ok=no
      [ "$(listing "$work/wine/$k")" = "$(expected_listing "$expectation")" ] || ok=no ;;
  esac
  if [ $ok = yes ]; then
    echo "ok   case $k: $expectation"
  else
    failures=$((failures + 1))
    echo "FAIL case $k: expected $expectation; pmsetup: $native"
    sed 's/^/  pmsetup: /' "$work/native-$k.err"
    echo "  pmsetup wrote:"; listing "$work/native/$k" | sed 's/^/    /'
    echo "  SETUP.EXE wrote:"; listing "$work/wine/$k" | sed 's/^/    /'
  fi
done
[ "$(cat "$work/victim")" = victim ] || { echo "FAIL a link was written through"; failures=$((failures + 1)); }
echo "$((count - failures)) passed, $failures failed"
[ "$failures" = 0 ]
