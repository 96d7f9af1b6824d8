#include "base/program_paths.h"

#include "base/utf.h"
#include "platform/environment.h"

#include <algorithm>

namespace {

ProgramPaths& Current() {
    static ProgramPaths paths{u"", u"./"};
    return paths;
}

void UseForwardSlashes(std::u16string& path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
}

} // namespace

ProgramPaths ProgramPathsFromArgument(const char* firstArgument) {
    if (!firstArgument) {
        return {u"", u"./"};
    }
    ProgramPaths paths;
    paths.file = utf::FromUtf8(firstArgument);
    // A backslash wins over a slash even when a slash comes later, as the folder is cut
    // before the separators are unified.
    std::size_t cut = paths.file.rfind(u'\\');
    if (cut == std::u16string::npos) {
        cut = paths.file.rfind(u'/');
    }
    if (cut != std::u16string::npos) {
        paths.folder = paths.file.substr(0, cut + 1);
    }
    UseForwardSlashes(paths.file);
    UseForwardSlashes(paths.folder);
    return paths;
}

std::u16string DataFolderOf(const std::u16string& programFolder) {
    static constexpr std::u16string_view kBin = u"/bin/";
    if (programFolder.ends_with(kBin)) {
        const std::u16string installed =
            programFolder.substr(0, programFolder.size() - kBin.size()) + u"/share/drovik/";
        if (platform::IsDirectory(utf::ToUtf8(installed))) {
            return installed;
        }
    }
    return programFolder;
}

void SetProgramPaths(ProgramPaths paths) {
    Current() = std::move(paths);
}
const std::u16string& ProgramFilePath() {
    return Current().file;
}
const std::u16string& ProgramFolder() {
    return Current().folder;
}
const std::u16string& ProgramDataFolder() {
    static const std::u16string folder = [] {
        const std::optional<std::string> executable = platform::ExecutableFolder();
        return DataFolderOf(executable ? utf::FromUtf8(*executable) : ProgramFolder());
    }();
    return folder;
}
