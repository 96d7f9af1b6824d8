#pragma once
// cScanSignature: a node of the signature tree that a content scan tests every unit with.
// A node with begin rules recognises the start of a file of its type; a node without them
// is a group that only passes the search on to its children. End rules say where a file
// ends; a node without them leaves that to its ancestors, or to the next file found.

#include "scan/signatures/end_rules.h"
#include "scan/signatures/follower.h"
#include "scan/signatures/locators.h"
#include "scan/signatures/sig_list.h"
#include "scan/signatures/sig_rule.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sigkind {
inline constexpr std::uint8_t kNotAFile = 0;
inline constexpr std::uint8_t kWeak = 1;
inline constexpr std::uint8_t kStrong = 2;
// Strong signatures whose files' ends follow their structure (follower.h).
inline constexpr std::uint8_t kFollowJpeg = 3;
inline constexpr std::uint8_t kFollowBoxes = 4;
inline constexpr std::uint8_t kFollowPdf = 5;
inline constexpr std::uint8_t kFollowGzip = 6;
inline constexpr std::uint8_t kFollowZip = 7;
inline constexpr std::uint8_t kLast = 7;
} // namespace sigkind

class cScanSignature {
public:
    static constexpr std::uint64_t kNotOpen = ~std::uint64_t(0);
    static constexpr std::uint64_t kNoFolder = ~std::uint64_t(0);

    cScanSignature(std::uint8_t kind, bool matchAll, std::u16string name, std::u16string extension,
                   std::unique_ptr<cScanSigSubset> locator);

    // Rules are added before the node joins a list (the list's dispatch reads them).
    void AddBeginRule(std::unique_ptr<cScanSigRule> rule);
    void AddEndRule(std::unique_ptr<cScanSigEndRule> rule);

    std::uint8_t Kind() const { return kind_; }
    bool MatchAll() const { return matchAll_; }
    const std::u16string& Name() const { return name_; }
    const std::u16string& Extension() const { return extension_; }
    const cScanSigSubset* Locator() const { return locator_.get(); }
    const std::vector<std::unique_ptr<cScanSigRule>>& BeginRules() const { return beginRules_; }
    const std::vector<std::unique_ptr<cScanSigEndRule>>& EndRules() const { return endRules_; }
    const cSigFollower* Follower() const { return follower_.get(); }
    cSigFollower* Follower() { return follower_.get(); }
    // Whether the node says where its files end, by rules or by following them.
    bool HasEnd() const { return !endRules_.empty() || follower_ != nullptr; }
    bool IsGroup() const { return beginRules_.empty(); }
    cSigList& Children() { return children_; }
    const cSigList& Children() const { return children_; }
    cScanSignature* Parent() const { return parent_; }

    // Byte position of the unit in which this node's current file began.
    std::uint64_t OpenStart() const { return openStart_; }
    void Close() { openStart_ = kNotOpen; }
    std::uint64_t ResultFolder() const { return resultFolder_; }
    void SetResultFolder(std::uint64_t folder) { resultFolder_ = folder; }

    // The first eight bytes every match must have, as a value under a mask (mask 0: no
    // such bytes known); taken from the exact and mask rules of a node whose rules all
    // must hold.
    std::uint64_t PrefixValue() const { return prefixValue_; }
    std::uint64_t PrefixMask() const { return prefixMask_; }

    // Tests the begin rules at the rule origin; on a match opens a file at scanPosition and
    // computes its size from the size rules.
    bool MatchBegin(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                    std::uint64_t scanPosition);

private:
    friend class cSigList;
    void PinPrefix(std::uint64_t value, std::uint64_t mask);

    std::vector<std::unique_ptr<cScanSigRule>> beginRules_;
    std::vector<std::unique_ptr<cScanSigEndRule>> endRules_;
    std::vector<cScanSigEndRuleMatchSize*> sizeRules_;
    std::u16string extension_;
    std::u16string name_;
    std::uint64_t openStart_ = kNotOpen;
    std::uint64_t resultFolder_ = kNoFolder;
    std::uint8_t kind_;
    std::unique_ptr<cScanSigSubset> locator_;
    std::unique_ptr<cSigFollower> follower_;
    bool matchAll_;
    cSigList children_;
    cScanSignature* parent_ = nullptr;
    std::uint64_t prefixValue_ = 0;
    std::uint64_t prefixMask_ = 0;
};

// Whether the file open on node ends in this unit: the node and then each ancestor with
// end rules is asked in turn, and the first rule that holds closes its node. endOffset is
// how many bytes of the file lie in this unit. A node with end rules but no open file
// ends the file at the unit's start.
bool CheckEnd(cScanSignature& node, const std::uint8_t* data, std::uint32_t unit,
              std::uint32_t limit, std::uint64_t scanPosition, std::uint32_t& endOffset);

// Whether the structure followed so far of the file open on node (or on the ancestor that
// follows it) goes on past scanPosition: a signature found there is part of the file.
bool FileCovers(const cScanSignature& node, std::uint64_t scanPosition);
// The size at which that file was last complete, when its follower knows one.
std::optional<std::uint64_t> SettledSize(const cScanSignature& node);
