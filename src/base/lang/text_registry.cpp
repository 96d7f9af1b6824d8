#include "base/lang/text_registry.h"

#include <utility>

std::optional<std::u16string_view> cTextSection::Text(int number) const {
    if (number < 0 || number >= Count() || !texts_[std::size_t(number)]) {
        return std::nullopt;
    }
    return std::u16string_view(*texts_[std::size_t(number)]);
}

void cTextSection::SetText(std::uint16_t number, std::u16string text) {
    if (number >= texts_.size()) {
        texts_.resize(std::size_t(number) + 1);
    }
    texts_[number] = std::move(text);
}

const cTextSection* cTextRegistry::FindSection(std::string_view name) const {
    auto found = sections_.find(name);
    return found == sections_.end() ? nullptr : &found->second;
}

cTextSection& cTextRegistry::ObtainSection(std::string_view name) {
    auto found = sections_.find(name);
    if (found != sections_.end()) {
        return found->second;
    }
    return sections_.emplace(std::string(name), cTextSection{}).first->second;
}

std::optional<std::u16string_view> cTextRegistry::Text(std::string_view section, int number) const {
    const cTextSection* found = FindSection(section);
    return found == nullptr ? std::nullopt : found->Text(number);
}

void cTextRegistry::SetLanguage(std::string code, std::u16string name) {
    languageCode_ = std::move(code);
    languageName_ = std::move(name);
}

namespace lang {

cTextRegistry& Registry() {
    static cTextRegistry registry;
    return registry;
}

} // namespace lang
