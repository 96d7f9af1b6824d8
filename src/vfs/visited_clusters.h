#pragma once
// Visited clusters of one chain walk, for readers whose tables link cluster to cluster.
// Chains are mostly contiguous, so the run being walked is kept aside and only a jump
// files it among the earlier ones: an unfragmented file is checked without allocating.

#include <cstdint>
#include <iterator>
#include <map>

class cVisitedClusters {
public:
    // No when the cluster was already visited.
    bool Insert(std::uint64_t cluster) {
        if (Contains(cluster)) {
            return false;
        }
        if (cluster == runEnd_) {
            ++runEnd_;
            return true;
        }
        if (runEnd_ != runStart_) {
            earlier_.emplace(runStart_, runEnd_);
        }
        runStart_ = cluster;
        runEnd_ = cluster + 1;
        return true;
    }

private:
    bool Contains(std::uint64_t cluster) const {
        if (cluster >= runStart_ && cluster < runEnd_) {
            return true;
        }
        const auto next = earlier_.upper_bound(cluster);
        return next != earlier_.begin() && cluster < std::prev(next)->second;
    }

    std::uint64_t runStart_ = 0;
    std::uint64_t runEnd_ = 0;
    std::map<std::uint64_t, std::uint64_t> earlier_; // start -> end (exclusive)
};
