#pragma once
// The browse view of the main window, for one opened partition: the partition tree of
// its storage and the folder tree of its file system on the left; the path bar with the
// quick-search field and the page selector above the file list; the properties of the
// selected object under it; the status line at the bottom.
//
// The view shows what the form listed (a cFolderRows it keeps) one page at a time and
// reports the user's wishes up as commands: kBrowseOpenFolder (a path was chosen in the
// folder tree or a folder row activated; the form then lists it), kBrowseOpenPartition
// (another partition or a scan result chosen), kBrowsePartitionMenu (a right click on
// one), and the list's selection changes.

#include "app/explorer/folder_rows.h"
#include "gui/child_element.h"

#include <string>
#include <vector>

class cComboBoxChild;
class cListViewChild;
class cNavigationChild;
class cNavigationProvider;
class cPartTreeItem;
class cPropSheetChild;
class cStaticElement;
class cTreeItemElement;
class cTreeViewChild;

namespace explorer {

inline constexpr int kBrowseOpenFolder = 40;    // item: unused; see RequestedPath()
inline constexpr int kBrowseOpenPartition = 41; // item: unused; see RequestedPartition()
inline constexpr int kBrowseSelection = 42;     // item: number of selected rows
inline constexpr int kBrowseOpenFile = 43;      // a file row activated; see FocusedObject()
inline constexpr int kBrowsePartitionMenu = 44; // item: unused; see RequestedPartition()

// A scan result's node in the partition tree, shown under the partition it was made of.
struct cResultNode {
    cPartTreeItem* node = nullptr;
    const cPartTreeItem* scanned = nullptr;
    std::u16string caption;
};

class cBrowseViewChild : public cChildElement {
public:
    explicit cBrowseViewChild(cNavigationProvider* provider);
    ~cBrowseViewChild() override;

    // Shows the partitions of the storage with `opened` selected, and a folder tree
    // holding only the file system's root folder.
    void Open(cPartTreeItem& opened);
    // Shows the partition tree again, each scan result under its partition, with `shown`
    // selected; the folders and the list stay.
    void ShowPartitions(cPartTreeItem& opened, const std::vector<cResultNode>& results,
                        const cPartTreeItem* shown);
    // Starts afresh on another file system of the tree: only its root folder, no rows.
    void ClearFolders();
    // Says what the folder holds followed by a note (a result's files and bytes under the
    // listing of its root) in place of the word that the listing is done.
    void ShowFolderNote(std::u16string_view note);
    // Takes the rows of the folder at `path` and shows their first page.
    void ShowFolder(const std::u16string& path, cFolderRows rows);
    // Shows the hits of a search in the file list, the folder staying the one searched,
    // and the search's end text in the status line.
    void ShowSearchHits(cFolderRows rows, std::u16string status);
    // A listing of another folder starts (the old rows stay until it ends).
    void ShowReading();
    // The listing ended without rows: 176 (failed) or 177 (stopped).
    void ShowListingFailed(int text);

    int Page() const { return page_; }
    void ShowPage(int page);
    const cFolderRows& Rows() const { return rows_; }
    const std::u16string& FolderPath() const { return path_; }
    // The selected rows as indices into Rows(), in list order.
    std::vector<std::size_t> SelectedRows() const;
    const cFSObject* FocusedObject() const;
    // Opens the focused row: a folder is listed, a file reported as kBrowseOpenFile.
    void ActivateFocused();

    const std::u16string& RequestedPath() const { return requestedPath_; }
    // The entry of the folder asked for, when it was a row (deleted folders are found by
    // their entry, not by their path); null for a path from the tree or the bar.
    const cFSObject* RequestedFolder() const { return requestedFolder_.get(); }
    cPartTreeItem* RequestedPartition() const { return requestedPartition_; }

    cNavigationChild& Navigation() { return *navigation_; }
    cListViewChild& List() { return *list_; }
    cTreeViewChild& Folders() { return *folders_; }
    cTreeViewChild& Partitions() { return *partitions_; }
    cComboBoxChild& PageSelector() { return *pages_; }
    cPropSheetChild& Properties() { return *properties_; }
    std::u16string_view StatusText() const;
    void QuickSearch(std::u16string_view prefix);

    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnSize() override;
    bool OnKeyDown(int key, int modifiers) override;
    // The view's texts are the explorer's even before it joins the form.
    std::string_view TextSectionId() const override { return "qorns::explorer"; }

private:
    class cQuickSearchEdit;
    void ShowRows(cFolderRows rows);
    void FillFolderTree();
    cTreeItemElement* FolderNode(const std::u16string& path);
    std::u16string PathOfNode(const cTreeItemElement* node) const;
    void RequestFolder(std::u16string path, std::unique_ptr<cFSObject> entry);
    void ShowSelection();
    void ShowProperties(const cFSObject* object);
    void SetStatus(std::u16string text);
    std::u16string T(int number) const;

    cStaticElement* pathLabel_ = nullptr;
    cStaticElement* pagesLabel_ = nullptr;
    cChildElement* body_ = nullptr;
    cTreeViewChild* partitions_ = nullptr;
    cTreeViewChild* folders_ = nullptr;
    cNavigationChild* navigation_ = nullptr;
    cQuickSearchEdit* search_ = nullptr;
    cComboBoxChild* pages_ = nullptr;
    cListViewChild* list_ = nullptr;
    cPropSheetChild* properties_ = nullptr;
    cStaticElement* status_ = nullptr;

    std::vector<cPartTreeItem*> partitionNodes_;
    cFolderRows rows_;
    std::u16string path_;
    int page_ = 0;
    std::u16string requestedPath_;
    std::unique_ptr<cFSObject> requestedFolder_;
    cPartTreeItem* requestedPartition_ = nullptr;
};

// "/a/b" + "c" = "/a/b/c"; "/" + "c" = "/c".
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

} // namespace explorer
