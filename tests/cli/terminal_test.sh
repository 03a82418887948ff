#!/usr/bin/env bash
# pmsetup install at a terminal, as a person meets it: a tmux pane of 80
# or 40 columns, keys typed at each question, the screen read back.
#   terminal_test.sh PMSETUP CAPTURES
# The screens land in CAPTURES, one file per case.
source "$(dirname "$0")/checks.sh"
pmsetup=$(realpath "$1")
captures=$(mkdir -p "$2" && realpath "$2")
cd "$work"
tm() { tmux -S "$work/tmux" "$@"; }  # this run's own server; the trap ends it and pmsetup, or a guard in run() on kill -9
end_panes() { for pane in $(tm list-panes -a -F '#{pane_pid}'); do kill -KILL -- "-$pane"; done; tm kill-server; } 2> /dev/null
trap 'end_panes; rm -rf "$work"' EXIT && trap 'exit 130' INT && trap 'exit 143' TERM

mkdir src
{ printf MZ; head -c 4998 /dev/zero; } > stub.exe
head -c 600000 /dev/urandom > src/MAIN.EXE
seq 1 300000 > src/numbers.txt
cat > src/package.toml <<'TOML'
[texts]
Title = "Terminal test"
DefaultDir = 'C:\a\..\..\Terminal Test'
ProgressCaption = "Installing the terminal test"
TerminatedMessage = "Nothing was installed."
[files]
main = "MAIN.EXE"
other = ["numbers.txt"]
TOML
"$pmsetup" pack src/package.toml --out disks --layout disks --disk-size 400000 --stub stub.exe > /dev/null
mkdir all && cp disks/*/* all/
# Four disks whose last three take a second or so to install: time to
# press Ctrl-C while the bar shows.
mkdir big && head -c 40000000 /dev/urandom > big/MAIN.EXE
sed 's/^other = .*/other = []/' src/package.toml > big/package.toml
"$pmsetup" pack big/package.toml --out bigdisks --layout disks --disk-size 11000000 --stub stub.exe > /dev/null

