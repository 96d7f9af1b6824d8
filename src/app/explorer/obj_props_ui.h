#pragma once
// "Свойства объекта": the file-system facts of one folder or file as property rows with
// their help texts: name, kind, number, data size and last change.

#include "gui/custom_form.h"
#include "vfs/fs_object.h"

#include <memory>

class cPropSheetChild;

namespace explorer {

class cObjPropsUI : public cCustomForm {
public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 250;
    static constexpr int kCommandClose = 1;

    explicit cObjPropsUI(const cFSObject& object)
        : cCustomForm("qorns::props"), object_(object.Clone()) {}
    std::string FormName() const override { return "cObjPropsUI"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    cPropSheetChild& Sheet() { return *sheet_; }

private:
    std::unique_ptr<cFSObject> object_;
    cPropSheetChild* sheet_ = nullptr;
};

} // namespace explorer
