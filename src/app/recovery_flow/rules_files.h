#pragma once
// The signature rules a content scan uses: the *.urrs files beside the program, or the
// files and folders the user names instead. Several files make one tree of rules.

#include "scan/signatures/urrs_file.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class cSigList;

namespace rulesfiles {

// No rules file this large is made; a larger one is refused unread.
inline constexpr std::uintmax_t kMaxFileBytes = 64 << 20;

// The *.urrs files of a folder, in name order.
std::vector<std::filesystem::path> In(const std::filesystem::path& folder);

// The files named: a folder stands for its *.urrs files. Nothing named: the shipped ones
// (beside the program in a build, in its share folder installed).
std::vector<std::filesystem::path> Resolve(const std::vector<std::string>& named);

// A file that could not be read (unread) or was damaged (what it held before the damage
// is used).
struct cProblem {
    std::filesystem::path file;
    bool unread = false;
    urrs::cLoadResult load;
};
using cProblemReport = std::function<void(const cProblem& problem)>;

// Appends the rules of every file to rules, telling report of each problem. No when a
// file could not be read at all.
bool Load(const std::vector<std::filesystem::path>& files, cSigList& rules,
          const cProblemReport& report);

} // namespace rulesfiles
