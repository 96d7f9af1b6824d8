#pragma once
// "Определить параметры нового раздела": a partition defined by hand on a storage from
// its first sector and its size. The detection runs on the range first: the form shows
// what it found, asks before defining a partition that holds nothing it knows, and offers
// the file system's own size when it differs from the one entered.

#include "gui/custom_form.h"

#include <cstdint>
#include <optional>

class cEditChild;
class cPartTree;
class cPartTreeItem;
class cStorageList;

namespace explorer {

class cDefPartForm : public cCustomForm {
public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 230;
    static constexpr int kCommandDefine = 1;
    static constexpr int kCommandCancel = 2;

    cDefPartForm(cStorageList& list, cPartTree& tree);
    std::string FormName() const override { return "cDefPartForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;

    cEditChild& TypeField() { return *type_; }
    cEditChild& LabelField() { return *label_; }
    cEditChild& StartField() { return *start_; }
    cEditChild& SizeField() { return *size_; }
    // The partition defined, once the form has ended with 1.
    cPartTreeItem* Defined() const { return defined_; }
    // What "Определить" does: detection, the questions, then the partition.
    void Define();

private:
    std::optional<std::uint64_t> Field(const cEditChild& field) const;

    cStorageList& list_;
    cPartTree& tree_;
    cEditChild* type_ = nullptr;
    cEditChild* label_ = nullptr;
    cEditChild* start_ = nullptr;
    cEditChild* size_ = nullptr;
    cPartTreeItem* defined_ = nullptr;
};

} // namespace explorer
