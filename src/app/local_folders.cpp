#include "app/local_folders.h"

#include "base/utf.h"
#include "platform/directory_listing.h"
#include "platform/environment.h"
#include "platform/local_files.h"

std::optional<std::u16string> cPlatformFolders::HomeFolder() const {
    if (const auto home = platform::HomeFolder()) {
        return utf::FromUtf8(*home);
    }
    return std::nullopt;
}

bool cPlatformFolders::IsFolder(const std::u16string& path) const {
    return platform::IsDirectory(utf::ToUtf8(path));
}

bool cPlatformFolders::Exists(const std::u16string& path) const {
    return platform::ProbeLocalPath(utf::ToUtf8(path)) != platform::LocalPathKind::Missing;
}

std::optional<std::vector<cLocalFolders::cEntry>>
cPlatformFolders::List(const std::u16string& path) const {
    auto listed = platform::ListLocalFolder(utf::ToUtf8(path));
    if (!listed) {
        return std::nullopt;
    }
    std::vector<cEntry> entries;
    entries.reserve(listed->size());
    for (const auto& e : *listed) {
        entries.push_back({utf::FromUtf8(e.name), e.isFolder, e.size, e.modified});
    }
    return entries;
}

bool cPlatformFolders::CreateFolder(const std::u16string& path) const {
    return platform::CreateLocalFolder(utf::ToUtf8(path)) != platform::LocalFolderResult::Failed;
}

const cLocalFolders& LocalFolders() {
    static const cPlatformFolders folders;
    return folders;
}
