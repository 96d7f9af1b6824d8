#!/usr/bin/env bash
# tools/bootstrap while another package manager holds dpkg's lock: it waits for the lock
# (saying so) and only then runs apt-get, which it also tells to wait; when the lock stays
# held past the limit it gives up with a message, without running apt-get.
# dpkg-query and apt-get are stand-ins that record their calls; the lock lives in a
# private dpkg folder (DPKG_ADMINDIR) and is held with fcntl, as dpkg holds it.
# Usage: bootstrap_lock.sh SOURCE_DIR WORK_FOLDER
set -u
src=${1:?source folder}
work=${2:?work folder}/bootstrap-lock
command -v python3 >/dev/null || { echo "skipped: python3 is not installed"; exit 77; }
rm -rf "$work"
mkdir -p "$work/bin" "$work/dpkg"
: >"$work/dpkg/lock-frontend"

# Nothing is installed, so bootstrap has something to do.
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
# apt-get notes whether the lock was still held when it ran.
cat >"$work/bin/apt-get" <<'STAND_IN'
#!/bin/sh
state=free
[ -e "$WORK/holding" ] && state=held
echo "$state $*" >>"$WORK/apt.log"
STAND_IN
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

hold() { # SECONDS: holds the lock that long, with $work/holding present meanwhile
  python3 - "$work/dpkg/lock-frontend" "$work/holding" "$1" <<'PY' &
import fcntl, os, sys, time
lock = open(sys.argv[1], "w")
fcntl.lockf(lock, fcntl.LOCK_EX)
open(sys.argv[2], "w").close()
time.sleep(float(sys.argv[3]))
os.remove(sys.argv[2])
PY
  holder=$!
  for _ in $(seq 50); do [ -e "$work/holding" ] && return 0; sleep 0.1; done
  echo "FAIL: the stand-in package manager did not take the lock"
  exit 1
}
run() { # LOCK_WAIT
  PATH=$work/bin:$PATH WORK=$work DPKG_ADMINDIR=$work/dpkg DROVIK_LOCK_WAIT=$1 \
    "$src/tools/bootstrap" >"$work/out" 2>"$work/err"
}
status=0
fail() { echo "FAIL: $*"; cat "$work/err"; status=1; }

hold 3
run 30 || fail "bootstrap failed although the lock was released in time"
wait
grep -q "waiting" "$work/err" || fail "bootstrap did not say it waits for the lock"
grep -q "^held" "$work/apt.log" && fail "apt-get ran while the lock was held"
grep -q "^free .*update" "$work/apt.log" || fail "apt-get update did not run after the wait"
grep -q "^free .*install" "$work/apt.log" || fail "apt-get install did not run after the wait"
grep -q "DPkg::Lock::Timeout=30" "$work/apt.log" || fail "apt-get was not told to wait for the lock"

rm -f "$work/apt.log"
hold 60
if run 1; then fail "bootstrap succeeded although the lock stayed held"; fi
kill "$holder"
wait
grep -q "still locked" "$work/err" || fail "bootstrap did not say why it gave up"
[ -e "$work/apt.log" ] && fail "apt-get ran although the lock stayed held"

[ $status -eq 0 ] && echo "bootstrap waits for a held lock and gives up after its limit"
exit $status