# run COLUMNS ARGUMENTS [DISKS]: pmsetup install in a fresh pane; the
# shell around it survives Ctrl-C to print the exit code.  one/ holds the
# first of DISKS (default: the small package's), the others wait in feed/.
run() {
  end_panes
  rm -rf drive one feed && cp -rl "${3:-disks}" feed && mkdir one && mv feed/DISK1/* one/
  tm new-session -d -x "$1" -y 50 -c "$work" "sh -c 'trap : INT; (while kill -0 $$; do sleep 1; done
    rm -rf \"$work\"; kill -KILL 0) 2> /dev/null & HOME=home \"$pmsetup\" install $2 --drive-root drive; echo exit=\$?; wait'"
}
screen() { tm capture-pane -p -J | sed -e 's/ *$//' -e '/^$/d'; }
rows() { tm capture-pane -p | sed -e 's/ *$//' -e '/^$/d'; }  # as wrapped
# shows N TEXT: waits until TEXT is on N lines of the screen, 10 s at most.
shows() {
  local tries
  for tries in $(seq 100); do
    [ "$(screen | grep -cF -- "$2")" -ge "$1" ] && return 0
    sleep 0.1
  done
  echo "timed out waiting for '$2'; the screen:"; screen
  return 1
}
keys() { tm send-keys "$@"; }
not() { ! "$@"; }
ended() {  # ended CASE STATUS: the run ended with STATUS; its screen is kept, ended or not
  shows 1 "exit="; screen > "$captures/$1.txt" && rows > "$captures/$1.rows.txt"
  check "$1: exits $2" grep -qx "exit=$2" "$captures/$1.txt"
  [ "$2" = 1 ] && check "$1: ends as every cancel" test "$(grep -B2 -x exit=1 "$captures/$1.txt")" = "$cancelled"
}

destination='[drive/Terminal Test]'
cancel='Do you really want to cancel the installation?'
nothing_changed='nothing was installed or changed'
into="Installing into $work/drive/Terminal Test"
cancelled=$(printf '%s\n' "Nothing was installed." "pmsetup: the installation was cancelled; $nothing_changed" exit=1)

# Enter at each question takes its default: the proposal, which ".." does
# not lead out of the drive root, and each disk once it is there.  The
# bar shows once the run has gone on for a second: from the third disk on.
insert_disks() {  # at each disk prompt, puts the disk into one/ and answers
  for disk in 2 3 4; do
    shows 1 "Please insert disk $disk." && sleep "${1:-0}" && mv "feed/DISK$disk"/* one/ && keys Enter
  done
}
run 80 one/SETUP.EXE
shows 1 "$destination" && keys Enter
shows 1 "(pmsetup looks for DISK2.CMP in $work/one.)"
insert_disks 0.6
ended enter 0
check "enter: says where, before anything" grep -qxF "$into" <(grep -m1 -B1 "Please insert" "$captures/enter.txt")
check "enter: installed into the proposal" cmp -s src/numbers.txt "drive/Terminal Test/numbers.txt"
check "enter: '..' in DefaultDir stops at the drive root" test "$(ls drive)" = "Terminal Test"
check "enter: the bar is left above the question, with its caption and figures" \
  grep -qE '^Installing the terminal test \[#+\.*\] +[0-9]+%  [0-9.]+ of 2\.6 MB  [0-9.]+ [kM]B/s$' \
  <(grep -B1 -x "Please insert disk 4." "$captures/enter.txt")
run 80 "all/SETUP.EXE --yes"
ended yes 0
check "--yes: says where, first" test "$(grep -m1 Install "$captures/yes.txt")" = "$into"
run 80 all/SETUP.EXE  # refused in a sentence, then asked again: arrow keys, Ctrl-L, "~name" naming no user
shows 1 "$destination" && keys mydir Left C-l Enter
shows 2 "$destination" && keys '~nobody-here/x' Enter
shows 3 "$destination" && keys '~/x' Enter
ended tilde 0
check "tilde: refusals" test "$(grep -c -e '^An answer cannot hold' -e ': no user is named' "$captures/tilde.txt")" -eq 2
check "tilde: into the home folder" grep -qxF "Installing into $work/home/x" "$captures/tilde.txt"
check "tilde: no folder has a control character" test -z "$(find "$work" -name '*[[:cntrl:]]*')"

# Ctrl-C asks; Enter (No) goes back to the question; Ctrl-D cancels.
run 80 all/SETUP.EXE
shows 1 "$destination" && keys C-c
shows 1 "$cancel" && keys Enter
shows 2 "$destination" && keys C-d
ended ctrl-d 1
check "ctrl-d: the cancel question shows its default" grep -qxF '[y/N]' "$captures/ctrl-d.txt"
check "ctrl-d: nothing created" test ! -e drive

# At Ctrl-C's question, Ctrl-C cancels, and so does Ctrl-D, alike;
# SIGTERM at a question cancels at once, and a Ctrl-C on its heels changes
# nothing (both wait while pmsetup is stopped; SIGTERM's handler runs first).
for row in "ctrl-c-twice|C-c|1|the installation was cancelled" "ctrl-c-ctrl-d|C-d|1|the installation was cancelled" \
           "sigterm||143|interrupted by SIGTERM" "sigterm-ctrl-c|C-c|143|interrupted by SIGTERM"; do
  IFS='|' read -r name key status says <<< "$row"
  run 80 all/SETUP.EXE
  if [[ $name != sigterm* ]]; then
    shows 1 "$destination" && keys C-c
    shows 1 "$cancel" && keys "$key"
  else
    shows 1 "$destination" && pid=$(pgrep -x pmsetup -P "$(tm display-message -p '#{pane_pid}')")
    [ -n "$key" ] && kill -STOP "$pid" &&
      for _ in $(seq 100); do grep -q '^State:.*stopped' "/proc/$pid/status" && break; sleep 0.05; done
    kill -TERM "$pid" && [ -n "$key" ] && keys "$key" && shows 1 '^C'
    kill -CONT "$pid"
  fi
  ended "$name" "$status"
  check "$name: one line says so" grep -qE "^pmsetup: $says.*; $nothing_changed$" "$captures/$name.txt"
done

# At the disk prompt: an unknown answer gets a hint; Ctrl-C asks, and n
# goes back; Ctrl-C then y cancels, leaving no folder behind.
run 80 one/SETUP.EXE
shows 1 "$destination" && keys Enter
shows 1 "Please insert disk 2." && keys maybe Enter
shows 1 "Please answer y (yes) or n (no); Enter means yes." && keys C-c
shows 1 "$cancel" && keys n Enter
shows 2 "Please insert disk 2." && keys C-c
shows 2 "$cancel" && keys YES Enter
ended disk-prompt 1
check "disk prompt: the prompt names the file and the folder" \
  test "$(grep -A2 -x 'Please insert disk 2.' "$captures/disk-prompt.txt" | head -3 | paste -sd'|')" = \
  "Please insert disk 2.|(pmsetup looks for DISK2.CMP in $work/one.)|[Y/n] maybe"
check "disk prompt: the destination made for the run is gone" test ! -e drive
# A Ctrl-C answered No is over: n at a later disk prompt cancels as itself.
run 80 one/SETUP.EXE
shows 1 "$destination" && keys C-c
shows 1 "$cancel" && keys n Enter
shows 2 "$destination" && keys Enter
shows 1 "Please insert disk 2." && keys n Enter
ended disk-prompt-n 1
run 80 one/SETUP.EXE  # the wrong-disk message takes Enter alone: Ctrl-D there cancels
shows 1 "$destination" && keys Enter && shows 1 "Please insert disk 2." && keys Enter
shows 1 "That is not the right disk." && keys C-d
ended wrong-disk 1

# Ctrl-C during the extraction: the bar's line ends, the question asks,
# Enter goes on to the end; Ctrl-C at the question cancels.  Narrowed first, tmux rewraps the bar: all must go.
for row in "enter:Enter:0:80" "ctrl-c:C-c:1:40"; do
  IFS=: read -r name key status columns <<< "$row"
  run 80 "one/SETUP.EXE --dest '$work/big-in'" bigdisks
  shows 1 "Please insert disk 2." && sleep 1.1
  bars=$(screen | grep -c '^Installing the terminal test \[')  # one above the prompt, on a slow machine
  mv feed/DISK*/* one/ && keys Enter
  shows $((bars + 1)) "Installing the terminal test [" && pid=$(pgrep -x pmsetup -P "$(tm display-message -p '#{pane_pid}')")
  kill -STOP "$pid" && sleep 0.2 && tm resize-window -x "$columns" && kill -CONT "$pid" && keys C-c
  shows 1 "$cancel" && keys "$key"
  ended "extraction-$name" "$status"
  check "extraction, $name: the question is below the bar" \
    grep -qE '^(Installing the terminal test )?\[#*\.*\] +[0-9]+%' <(grep -B1 -x "$cancel" "$captures/extraction-$name.txt")
  check "extraction, $name: the echoed ^C did not wrap the bar" not grep -q '\^$' "$captures/extraction-$name.rows.txt"
  # Counted below the disk prompt: a bar left above it may have scrolled
  # away as the narrower terminal rewrapped the lines.
  check "extraction, $name: no bar left too wide" \
    test "$(sed -n '/^\[Y\/n\]/,$p' "$captures/extraction-$name.txt" | grep -c '^Installing the')" -eq $((columns / 80))
done
check "extraction, Enter: installed whole" cmp -s big/MAIN.EXE big-in/MAIN.EXE
rm -rf big-in

# 40 columns: every bar fits, keeping its percentage but dropping what
# does not fit, and is followed by the question it was left for.
run 40 one/SETUP.EXE
shows 1 "$destination" && keys Enter
insert_disks 0.6
ended narrow 0
bars=$(grep -A1 '^\[#*\.*\] *[0-9]*%' "$captures/narrow.txt")
check "narrow: a bar above the last disk prompt" grep -qx 'Please insert disk 4.' <<< "$bars"
check "narrow: the bars fit, the last column free" test "$(grep '%' <<< "$bars" | awk 'length > 39' | wc -l)" -eq 0
check "narrow: each bar is left for a question" test "$(grep -c '%' <<< "$bars")" -eq "$(grep -c 'Please insert' <<< "$bars")"
finish
