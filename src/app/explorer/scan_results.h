#pragma once
// The scan results the window keeps for the opened partition: each has its number (shown
// as "Scan%d") and whether it was saved. Going back to the storage view or closing the
// window loses them, so both ask first while one is unsaved.

#include <vector>

namespace explorer {

class cScanResults {
public:
    struct cResult {
        int number = 0;
        bool saved = false;
    };

    // A new result takes the number of the last one plus 1, or 0 in an empty list.
    cResult& Add(bool saved) {
        const int number = results_.empty() ? 0 : results_.back().number + 1;
        return results_.emplace_back(cResult{number, saved});
    }
    bool HasUnsaved() const {
        for (const cResult& result : results_) {
            if (!result.saved) {
                return true;
            }
        }
        return false;
    }
    void Clear() { results_.clear(); }
    const std::vector<cResult>& Results() const { return results_; }

private:
    std::vector<cResult> results_;
};

} // namespace explorer
