#include "app/explorer/browse_view.h"

#include "app/explorer/explorer_icons.h"
#include "app/explorer/explorer_texts.h"
#include "app/explorer/storage_view.h"
#include "base/format_text.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"
#include "gui/navigation/navigation_child.h"
#include "gui/painter.h"
#include "gui/size_text.h"
#include "gui/views/list_view_child.h"
#include "gui/views/prop_sheet_child.h"
#include "gui/views/splitter_child.h"
#include "gui/views/tree_view_child.h"
#include "io/storage_list.h"
#include "part/part_tree.h"

#include <functional>

namespace explorer {
namespace {

constexpr int kColumnSize = 1, kColumnType = 2, kColumnDate = 3;
constexpr int kBarHeight = cNavigationChild::kHeight;
constexpr int kStatusHeight = 22;
constexpr int kSearchWidth = 150;
constexpr int kPagesWidth = 64;
// The name column grows with the longest name up to this width.
constexpr int kNameColumnLimit = 360;

// Orders the rows of a page by one column's key; rows carry their index into the
// folder's rows, where the entries are.
class cRowSorter : public cListViewChild::cSortProvider {
public:
    explicit cRowSorter(const cFolderRows& rows) : rows_(rows) {}
    bool Less(const cListViewItemChild& a, const cListViewItemChild& b, int column) const override {
        const cFolderRows::cRow& x = rows_.Row(a.Data());
        const cFolderRows::cRow& y = rows_.Row(b.Data());
        switch (column) {
        case kColumnSize:
            return SizeLess(x, y);
        case kColumnType:
            return TypeLess(x, y);
        case kColumnDate:
            return DateLess(x, y);
        default:
            return RowLess(x, y);
        }
    }

private:
    const cFolderRows& rows_;
};

} // namespace

// The quick-search field shows what it is for while it is empty.
class cBrowseViewChild::cQuickSearchEdit : public cEditChild {
public:
    void OnPaint(cCanvas& canvas) override {
        cEditChild::OnPaint(canvas);
        if (!Text().empty() || HasFocus()) {
            return;
        }
        cFontObject* font = canvas.SelectedFont();
        const int line = font ? font->LineHeight() : 0;
        canvas.TextOut(kPadding, (Rect().h - line) / 2, cTextSource::Text(4).value_or(u""),
                       theme::kTextMuted);
    }
};

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') {
        path += u'/';
    }
    path += name;
    return path;
}

cBrowseViewChild::cBrowseViewChild(cNavigationProvider* provider) {
    pathLabel_ = Add<cStaticElement>(6, 8, 40, 20, T(5));
    navigation_ = Add<cNavigationChild>(48, 0, 200, kBarHeight, provider);
    search_ = Add<cQuickSearchEdit>(0, 4, kSearchWidth, 26);
    pagesLabel_ = Add<cStaticElement>(0, 8, 70, 20, T(16));
    pages_ = Add<cComboBoxChild>(0, 4, kPagesWidth, 26);

    auto* split = Add<cSplitterChild>(0, kBarHeight + 2, -1, -1, std::vector<int>{200, 0});
    body_ = split;
    auto* left = split->AddPane<cVSplitterChild>(std::vector<int>{110, 0});
    partitions_ = left->AddPane<cTreeViewChild>();
    folders_ = left->AddPane<cTreeViewChild>();
    auto* right = split->AddPane<cVSplitterChild>(std::vector<int>{220, 0});
    list_ = right->AddPane<cListViewChild>(std::vector<cHeaderColumn>{
        {T(0), 200}, {T(1), 80, eAlign::Right}, {T(2), 70}, {T(3), 140}});
    properties_ = right->AddPane<cPropSheetChild>();
    partitions_->SetIcons(TreeIcons());
    folders_->SetIcons(TreeIcons());
    list_->SetIcons(ListIcons());
    for (int column = 0; column < 4; ++column) {
        list_->SetSortProvider(column, std::make_unique<cRowSorter>(rows_));
    }
    status_ = Add<cStaticElement>(6, 0, -7, kStatusHeight);
}

cBrowseViewChild::~cBrowseViewChild() = default;

std::u16string cBrowseViewChild::T(int number) const {
    return std::u16string(Text(number).value_or(u""));
}

