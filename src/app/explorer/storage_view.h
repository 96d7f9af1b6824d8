#pragma once
// The storage view of the main window: on the left the tree of "this computer", its
// three groups (physical devices, disk image files, compound storages), their storages
// and each storage's partitions; on the right the page of the selected node (a summary
// for a group, the property rows of a storage or partition) and the panel of actions
// that apply to it. The actions are buttons reporting their command ids to the form.

#include "gui/child_element.h"

#include <cstdint>
#include <string>
#include <vector>

class cPartTreeItem;
class cPropSheetChild;
class cQORNDriveInstance;
class cStaticElement;
class cStorageList;
class cTreeItemElement;
class cTreeViewChild;
class cVFS;
class cWTPanelChild;

namespace explorer {

// Action panel command ids.
inline constexpr int kActRescan = 1;
inline constexpr int kActOpenImage = 2;
inline constexpr int kActDefinePartition = 10;
inline constexpr int kActFindPartitions = 11;
inline constexpr int kActCloseStorage = 13;
inline constexpr int kActBrowse = 20;
inline constexpr int kActScan = 21;
inline constexpr int kActTestFileSystem = 22;
inline constexpr int kActDeletePartition = 24;
inline constexpr int kActImageStorage = 30;

class cStorageViewChild : public cChildElement {
public:
    enum class eNode { Root, Group, Storage, Partition };
    struct cNode {
        eNode kind = eNode::Root;
        int group = 0; // 0 physical, 1 image files, 2 compound
        cQORNDriveInstance* entry = nullptr;
        cPartTreeItem* partition = nullptr;
    };

    cStorageViewChild();

    // Builds the tree again from the list; keeps what was open and selected.
    void Refill(const cStorageList& list);
    // The selected node; a root node when nothing is selected.
    cNode Selected() const;
    // The entry that holds the partition (or is) selected; null for groups.
    cQORNDriveInstance* SelectedEntry() const { return Selected().entry; }
    cPartTreeItem* SelectedPartition() const { return Selected().partition; }
    // Selects the node of a partition (or of a storage for null partition).
    void SelectNode(const cQORNDriveInstance* entry, const cPartTreeItem* partition);

    cTreeViewChild& Tree() { return *tree_; }
    cPropSheetChild& Sheet() { return *sheet_; }
    std::u16string_view Description() const;

    bool OnCommand(cChildElement* source, int kind, int item) override;
    std::string_view TextSectionId() const override { return "qorns::explorer"; }

private:
    void AddPartitions(cTreeItemElement* parent, cQORNDriveInstance& entry, cPartTreeItem& node);
    void ShowPage();
    void ShowGroupPage(int group);
    void ShowStoragePage(const cQORNDriveInstance& entry);
    void ShowPartitionPage(const cPartTreeItem& partition);
    void SetActions(int title, std::vector<int> actions);
    void Layout();
    std::u16string T(int number) const;

    cTreeViewChild* tree_ = nullptr;
    cChildElement* right_ = nullptr;
    cStaticElement* description_ = nullptr;
    cPropSheetChild* sheet_ = nullptr;
    cWTPanelChild* actions_ = nullptr;
    std::vector<cNode> nodes_;
    int groupCounts_[3] = {0, 0, 0};
};

// Partition captions and facts shared with the browse view.
std::u16string PartitionCaption(const cChildElement& texts, const cPartTreeItem& partition);
cVFS* MountedFileSystem(const cPartTreeItem& partition);
// Whether the node spans the whole storage (a root of its tree).
bool IsWholeStorage(const cPartTreeItem& partition);

} // namespace explorer
