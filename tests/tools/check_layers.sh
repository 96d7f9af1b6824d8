#!/usr/bin/env bash
# tools/check-layers passes on the tree, and fails on a copy of it where the GUI library
# includes the platform layer, where a flow of app includes the GUI, or where the build
# lets a module use one above it.
# Usage: check_layers.sh SOURCE_DIR WORK_FOLDER
set -u
src=${1:?source folder}
work=${2:?work folder}/check-layers
check=$src/tools/check-layers
status=0
fail() { echo "FAIL: $*"; status=1; }

"$check" "$src" || fail "the tree breaks its own layers"

copy() {
  rm -rf "$work"
  mkdir -p "$work"
  cp -r "$src/src" "$src/CMakeLists.txt" "$work/"
}
expect_refused() { # WHAT
  local out
  if out=$("$check" "$work"); then fail "$1 passed the check"; fi
  echo "$out" | grep -q "above it\|may not" || fail "$1: the check did not say why: $out"
}

copy
printf '#include "platform/clock.h"\n' >>"$work/src/gui/painter.cpp"
expect_refused "an include of platform in gui"
copy
printf '#include "gui/painter.h"\n' >>"$work/src/app/copy/copy_files_job.cpp"
expect_refused "an include of gui in the copy flow"
copy
sed -i 's/^drovik_module(vfs USES /drovik_module(vfs USES app /' "$work/CMakeLists.txt"
expect_refused "a module using one above it"

rm -rf "$work"
[ $status -eq 0 ] && echo "the layers hold, and breaking them is caught"
exit $status