std::u16string_view cBrowseViewChild::StatusText() const {
    return status_->ShownText();
}

void cBrowseViewChild::SetStatus(std::u16string text) {
    status_->SetText(std::move(text));
}

bool cBrowseViewChild::OnCommand(cChildElement* source, int kind, int item) {
    if (source == list_ && kind == kActionListSelect) {
        ShowSelection();
        return true;
    }
    if (source == list_ && kind == kActionListItem) {
        ActivateFocused();
        return true;
    }
    if (source == folders_ && (kind == kActionTreeItem || kind == kActionTreeExpand)) {
        const cTreeItemElement* node =
            kind == kActionTreeItem ? folders_->Selected() : folders_->RowItem(item);
        const bool unloaded = node && node->Children().empty();
        if (node && (kind == kActionTreeItem || unloaded) && PathOfNode(node) != path_) {
            RequestFolder(PathOfNode(node), nullptr);
        }
        return true;
    }
    if (source == partitions_ && (kind == kActionTreeItem || kind == kActionTreeItemCtx)) {
        const cTreeItemElement* node =
            kind == kActionTreeItem ? partitions_->Selected() : partitions_->RowItem(item);
        if (node && node->Data() < partitionNodes_.size()) {
            requestedPartition_ = partitionNodes_[node->Data()];
            SendCommand(kind == kActionTreeItem ? kBrowseOpenPartition : kBrowsePartitionMenu, 0);
        }
        return true;
    }
    if (source == pages_ && kind == kActionSelChange) {
        ShowPage(item);
        return true;
    }
    if (source == search_ && kind == kActionEditChange) {
        QuickSearch(search_->Text());
        return true;
    }
    return false;
}

// Backspace the list or a tree left unhandled goes up one folder, as in a file manager.
bool cBrowseViewChild::OnKeyDown(int key, int modifiers) {
    if (key != key::kBackspace || modifiers != 0 || path_.size() <= 1) {
        return false;
    }
    const std::size_t slash = path_.rfind(u'/');
    RequestFolder(slash == 0 ? u"/" : path_.substr(0, slash), nullptr);
    return true;
}

void cBrowseViewChild::OnSize() {
    cChildElement::OnSize();
    const int w = Rect().w, h = Rect().h;
    const int searchX = std::max(250, w - kSearchWidth - kPagesWidth - 86);
    pathLabel_->Place(6, 9, 40, 20);
    navigation_->Place(48, 0, searchX - 54, kBarHeight);
    search_->Place(searchX, 4, kSearchWidth, 26);
    pagesLabel_->Place(searchX + kSearchWidth + 8, 9, 74, 20);
    pages_->Place(w - kPagesWidth - 4, 4, kPagesWidth, 26);
    body_->Place(0, kBarHeight + 2, -1, std::max(0, h - kBarHeight - 2 - kStatusHeight));
    status_->Place(6, std::max(0, h - kStatusHeight + 3), -7, kStatusHeight - 3);
}

void cBrowseViewChild::Open(cPartTreeItem& opened) {
    ShowPartitions(opened, {}, &opened);
    ClearFolders();
}

void cBrowseViewChild::ShowPartitions(cPartTreeItem& opened,
                                      const std::vector<cResultNode>& results,
                                      const cPartTreeItem* shown) {
    partitions_->Clear();
    partitionNodes_.clear();
    cPartTreeItem* top = &opened;
    while (top->Parent()) {
        top = top->Parent();
    }
    cTreeItemElement* selected = nullptr;
    auto addNode = [&](cTreeItemElement* parent, cPartTreeItem& node, std::u16string caption) {
        partitionNodes_.push_back(&node);
        auto* item = partitions_->AddItem(
            parent, IconNode(std::move(caption), partitionNodes_.size() - 1, kIconPartition));
        if (&node == shown) {
            selected = item;
        }
        return item;
    };
    std::function<void(cTreeItemElement*, cPartTreeItem&)> add = [&](cTreeItemElement* parent,
                                                                     cPartTreeItem& node) {
        if (IsWholeStorage(node) && node.HasChildren()) {
            for (const auto& child : node.Children()) {
                add(parent, *child);
            }
            return;
        }
        auto* item = addNode(parent, node, PartitionCaption(*this, node));
        for (const cResultNode& result : results) {
            if (result.scanned == &node) {
                addNode(item, *result.node, result.caption);
            }
        }
        if (!IsWholeStorage(node)) {
            for (const auto& child : node.Children()) {
                add(item, *child);
            }
        }
    };
    add(nullptr, *top);
    for (const auto& root : partitions_->Roots()) {
        partitions_->ExpandAll(root.get());
    }
    if (selected) {
        partitions_->Select(selected);
    }
}

