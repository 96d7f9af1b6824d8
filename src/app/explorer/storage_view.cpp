#include "app/explorer/storage_view.h"

#include "app/explorer/explorer_icons.h"
#include "app/explorer/explorer_texts.h"
#include "base/format_text.h"
#include "gui/controls/button_child.h"
#include "gui/controls/panel_child.h"
#include "gui/controls/static_element.h"
#include "gui/size_text.h"
#include "gui/views/prop_sheet_child.h"
#include "gui/views/splitter_child.h"
#include "gui/views/tree_view_child.h"
#include "io/storage_list.h"
#include "part/part_tree.h"
#include "part/storage_tree_builder.h"
#include "vfs/vfs.h"

#include <algorithm>

namespace explorer {
namespace {

constexpr int kGroupTexts[3] = {34, 37, 40};
constexpr int kGroupHelp[3] = {35, 38, 41};
constexpr int kGroupEmpty[3] = {36, 39, 42};

// Room for three lines of help beside each action, as the longer languages need.
constexpr int kActionRowHeight = 58;
constexpr int kActionButtonWidth = 214;
constexpr int kDescriptionHeight = 60;

// Caption and help text of each action.
struct cActionInfo {
    int id, caption, help;
};
constexpr cActionInfo kActions[] = {
    {kActRescan, 79, 78},          {kActOpenImage, 33, 80},      {kActCloseStorage, 85, 105},
    {kActBrowse, 86, 92},          {kActScan, 89, 90},           {kActDeletePartition, 91, 95},
    {kActDefinePartition, 81, 99}, {kActTestFileSystem, 88, 94}, {kActImageStorage, 194, 195},
    {kActFindPartitions, 82, 100},
};

std::u16string StorageName(const cQORNDriveInstance& entry) {
    const cBaseIO& reader = entry.Reader();
    std::u16string name;
    if (!reader.GetName(name) || name.empty()) {
        name = reader.DisplayName();
    }
    // Two drives of one make look alike by name; the device node tells them apart (a
    // loop device's name already carries the image file behind it).
    const std::u16string& node = reader.Path();
    const bool drive = !dynamic_cast<const cQORNDriveImageInstance*>(&entry);
    if (drive && !node.empty() && name.find(node) == std::u16string::npos) {
        name += u" (" + node + u")";
    }
    return name;
}

cPartTree* TreeOf(const cQORNDriveInstance& entry) {
    auto* tree = dynamic_cast<cPartStorageTree*>(entry.Tree());
    return tree ? &tree->Tree() : nullptr;
}

std::u16string SectionText(const cChildElement& texts, int number) {
    return std::u16string(texts.Text(number).value_or(u""));
}

} // namespace

cVFS* MountedFileSystem(const cPartTreeItem& partition) {
    return partition.FindExtensionAs<cVFS>(part_ext::kFileSystem);
}

bool IsWholeStorage(const cPartTreeItem& partition) {
    return partition.Parent() == nullptr;
}

std::u16string PartitionCaption(const cChildElement& texts, const cPartTreeItem& partition) {
    const cVFS* fs = MountedFileSystem(partition);
    std::u16string kind;
    if (fs) {
        const std::string_view name = fstype::Name(fs->GetFSType());
        kind.assign(name.begin(), name.end());
    } else {
        kind = partition.TypeName();
    }
    return FormatText(SectionText(texts, 26), {std::u16string_view(kind), partition.Start(),
                                               SectorsToGB(partition.Length())});
}

cStorageViewChild::cStorageViewChild() {
    auto* split = Add<cSplitterChild>(0, 0, -1, -1, std::vector<int>{250, 0});
    tree_ = split->AddPane<cTreeViewChild>();
    tree_->SetIcons(TreeIcons());
    right_ = split->AddPane<cPanelChild>(false);
    description_ = right_->Add<cStaticElement>(8, 6, -9, kDescriptionHeight - 6);
    description_->SetWrap(true);
    sheet_ = right_->Add<cPropSheetExChild>(0, kDescriptionHeight, -1, -1);
    actions_ = right_->Add<cWTPanelChild>(0, 0, -1, 0, u"");
}

std::u16string cStorageViewChild::T(int number) const {
    return SectionText(*this, number);
}

std::u16string_view cStorageViewChild::Description() const {
    return description_->ShownText();
}

void cStorageViewChild::Refill(const cStorageList& list) {
    tree_->Clear();
    nodes_.clear();
    nodes_.push_back({eNode::Root});
    auto* root = tree_->AddItem(nullptr, IconNode(T(27), 0, kIconComputer));
    cTreeItemElement* groups[3];
    for (int g = 0; g < 3; ++g) {
        nodes_.push_back({eNode::Group, g});
        groups[g] =
            tree_->AddItem(root, IconNode(T(kGroupTexts[g]), nodes_.size() - 1, kIconGroup));
        groupCounts_[g] = 0;
    }
    for (const auto& entry : list.Entries()) {
        // Compound storages have no entry kind of their own yet: drives and image files.
        const int group = entry->EntryKind() == 2 ? 1 : 0;
        ++groupCounts_[group];
        nodes_.push_back({eNode::Storage, group, entry.get()});
        // Image files by their file name; the page shows the whole path.
        std::u16string caption = StorageName(*entry);
        if (group == 1 && caption.find(u'/') != std::u16string::npos) {
            caption.erase(0, caption.rfind(u'/') + 1);
        }
        auto* item = tree_->AddItem(groups[group], IconNode(std::move(caption), nodes_.size() - 1,
                                                            group == 1 ? kIconImage : kIconDrive));
        if (cPartTree* tree = TreeOf(*entry); tree && tree->First()) {
            AddPartitions(item, *entry, *tree->First());
        }
    }
    tree_->ExpandAll(root);
    if (!tree_->Selected()) {
        tree_->Select(root);
    }
    ShowPage();
}

// A storage without a map is one file system across the whole storage: its root node
// stands for it. Otherwise the root's children are the partitions, nested as found.
void cStorageViewChild::AddPartitions(cTreeItemElement* parent, cQORNDriveInstance& entry,
                                      cPartTreeItem& node) {
    if (IsWholeStorage(node) && node.HasChildren()) {
        for (const auto& child : node.Children()) {
            AddPartitions(parent, entry, *child);
        }
        return;
    }
    nodes_.push_back({eNode::Partition, 0, &entry, &node});
    auto* item = tree_->AddItem(
        parent, IconNode(PartitionCaption(*this, node), nodes_.size() - 1, kIconPartition));
    if (!IsWholeStorage(node)) {
        for (const auto& child : node.Children()) {
            AddPartitions(item, entry, *child);
        }
    }
}

cStorageViewChild::cNode cStorageViewChild::Selected() const {
    const cTreeItemElement* item = tree_->Selected();
    if (!item || item->Data() >= nodes_.size()) {
        return {};
    }
    return nodes_[item->Data()];
}

void cStorageViewChild::SelectNode(const cQORNDriveInstance* entry,
                                   const cPartTreeItem* partition) {
    for (int row = 0; row < tree_->RowCount(); ++row) {
        cTreeItemElement* item = tree_->RowItem(row);
        const cNode& node = nodes_[item->Data()];
        if (node.entry == entry && node.partition == partition &&
            (node.kind == eNode::Storage || node.kind == eNode::Partition)) {
            tree_->Select(item);
            ShowPage();
            return;
        }
    }
}

bool cStorageViewChild::OnCommand(cChildElement* source, int kind, int item) {
    if (source == tree_ && kind == kActionTreeItem) {
        ShowPage();
        return true;
    }
    if (source == tree_ && kind == kActionDoubleClick) {
        if (Selected().kind == eNode::Partition) {
            SendCommand(kActionActivate, kActBrowse);
        }
        return true;
    }
    return false;
}

void cStorageViewChild::ShowPage() {
    sheet_->Area().Clear();
    const cNode node = Selected();
    switch (node.kind) {
    case eNode::Root:
        description_->SetText(T(28));
        for (int g = 0; g < 3; ++g) {
            sheet_->Area().AddRow(g, T(kGroupTexts[g]), FormatText(u"%d", {groupCounts_[g]}),
                                  T(kGroupHelp[g]));
        }
        SetActions(22, {kActRescan, kActOpenImage});
        break;
    case eNode::Group:
        ShowGroupPage(node.group);
        break;
    case eNode::Storage:
        ShowStoragePage(*node.entry);
        break;
    case eNode::Partition:
        ShowPartitionPage(*node.partition);
        break;
    }
    Layout();
}

void cStorageViewChild::ShowGroupPage(int group) {
    const int count = groupCounts_[group];
    description_->SetText(count ? T(kGroupHelp[group]) : T(kGroupEmpty[group]));
    sheet_->Area().AddSection(T(kGroupTexts[group]));
    sheet_->Area().AddRow(1, T(43), FormatText(u"%d", {count}), T(kGroupHelp[group]));
    if (group == 1) {
        SetActions(22, {kActOpenImage});
    } else {
        SetActions(22, {kActRescan});
    }
}

void cStorageViewChild::ShowStoragePage(const cQORNDriveInstance& entry) {
    const cBaseIO& reader = entry.Reader();
    cPropDispAreaChild& area = sheet_->Area();
    description_->SetText(StorageName(entry));
    area.AddSection(T(113));
    area.AddRow(44, T(44), std::u16string(StorageKindText(reader.GetStorageKind())), T(45));
    area.AddRow(46, T(46), StorageName(entry), T(47));
    area.AddRow(48, T(48), SectorsWithGB(reader.GetSectorCount()), T(49));
    cDiskGeometry geometry;
    if (reader.GetGeometry(geometry)) {
        area.AddSection(T(50));
        const std::uint64_t perCylinder =
            std::uint64_t(geometry.heads) * std::uint64_t(geometry.sectorsPerTrack);
        const std::uint64_t cylinders = perCylinder ? reader.GetSectorCount() / perCylinder : 0;
        area.AddRow(51, T(51), FormatText(u"%d", {std::uint64_t(geometry.heads)}), T(56));
        area.AddRow(52, T(52), FormatText(u"%d", {std::uint64_t(geometry.sectorsPerTrack)}), T(56));
        area.AddRow(53, T(53), FormatText(u"%d", {cylinders}), T(56));
        area.AddRow(54, T(54), FormatText(u"%d", {std::uint64_t(geometry.bytesPerSector)}), T(55));
    }
    SetActions(118, {kActDefinePartition, kActFindPartitions, kActCloseStorage, kActImageStorage});
}

namespace {

// Whether the root folder lists, looked at only as far as its first entry so that the
// page shows at once even on a huge or damaged volume.
int RootState(cVFS& fs) {
    std::unique_ptr<cFSObject> root = fs.GetObject(fs.GetRootId());
    if (!root) {
        return 76;
    }
    int seen = 0;
    const bool ok = fs.EnumFolder(*root, [&](cFSObject& entry) {
        if (entry.name == u"." || entry.name == u".." || entry.name.empty()) {
            return true;
        }
        ++seen;
        return false;
    });
    if (seen) {
        return 72;
    }
    return ok ? 73 : 76;
}

} // namespace

void cStorageViewChild::ShowPartitionPage(const cPartTreeItem& partition) {
    cPropDispAreaChild& area = sheet_->Area();
    description_->SetText(PartitionCaption(*this, partition));
    area.AddSection(T(114));
    const std::uint64_t last =
        partition.Length() ? partition.Start() + partition.Length() - 1 : partition.Start();
    area.AddRow(57, T(57), NumberWithHex(partition.Start()), T(58));
    area.AddRow(59, T(59), NumberWithHex(last), T(60));
    area.AddRow(61, T(61), NumberWithHex(partition.Length()), T(62));
    area.AddRow(63, T(63), GigabytesText(SectorsToGB(partition.Length())), T(64));
    area.AddRow(68, T(68), partition.TypeName(), T(69));
    cVFS* fs = MountedFileSystem(partition);
    std::u16string fsName = T(67);
    if (fs) {
        const std::string_view name = fstype::Name(fs->GetFSType());
        fsName.assign(name.begin(), name.end());
    }
    area.AddRow(65, T(65), fsName, T(66));
    const auto* label = partition.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    area.AddRow(101, T(101), label && !label->Name().empty() ? label->Name() : T(115), T(102));
    if (fs) {
        if (!fs->IsAvailable()) {
            area.AddRow(108, T(108), T(103), T(106) + u" " + T(110));
        } else if (fs->GetVolumeSectors() > partition.Length()) {
            area.AddRow(108, T(108), T(104), T(107) + u" " + T(110));
        }
        area.AddRow(70, T(70), T(RootState(*fs)), T(71));
    }
    std::vector<int> actions = {kActBrowse, kActScan};
    if (fs) {
        actions.push_back(kActTestFileSystem);
    }
    if (!IsWholeStorage(partition)) {
        actions.push_back(kActDeletePartition);
    }
    SetActions(119, std::move(actions));
}

void cStorageViewChild::SetActions(int title, std::vector<int> actions) {
    actions_->SetTitle(T(title));
    while (!actions_->Children().empty()) {
        actions_->DestroyChild(actions_->Children().back().get());
    }
    int y = cWTPanelChild::kTitleHeight + 4;
    for (int id : actions) {
        const auto* info = std::find_if(std::begin(kActions), std::end(kActions),
                                        [id](const cActionInfo& a) { return a.id == id; });
        actions_->AddChild(cButtonChild::FromSection(info->caption, id), 8, y + 2,
                           kActionButtonWidth, 28);
        auto* help =
            actions_->Add<cStaticElement>(kActionButtonWidth + 16, y, -9, 54, T(info->help));
        help->SetWrap(true);
        y += kActionRowHeight;
    }
    Layout();
}

// The actions sit above the rows: their panel's height follows the number of actions,
// and the rows take what is left.
void cStorageViewChild::Layout() {
    int buttons = 0;
    for (const auto& child : actions_->Children()) {
        buttons += dynamic_cast<cButtonChild*>(child.get()) != nullptr;
    }
    const int panel = buttons ? cWTPanelChild::kTitleHeight + 8 + buttons * kActionRowHeight : 0;
    actions_->SetVisible(buttons > 0);
    actions_->Place(0, kDescriptionHeight, -1, panel);
    sheet_->Place(0, kDescriptionHeight + panel, -1, -1);
}

} // namespace explorer
