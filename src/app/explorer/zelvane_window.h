#pragma once
// The main explorer window itself (zelvane_form.h is what the start-up run needs). It is
// a form and, at the same time, the navigation provider of its browse view: folder
// listings run on the form's own job thread and reach the window as the navigation
// view's done action.

#include "app/explorer/folder_rows.h"
#include "app/explorer/scan_results.h"
#include "gui/custom_form.h"
#include "gui/navigation/navigation_provider.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class cPartTreeItem;
class cQORNDriveInstance;
class cQORNVStorage;
class cStorageList;
class cToolBarChild;
class cVFS;

namespace explorer {

class cBrowseViewChild;
class cStorageViewChild;

// Tool-bar command ids.
inline constexpr int kCmdBack = 51;
inline constexpr int kCmdScan = 52;
inline constexpr int kCmdLoadResult = 70;
inline constexpr int kCmdSaveResults = 71;
inline constexpr int kCmdCopySelected = 72;
inline constexpr int kCmdOpenImage = 101;
inline constexpr int kCmdRescan = 103;
inline constexpr int kCmdManual = 104;
inline constexpr int kCmdAbout = 105;
inline constexpr int kCmdSettings = 106;
// File list context menu.
inline constexpr int kCmdQuickView = 107;
inline constexpr int kCmdOpenRow = 108;
inline constexpr int kCmdProperties = 136;
inline constexpr int kCmdSearchHere = 148;
inline constexpr int kCmdEvalSize = 149;
// Partition tree context menu of a scan result.
inline constexpr int kCmdDeleteResult = 139;

} // namespace explorer

class cZelvaneForm : public cCustomForm, public cNavigationProvider {
public:
    explicit cZelvaneForm(cStorageList& list);
    ~cZelvaneForm() override;

    std::string FormName() const override { return "cZelvaneForm"; }
    std::u16string Caption() const override { return u"Drovik"; }
    void OnCreate() override;
    void OnCloseRequest() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;

    // --- Views ------------------------------------------------------------------------
    bool BrowseShown() const;
    // Whether the user opened disk images into the storage list.
    bool HasOpenImages() const;
    explorer::cStorageViewChild& StorageView() { return *storageView_; }
    explorer::cBrowseViewChild& BrowseView() { return *browseView_; }
    cToolBarChild& ToolBar() { return *toolBar_; }
    // Detects the partition's file system when it has none yet, switches to the browse
    // view and lists the root folder; shows 121 and stays when nothing is recognised,
    // unless the partition is opened to be scanned (forScan): a damaged or formatted one
    // then opens with nothing to list. Results of the partition open before are lost:
    // asks 126 first while one is unsaved.
    bool Browse(cQORNDriveInstance& entry, cPartTreeItem& partition, bool forScan = false);
    // Back to the storage view; asks 126 first while a scan result is unsaved.
    bool BackToStorages();
    // Lists a folder of the opened file system through the navigation job.
    bool OpenFolder(const std::u16string& path, std::unique_ptr<cFSObject> entry = nullptr);
    explorer::cScanResults& ScanResults() { return scanResults_; }

    // --- Scan results -----------------------------------------------------------------
    // The partition the browse view opened, which scans read; null in the storage view.
    cPartTreeItem* OpenedPartition() const { return partition_; }
    // The node whose file system the browse view lists: the opened partition or a result.
    cPartTreeItem* ShownNode() const { return shown_; }
    // What the recovery flow calls for each finished tree: the tree becomes a new result
    // "Scan%d" of the opened partition (see scan_results.h), its start moved on by
    // startShift sectors (a FAT file system found to start later than its partition). The
    // result shows under the partition in the partition tree, unsaved, and the save
    // command appears. Null without an opened partition or when the shift leaves nothing.
    explorer::cScanResult* AddScanResult(std::unique_ptr<cQORNVStorage> tree,
                                         std::uint64_t startShift = 0);
    // Lists the result's root folder, its files and bytes in the status line.
    void ShowScanResult(const explorer::cScanResult& result);
    // Command 70: a ".drdb" file chosen by the user, loaded as a saved result of the
    // opened partition; message 146 when it cannot be read.
    void LoadScanResult();
    explorer::cScanResult* LoadScanResult(const std::u16string& path);
    // Command 71: every unsaved result written to "BASE-Scan%d.drdb" for a base name the
    // user chooses; 144 or 145 when a file cannot be made or written.
    void SaveScanResults();
    bool SaveScanResults(const std::u16string& base);
    // Command 139: asks 140 first when the result is unsaved.
    void DeleteScanResult(const explorer::cScanResult& result);

    // --- Commands ---------------------------------------------------------------------
    // Commands 52 and 21: the recovery of the opened partition; each result it makes
    // joins the partition as a new unsaved scan result.
    void Scan();
    void OpenImage();
    void Rescan();
    void CloseStorage();
    void DeletePartition();
    // The imaging window for the selected storage.
    void ImageStorage();
    void OpenManual();
    void ShowAbout();
    void CopySelected();
    void QuickView();
    void EditSettings();
    // The smaller forms (fs_tool_commands.cpp).
    void DefinePartition();
    void TestFileSystem();
    void SearchInFolder();
    void EvaluateSelection();
    void ShowObjectProperties();

    // --- cNavigationProvider ----------------------------------------------------------
    bool IsValidPath(std::u16string_view path) override;

protected:
    int List(const std::u16string& path) override;

private:
    // Runs storage work that may take long (reading a slow or damaged disk) on a job
    // thread while a small modal window says what is being done; headless, in place.
    void RunStorageWork(std::u16string status, const std::function<void()>& work);
    void ShowStorageView();
    void ShowRowMenu(int row);
    void ShowResultMenu();
    void BuildToolBar(bool browse);
    // Lists the root of node's file system (none: nothing to list).
    void ShowNode(cPartTreeItem& node, cVFS* fs);
    // A partition or result chosen in the partition tree.
    void OpenNode(cPartTreeItem* node);
    // The partition tree and the tool bar after the results changed.
    void ShowResults();
    static constexpr int kListingFailed = 1;
    static constexpr int kListingStopped = 2;
    struct cListing {
        std::uint64_t generation = 0;
        int result = 0;
        std::u16string path;
        explorer::cFolderRows rows;
    };
    void OnListingDone();
    int ListFolder(const std::u16string& path, std::unique_ptr<cFSObject> folder,
                   explorer::cFolderRows& rows);
    std::u16string T(int number) const;

    cStorageList& list_;
    cToolBarChild* toolBar_ = nullptr;
    explorer::cStorageViewChild* storageView_ = nullptr;
    explorer::cBrowseViewChild* browseView_ = nullptr;
    explorer::cScanResults scanResults_;

    // The opened partition; its file system is read only by the navigation job while one
    // runs, and by the window thread otherwise.
    cQORNDriveInstance* entry_ = nullptr;
    cPartTreeItem* partition_ = nullptr;
    cPartTreeItem* shown_ = nullptr;
    cVFS* fs_ = nullptr;
    // The result node a context menu was opened on.
    const cPartTreeItem* menuNode_ = nullptr;

    // Handed between the window thread and the navigation job: the number of the latest
    // request, the folder entry to list (when the request came from a row) and what the
    // last listing found.
    cCriticalSection listingLock_;
    std::uint64_t generation_ = 0;
    std::u16string requestedPath_;
    std::unique_ptr<cFSObject> requestedFolder_;
    std::optional<cListing> listed_;
};
