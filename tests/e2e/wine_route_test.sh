#!/usr/bin/env bash
# The route to the Wine tests: which builds scripts/wine-route names when
# forced, and the check that a Wine test runs programs of its own build.
#   wine_route_test.sh WIN32_DIR
source "$(dirname "$0")/../cli/checks.sh"
scripts=$(realpath "$(dirname "$0")/../../scripts")
source "$scripts/wine-env"
setup_32=$1/src/SETUP.EXE

route() { PAGEMIX_WINE_ROUTE=$1 "$scripts/wine-route" 2> "$work/err"; }
# The builds line, read whole: a reader that stops early (head, grep -q)
# would end the script with SIGPIPE when it is slow to write its second line.
builds() { route "$1" | sed -n 1p; }
check "win64 forces the 64-bit build alone" test "$(builds win64)" = win64
check "both always includes the 64-bit build" grep -qw win64 <<< "$(builds both)"
uses_32bit_build() { grep -qw win32 <<< "$(builds "$1")"; }
check "both and auto agree on the 32-bit build" test "$(uses_32bit_build both; echo $?)" = "$(uses_32bit_build auto; echo $?)"
# Wine's own 32-bit loader, where it is installed, is a second witness.
if [ -x /usr/lib/wine/wine ]; then
  wine32_runs=$(/usr/lib/wine/wine --version > /dev/null 2>&1; echo $?)
  check "auto takes the 32-bit build exactly where 32-bit Wine runs" test "$wine32_runs" = "$(uses_32bit_build auto; echo $?)"
else
  echo "skipped: the second witness of the probe (32-bit Wine is not installed)"
fi
route win32 > /dev/null
check "an unknown route is refused" test $? = 2
check "and the refusal names the choices" grep -q "use auto, win64 or both" "$work/err"

check "the 32-bit SETUP.EXE is an i386 program" test "$(pe_machine "$setup_32")" = i386
head -c 100 "$setup_32" > "$work/cut.exe"
check "a program cut short is of no known machine" test "$(pe_machine "$work/cut.exe")" = unknown
check "a text is of no known machine" test "$(pe_machine "$0")" = unknown
check "the 32-bit SETUP.EXE passes for the 32-bit build" expect_build win32 "$setup_32" > /dev/null
! expect_build win64 "$setup_32" > /dev/null 2> "$work/err"
check "the 32-bit SETUP.EXE fails the 64-bit build" test $? = 0
check "and the failure names both machines" grep -q "built for i386, not for the win64 build (x86-64)" "$work/err"
finish
