#include "app/copy/copy_texts.h"

#include "base/lang/text_registry.h"

namespace copytext {

std::u16string Text(int number, std::string_view section) {
    return std::u16string(lang::Registry().Text(section, number).value_or(u""));
}

} // namespace copytext
