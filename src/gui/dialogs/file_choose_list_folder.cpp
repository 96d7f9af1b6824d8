#include "gui/dialogs/file_choose_list_folder.h"

namespace chooser_path {

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') {
        path += u'/';
    }
    path += name;
    return path;
}

std::u16string Parent(std::u16string_view path) {
    while (path.size() > 1 && path.back() == u'/') {
        path.remove_suffix(1);
    }
    if (path == u"/" || path.empty()) {
        return {};
    }
    const std::size_t cut = path.rfind(u'/');
    if (cut == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(cut == 0 ? u"/" : path.substr(0, cut));
}

std::u16string_view Name(std::u16string_view path) {
    const std::size_t cut = path.rfind(u'/');
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

} // namespace chooser_path

bool cFileChooseListFolder::IsValidPath(std::u16string_view path) {
    return path.empty() || folders_.IsFolder(std::u16string(path));
}

int cFileChooseListFolder::List(const std::u16string& path) {
    std::vector<cEntry> entries;
    int result = kListed;
    if (path.empty()) {
        entries.push_back({u"/", true});
        if (auto home = folders_.HomeFolder()) {
            entries.push_back({std::move(*home), true});
        }
    } else if (auto listed = folders_.List(path)) {
        cJob::ThrowIfAborted();
        entries = std::move(*listed);
    } else {
        result = kUnreadable;
    }
    cScopedLock lock(lock_);
    entries_ = std::move(entries);
    listedPath_ = path;
    return result;
}

std::vector<cFileChooseListFolder::cEntry> cFileChooseListFolder::TakeListing() {
    cScopedLock lock(lock_);
    return std::move(entries_);
}

std::u16string cFileChooseListFolder::ListedPath() {
    cScopedLock lock(lock_);
    return listedPath_;
}
