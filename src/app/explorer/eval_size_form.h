#pragma once
// "Оцененный размер данных": the size evaluation of the browse view's selection, its
// numbers redrawn while the job counts; the stop button becomes "close" at the end.

#include "app/fs_tools/eval_size.h"
#include "gui/custom_form.h"

#include <array>
#include <memory>

class cButtonChild;
class cStaticElement;

namespace explorer {

class cEvalDataSizeForm : public cCustomForm {
public:
    static constexpr int kWidth = 440;
    static constexpr int kHeight = 310;
    static constexpr int kCommandStop = 1;

    cEvalDataSizeForm(cVFS& fs, std::vector<std::unique_ptr<cFSObject>> selection);
    ~cEvalDataSizeForm() override;
    std::string FormName() const override { return "cEvalDataSizeForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    void OnCloseRequest() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

    bool Running() const { return running_; }
    cButtonChild& StopButton() { return *stop_; }
    // The value column: files, bytes, then one row per block size.
    std::u16string ValueText(std::size_t row) const;

private:
    void ShowCounters();

    bool running_ = false;
    cButtonChild* stop_ = nullptr;
    std::array<cStaticElement*, 2 + cEvalSizeCounters::kBlockSizes.size()> values_{};
    std::unique_ptr<cEvalSizeJob> job_;
};

} // namespace explorer
