#pragma once
// The arithmetic behind a progress view, shared by the progress forms and the terminal:
// which reports to show (at most one per 500 ms, never a NaN), the bar position on a
// 0..1000 scale, the elapsed time and the estimated time left.

#include <cstdint>
#include <optional>

struct cProgressReading {
    int barPosition;         // integer part of percent × 10, within 0..1000
    double shownPercent;     // barPosition / 10, as the status line prints it
    std::uint64_t elapsedMs; // since the start or the last stage change
    // elapsed ÷ percent × (100 − percent); nothing while no progress has been made,
    // where the estimate would be infinite.
    std::optional<std::uint64_t> remainingMs;
};

// A duration split for "%02d:%02d:%02d"; hours are total hours, not wrapped at 24.
struct cClockTime {
    std::uint64_t hours;
    int minutes;
    int seconds;
};
cClockTime SplitMilliseconds(std::uint64_t milliseconds);

class cProgressMeter {
public:
    static constexpr std::uint64_t kMinUpdateIntervalMs = 500;

    explicit cProgressMeter(std::uint64_t nowMs) : startMs_(nowMs) {}

    // A new stage: its time counts from now.
    void Restart(std::uint64_t nowMs) { startMs_ = nowMs; }

    // The reading to show for a report, or nothing when the report is to be dropped: a
    // NaN, or less than kMinUpdateIntervalMs after the last accepted report.
    std::optional<cProgressReading> Accept(double percent, std::uint64_t nowMs);

private:
    std::uint64_t startMs_;
    std::optional<std::uint64_t> lastAcceptedMs_;
};
