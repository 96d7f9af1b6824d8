#include "base/lang/text_source.h"

std::optional<std::u16string_view> cTextSource::Text(int number) const {
    const cTextSection* section = TextSection();
    if (section == nullptr) {
        return std::nullopt;
    }
    return section->Text(number);
}

const cTextSection* cTextSource::TextSection() const {
    // Elements that name no section are not cached: they may be moved to another
    // parent, while a named section belongs to the element itself.
    for (const cTextSource* element = this; element != nullptr; element = element->TextParent()) {
        std::string_view id = element->TextSectionId();
        if (id.empty()) {
            continue;
        }
        if (element->section_ == nullptr) {
            element->section_ = element->TextRegistry().FindSection(id);
        }
        return element->section_;
    }
    return nullptr;
}
