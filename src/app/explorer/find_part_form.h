#pragma once
// The lost-partition search window ("qorns::findpart"): searches the whole storage on a
// job thread, lists each volume found with its root check, saves and loads the list as a
// partition list file, and keeps the partitions the user selects in the storage's tree.

#include "app/findpart/found_list.h"
#include "app/findpart/part_scan_job.h"
#include "base/progress_meter.h"
#include "gui/custom_form.h"

#include <memory>
#include <string>

class cButtonChild;
class cListViewChild;
class cStaticElement;
class cStorageList;

namespace explorer {

class cFindPartMainForm : public cCustomForm, public cPartScanFront {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 350;
    // Command ids of the buttons.
    static constexpr int kCmdSearch = 1;
    static constexpr int kCmdStop = 2;
    static constexpr int kCmdSave = 3;
    static constexpr int kCmdLoad = 4;
    static constexpr int kCmdKeep = 5;
    static constexpr int kCmdClose = 6;

    // storages: the list that holds storage, where kept partitions go.
    cFindPartMainForm(cStorageList& storages, cBaseIO& storage);
    ~cFindPartMainForm() override;

    std::string FormName() const override { return "cFindPartMainForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnCloseRequest() override;
    void OnSize() override;
    void OnAction(cChildAction& action) override;

    cListViewChild& List() { return *list_; }
    cFoundList& Found() { return found_; }
    bool Searching() { return job_.IsRunning(); }
    std::u16string_view Status() const;
    // Writes and reads the list as the save and load commands do once a file is chosen;
    // false after showing the message that says why.
    bool SaveTo(const std::string& path);
    bool LoadFrom(const std::string& path);

protected:
    // The job's side (its own thread): changes reach the window as actions.
    bool OnProgress(double percent) override;
    void OnRowAdded(cPartTreeItem& node) override;
    void OnSearchFinished(unsigned result) override;

private:
    void StartSearch();
    void Save();
    void Load();
    void Keep();
    void Close();
    // Fills the list again from the found rows, under the list's lock.
    void RefillRows();
    void LayOut();
    void UpdateButtons(bool running);
    void ShowProgress(double percent, std::uint64_t elapsedMs, std::uint64_t remainingMs);
    bool HasUnsavedRows();
    std::u16string T(int number) const;

    cStorageList& storages_;
    cFoundList found_;
    cPartScanJob job_;
    cProgressMeter meter_{0};
    std::uint64_t searchStartMs_ = 0;
    cListViewChild* list_ = nullptr;
    cStaticElement* status_ = nullptr;
    cButtonChild* search_ = nullptr;
    cButtonChild* stop_ = nullptr;
    cButtonChild* save_ = nullptr;
    cButtonChild* load_ = nullptr;
    cButtonChild* keep_ = nullptr;
    cButtonChild* close_ = nullptr;
};

// Opens the window for a storage of the list, modal over owner; true when partitions
// were kept (the storage view then redraws).
bool FindLostPartitions(cCustomForm* owner, cStorageList& storages, cBaseIO& storage);

} // namespace explorer
