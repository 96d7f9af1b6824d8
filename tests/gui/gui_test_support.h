#pragma once
// Helpers of the GUI tests: the built-in language packs, finding controls, and where
// rendered pictures go.

#include "base/lang/builtin_packs.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"
#include "gui/controls/button_child.h"
#include "gui/custom_form.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace gui_test {

// English first, Russian over it, as the program starts.
inline void RegisterPacks() {
    static const bool registered = lang::RegisterPack(lang::EnglishPack(), lang::Registry()) &&
                                   lang::RegisterPack(lang::RussianPack(), lang::Registry());
    (void)registered;
}

inline cButtonChild* FindButton(cChildElement& root, int commandId) {
    for (const auto& child : root.Children()) {
        if (auto* button = dynamic_cast<cButtonChild*>(child.get());
            button && button->CommandId() == commandId) {
            return button;
        }
        if (cButtonChild* found = FindButton(*child, commandId)) {
            return found;
        }
    }
    return nullptr;
}

inline cPoint Centre(const cChildElement& element) {
    const cRect r = element.FormRect();
    return {r.x + r.w / 2, r.y + r.h / 2};
}

inline std::string ShotPath(const std::string& name) {
    const char* folder = std::getenv("DROVIK_GUI_SHOTS");
    const std::string dir = folder ? folder : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

} // namespace gui_test
