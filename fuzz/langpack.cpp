// Registers arbitrary bytes as a language pack over the English base pack, then reads
// texts back: a hostile record must be rejected or merged without reading out of bounds.

#include "base/lang/builtin_packs.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cTextRegistry registry;
    lang::RegisterPack(lang::EnglishPack(), registry);
    if (!lang::RegisterPack(std::span(data, size), registry)) {
        return 0;
    }
    for (std::string_view name : {"tusk::messages", "tusk::filechoose", "s", ""}) {
        const cTextSection* section = registry.FindSection(name);
        if (section == nullptr) {
            continue;
        }
        for (int i = -1; i <= section->Count(); ++i) {
            if (auto text = section->Text(i)) {
                volatile std::size_t length = text->size();
                (void)length;
            }
        }
    }
    return 0;
}
