# Shared by the whole-run comparisons: source it after setting $work (a scratch folder).

# Runs COMMAND... under GNU time with its stdout to /dev/null; sets seconds (wall clock)
# and peak_kib (maximum resident set). On failure prints the command's stderr.
measure() {
    local log="$work/time.log" start end
    start=$(date +%s%N)
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$work/stderr.log" || {
        cat "$work/stderr.log" >&2
        return 1
    }
    end=$(date +%s%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    peak_kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
}

# ratio A B: A as a percentage of B.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f%%", 100 * a / b }'; }
# per_second COUNT SECONDS
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
