#!/usr/bin/env bash
# Runs a command with DISPLAY set to a virtual X server of its own, started and stopped
# around it. Exits 77 (skipped) when Xvfb is missing or no display number is free.
# Usage: with_xvfb.sh COMMAND [ARGUMENT...]
set -u
command -v Xvfb >/dev/null || { echo "skipped: Xvfb is not installed"; exit 77; }
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null' EXIT
source "$(dirname "$0")/../support/xvfb.sh"
start_xvfb 191 240
# Leak checking stays with the tests that run without X: at exit SDL unloads the X
# libraries it opened, and what they keep is reported without names.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$@"
