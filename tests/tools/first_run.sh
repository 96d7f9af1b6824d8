#!/usr/bin/env bash
# The README's first command on a fresh clone: clones the checkout's last commit, runs
# `make run` in the clone under Xvfb (with the caller's compiler cache, so that only a
# cold cache makes it long), waits for the main window, closes it as a window manager
# does, and expects make to end with 0. Exits 77 (skipped) when the X tools are missing
# or the source is no git checkout.
# Usage: first_run.sh SOURCE_DIR WORK_FOLDER
set -u
src=${1:?source folder}
work=${2:?work folder}/first-run
for tool in git Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
commit=$(git -C "$src" rev-parse HEAD 2>/dev/null) || { echo "skipped: $src is no git checkout"; exit 77; }

rm -rf "$work"
mkdir -p "$work/home"
git clone -q "$src" "$work/clone" && git -C "$work/clone" checkout -q "$commit" ||
  { echo "FAIL: could not clone $src"; exit 1; }

source "$(dirname "$0")/../support/xvfb.sh"
xvfb_pid=""
make_pid=""
cleanup() {
  [ -n "$make_pid" ] && kill -- "-$make_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
start_xvfb 191 240

# The program keeps its settings under a home folder of its own; the compiler cache
# stays the caller's.
cache=${CCACHE_DIR:-$(ccache -k cache_dir 2>/dev/null)}
[ -n "$cache" ] && export CCACHE_DIR=$cache
started=$SECONDS
# In a session of its own, so that everything it started can be stopped together.
(cd "$work/clone" && HOME=$work/home exec setsid make run) >"$work/make.log" 2>&1 </dev/null &
make_pid=$!

fail() {
  echo "FAIL: $*"
  tail -40 "$work/make.log"
  exit 1
}
# The main window, not the small start-up window (350 x 90) that has the same title.
main_window() {
  local id
  id=$(named Drovik)
  [ -n "$id" ] && xdotool getwindowgeometry "$id" 2>/dev/null | grep -qE 'Geometry: [0-9]{4,}x|Geometry: [5-9][0-9]{2}x' &&
    echo "$id"
}
window=""
while [ -z "$window" ]; do
  kill -0 "$make_pid" 2>/dev/null || fail "make run ended before the main window appeared"
  window=$(main_window)
  sleep 1
done
[ "$(main_window)" = "$window" ] || fail "the main window went away"
echo "the main window appeared $((SECONDS - started)) s after make run started"

close_and_wait "$window" "$make_pid"
status=$?
[ "$status" -eq 124 ] && fail "closing the main window did not end make run"
make_pid=""
[ "$status" -eq 0 ] || fail "make run ended with status $status"
[ -x "$work/clone/build/bin/drovik-cli" ] && [ -x "$work/clone/build/bin/drovik-gallery" ] &&
  [ -e "$work/clone/build/bin/manual.htm" ] || fail "build/bin does not hold the programs and the manual"
# Tests and benchmarks are not what a first run waits for.
[ -z "$(find "$work/clone/build/release" -name 'test_*' -type f -perm -u+x)" ] ||
  fail "make run built the tests"
rm -rf "$work"
echo "make run on a fresh clone opened the main window"