void cBrowseViewChild::ClearFolders() {
    folders_->Clear();
    auto root = IconNode(u"/", 0, kIconTreeFolder);
    root->SetMayHaveChildren(true);
    folders_->AddItem(nullptr, std::move(root));
    rows_.Clear();
    path_.clear();
    list_->Clear();
    pages_->SetItems({}, -1);
    ShowProperties(nullptr);
}

void cBrowseViewChild::ShowFolderNote(std::u16string_view note) {
    SetStatus(FormatText(T(133), {int(rows_.Count())}) + u" " + std::u16string(note));
}

void cBrowseViewChild::ShowReading() {
    SetStatus(T(135));
}

void cBrowseViewChild::ShowListingFailed(int text) {
    SetStatus(T(text));
}

void cBrowseViewChild::ShowFolder(const std::u16string& path, cFolderRows rows) {
    path_ = path;
    navigation_->ShowPath(path);
    ShowRows(std::move(rows));
    FillFolderTree();
    SetStatus(FormatText(T(133), {int(rows_.Count())}) + u" " + T(134));
}

void cBrowseViewChild::ShowSearchHits(cFolderRows rows, std::u16string status) {
    ShowRows(std::move(rows));
    SetStatus(FormatText(T(155), {int(rows_.Count())}) + u" " + status);
}

void cBrowseViewChild::ShowRows(cFolderRows rows) {
    rows_ = std::move(rows);
    std::vector<std::u16string> pages;
    for (int page = 0; page < rows_.PageCount(); ++page) {
        pages.push_back(FormatText(u"%d", {page + 1}));
    }
    pages_->SetItems(std::move(pages), 0);
    ShowPage(0);
}

void cBrowseViewChild::ShowPage(int page) {
    if (page < 0 || page >= rows_.PageCount()) {
        return;
    }
    page_ = page;
    if (pages_->Selected() != page) {
        pages_->Select(page);
    }
    list_->Clear();
    std::vector<std::unique_ptr<cListViewItemChild>> items;
    const std::u16string sizePattern = T(129);
    for (std::size_t i = rows_.PageFirst(page); i < rows_.PageLast(page); ++i) {
        const cFolderRows::cRow& row = rows_.Row(i);
        std::u16string type = row.type == fskind::kFolder ? T(131) : T(130);
        const bool deleted = IsDeleted(*row.entry);
        if (deleted) {
            type += u" (" + T(178) + u")";
        }
        items.push_back(std::make_unique<cListViewItemChild>(
            std::vector<std::u16string>{row.entry->name, SizeCell(sizePattern, row.entry->size),
                                        std::move(type), DateCell(row.entry->mtime)},
            row.entry->size, i));
        items.back()->SetIcon(row.type == fskind::kFolder
                                  ? (deleted ? kIconDeletedFolder : kIconFolder)
                                  : (deleted ? kIconDeletedFile : kIconFile));
    }
    list_->AddItems(std::move(items));
    list_->FitColumns(kNameColumnLimit);
    if (list_->SortColumn() >= 0) {
        list_->SortBy(list_->SortColumn(), list_->SortDescending());
    }
    ShowProperties(nullptr);
}

std::vector<std::size_t> cBrowseViewChild::SelectedRows() const {
    std::vector<std::size_t> selected;
    for (int index : list_->SelectedIndices()) {
        selected.push_back(list_->Item(index)->Data());
    }
    return selected;
}

const cFSObject* cBrowseViewChild::FocusedObject() const {
    const cListViewItemChild* row = list_->Item(list_->FocusedIndex());
    return row && row->IsSelected() ? rows_.Row(row->Data()).entry.get() : nullptr;
}

void cBrowseViewChild::ActivateFocused() {
    const cFSObject* entry = FocusedObject();
    if (!entry) {
        return;
    }
    if (RowType(*entry) == fskind::kFolder) {
        RequestFolder(JoinPath(path_, entry->name), entry->Clone());
    } else {
        SendCommand(kBrowseOpenFile, 0);
    }
}

