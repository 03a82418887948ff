#!/bin/bash
# Includes point down the layers only: platform, then common, then package
# and lzh, then extract, then ui and shell, then driver.  Folders on one
# layer stay apart, and the tools use only the portable layers.
# Usage: layers_test.sh SOURCE_ROOT
set -u
root=$1
declare -A layer=([platform]=0 [common]=1 [package]=2 [lzh]=2 [extract]=3 [ui]=4 [shell]=4 [driver]=5)
failures=0
while IFS= read -r line; do
  file=${line%%:*}
  target=${line#*#include \"}
  target=${target%%\"*}
  from=$(cut -d/ -f1 <<<"${file#"$root/"}")
  [[ $from == src ]] && from=$(cut -d/ -f2 <<<"${file#"$root/"}")
  to=${target%%/*}
  [[ -v layer[$to] ]] || continue  # a header of the same folder, or a library's
  if [[ $from == tools ]]; then
    (( layer[$to] <= layer[extract] )) && continue
  elif [[ $from == "$to" ]] || (( layer[$to] < layer[$from] )); then
    continue
  fi
  {
    echo "FAIL: $file includes $target, a layer it may not reach"
    failures=$((failures + 1))
  }
done < <(grep -rn '#include "' "$root/src" "$root/tools" --include='*.cpp' --include='*.hpp')
(( failures == 0 )) && echo "every include points down the layers"
exit $((failures > 0))
