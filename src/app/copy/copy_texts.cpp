#include "app/copy/copy_texts.h"

#include "base/lang/text_registry.h"

namespace copytext {

std::u16string Text(int number, std::string_view section) {
    return std::u16string(lang::Registry().Text(section, number).value_or(u""));
}

std::u16string Fill(std::u16string_view pattern, std::initializer_list<std::u16string_view> args) {
    std::u16string out;
    const std::u16string_view* next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u's') {
                if (next != args.end())
                    out += *next++;
                ++i;
                continue;
            }
            if (pattern[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

} // namespace copytext
