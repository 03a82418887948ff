# Shared by the command-line tests: a scratch folder and a counter of
# passed and failed checks.  Source it, run checks, then call finish.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 passed=0

check() {  # check NAME COMMAND...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $name"; failures=$((failures + 1)); fi
}

shows_no_controls() {  # shows_no_controls FILE: UTF-8 without control characters (C0 but line breaks, DEL, C1)
  iconv -f UTF-8 -t UTF-8 < "$1" > /dev/null 2>&1 && ! tr -d '\n' < "$1" | LC_ALL=C grep -qaP '[\x00-\x1F\x7F]|\xC2[\x80-\x9F]'
}

thousands() {  # thousands N: N with a comma every three digits, as pmsetup writes byte counts
  sed -E ':a; s/([0-9])([0-9]{3})($|,)/\1,\2\3/; ta' <<< "$1"
}

stand_in_installer() {  # stand_in_installer SIZE: a Windows program of SIZE bytes of headers, no sections
  printf 'MZ'; head -c 58 /dev/zero; printf '\x40\0\0\0PE\0\0\x4c\x01\0\0'; head -c 12 /dev/zero
  printf '\xe0\0\x02\x01\x0b\x01'; head -c 58 /dev/zero
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x00' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)))"
  head -c $(($1 - 152)) /dev/zero
}

finish() {
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
}
