#pragma once
// The file search of the browse view: "Параметры поиска" takes the pattern, the size
// condition and the options; the search then runs under a progress form and hands each
// match to a cSearchFoundNotifyTarget, which the main window lists.

#include "app/fs_tools/file_search.h"
#include "gui/unknown_progress_form.h"

#include <memory>
#include <mutex>
#include <vector>

class cCheckBoxChild;
class cComboBoxChild;
class cEditChild;

namespace explorer {

class cSearchParamsForm : public cCustomForm {
public:
    static constexpr int kWidth = 440;
    static constexpr int kHeight = 220;
    static constexpr int kCommandSearch = 1;
    static constexpr int kCommandCancel = 2;

    explicit cSearchParamsForm(std::u16string folder)
        : cCustomForm("qorns::search"), folder_(std::move(folder)) {}
    std::string FormName() const override { return "cSearchParamsForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;

    cEditChild& TextField() { return *text_; }
    cComboBoxChild& SizeCondition() { return *condition_; }
    cEditChild& SizeField() { return *size_; }
    cCheckBoxChild& FoldersBox() { return *folders_; }
    cCheckBoxChild& CaseBox() { return *case_; }
    // The search the fields describe: "*" without text, else "*TEXT*"; nothing when the
    // size is needed and is not a number.
    std::optional<cSearchParams> Params() const;

private:
    std::u16string folder_;
    cEditChild* text_ = nullptr;
    cComboBoxChild* condition_ = nullptr;
    cEditChild* size_ = nullptr;
    cCheckBoxChild* folders_ = nullptr;
    cCheckBoxChild* case_ = nullptr;
};

// Receives the matches of a search, on the search's thread.
class cSearchFoundNotifyTarget {
public:
    virtual ~cSearchFoundNotifyTarget() = default;
    // False when no more can be taken: the search then ends as too many.
    virtual bool OnFound(const cFSObject& object, const std::u16string& path) = 0;
};

// The hit list the main window shows: at most kMaxHits objects.
class cSearchHits final : public cSearchFoundNotifyTarget {
public:
    static constexpr std::size_t kMaxHits = 1000;
    bool OnFound(const cFSObject& object, const std::u16string& path) override;
    std::vector<std::unique_ptr<cFSObject>> Take();

private:
    std::mutex lock_;
    std::vector<std::unique_ptr<cFSObject>> hits_;
};

// Runs the search on its job; ends with the eSearchEnd value as its result.
class cFileSearchForm final : public cUnknownProgressForm {
public:
    cFileSearchForm(cVFS& fs, const cFSObject& start, cSearchParams params,
                    cSearchFoundNotifyTarget& target);
    ~cFileSearchForm() override;
    std::string FormName() const override { return "cFileSearchForm"; }
    std::u16string Caption() const override;

protected:
    unsigned Run() override;

private:
    cVFS& fs_;
    std::unique_ptr<cFSObject> start_;
    cSearchParams params_;
    cSearchFoundNotifyTarget& target_;
};

} // namespace explorer