void cBrowseViewChild::ShowSelection() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.size() == 1) {
        const cFolderRows::cRow& row = rows_.Row(selected.front());
        const std::u16string kind = row.type == fskind::kFolder ? T(189) : T(188);
        SetStatus(FormatText(T(132), {std::u16string_view(kind),
                                      std::u16string_view(row.entry->name), row.entry->size}));
        ShowProperties(row.entry.get());
    } else if (selected.size() > 1) {
        std::uint64_t total = 0;
        for (std::size_t index : selected) {
            total += rows_.Row(index).entry->size;
        }
        SetStatus(FormatText(T(175), {int(selected.size()), total}));
        ShowProperties(nullptr);
    } else {
        ShowProperties(nullptr);
    }
    SendCommand(kBrowseSelection, int(selected.size()));
}

void cBrowseViewChild::ShowProperties(const cFSObject* object) {
    cPropDispAreaChild& area = properties_->Area();
    area.Clear();
    area.AddSection(T(8));
    if (!object) {
        area.AddRow(9, T(9), {});
        return;
    }
    const std::uint32_t type = RowType(*object);
    area.AddRow(0, T(0), object->name);
    area.AddRow(1, T(1), ByteSizeText(object->size));
    area.AddRow(2, T(2), type == fskind::kFolder ? T(131) : T(130));
    area.AddRow(3, T(3), DateCell(object->mtime));
    if (IsDeleted(*object)) {
        area.AddRow(178, T(178), T(178));
    }
}

void cBrowseViewChild::QuickSearch(std::u16string_view prefix) {
    if (prefix.empty()) {
        return;
    }
    const std::size_t found = rows_.FindPrefix(prefix);
    if (found >= rows_.Count()) {
        return;
    }
    const int page = int(found / kRowsPerPage);
    if (page != page_) {
        ShowPage(page);
    }
    for (int i = 0; i < list_->ItemCount(); ++i) {
        if (list_->Item(i)->Data() == found) {
            list_->Select(i);
            list_->EnsureItemVisible(i);
            break;
        }
    }
}

void cBrowseViewChild::RequestFolder(std::u16string path, std::unique_ptr<cFSObject> entry) {
    requestedPath_ = std::move(path);
    requestedFolder_ = std::move(entry);
    SendCommand(kBrowseOpenFolder, 0);
}

std::u16string cBrowseViewChild::PathOfNode(const cTreeItemElement* node) const {
    std::u16string path;
    for (; node && node->Parent(); node = node->Parent()) {
        path = u"/" + node->Text() + path;
    }
    return path.empty() ? u"/" : path;
}

cTreeItemElement* cBrowseViewChild::FolderNode(const std::u16string& path) {
    if (folders_->Roots().empty()) {
        return nullptr;
    }
    cTreeItemElement* node = folders_->Roots().front().get();
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(u'/', start);
        if (end == std::u16string::npos) {
            end = path.size();
        }
        const std::u16string_view name(path.data() + start, end - start);
        start = end + 1;
        if (name.empty()) {
            continue;
        }
        cTreeItemElement* next = nullptr;
        for (const auto& child : node->Children()) {
            if (child->Text() == name) {
                next = child.get();
            }
        }
        if (!next) {
            auto item = IconNode(std::u16string(name), 0, kIconTreeFolder);
            item->SetMayHaveChildren(true);
            next = folders_->AddItem(node, std::move(item));
        }
        node = next;
    }
    return node;
}

void cBrowseViewChild::FillFolderTree() {
    cTreeItemElement* node = FolderNode(path_);
    if (!node) {
        return;
    }
    folders_->ClearChildren(node);
    for (std::size_t i = 0; i < rows_.Count(); ++i) {
        const cFolderRows::cRow& row = rows_.Row(i);
        if (row.type != fskind::kFolder) {
            break; // folders come first
        }
        auto item = IconNode(row.entry->name, 0, kIconTreeFolder);
        item->SetMayHaveChildren(true);
        folders_->AddItem(node, std::move(item));
    }
    node->SetMayHaveChildren(false);
    folders_->Expand(node, true);
    folders_->Select(node);
}

} // namespace explorer
