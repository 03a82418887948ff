#!/bin/bash
# Includes point down the layers only: platform, then common, then package
# and lzh, then extract, then ui and shell, then driver.  Folders on one
# layer stay apart, and the tools use only the portable layers.  Inside
# tools/pmsetup the same holds for its own folders: terminal, then io,
# then reading, then packing and installing, then commands.
# Usage: layers_test.sh SOURCE_ROOT
set -u
root=$1
declare -A layer=([platform]=0 [common]=1 [package]=2 [lzh]=2 [extract]=3 [ui]=4 [shell]=4 [driver]=5)
declare -A tool_layer=([terminal]=0 [io]=1 [reading]=2 [packing]=3 [installing]=3 [commands]=4)
failures=0
fail() {
  echo "FAIL: $1 includes $2, a layer it may not reach"
  failures=$((failures + 1))
}
while IFS= read -r line; do
  file=${line%%:*}
  target=${line#*#include \"}
  target=${target%%\"*}
  path=${file#"$root/"}
  from=$(cut -d/ -f1 <<<"$path")
  [[ $from == src ]] && from=$(cut -d/ -f2 <<<"$path")
  to=${target%%/*}
  if [[ $from == tools && -v tool_layer[$to] ]]; then
    tool=$(cut -d/ -f3 <<<"$path")
    [[ -v tool_layer[$tool] ]] || { fail "$file" "$target"; continue; }
    [[ $tool == "$to" ]] || (( tool_layer[$to] < tool_layer[$tool] )) || fail "$file" "$target"
    continue
  fi
  [[ -v layer[$to] ]] || continue  # a header of the same folder, or a library's
  if [[ $from == tools ]]; then
    (( layer[$to] <= layer[extract] )) && continue
  elif [[ $from == "$to" ]] || (( layer[$to] < layer[$from] )); then
    continue
  fi
  fail "$file" "$target"
done < <(grep -rn '#include "' "$root/src" "$root/tools" --include='*.cpp' --include='*.hpp')
(( failures == 0 )) && echo "every include points down the layers"
exit $((failures > 0))
