#include "base/settings.h"

#include "base/utf.h"
#include "platform/environment.h"

#include <algorithm>

bool cSettingsStore::Load(const std::u16string& path) {
    Close();
    table_.clear();
    const std::string filePath = utf::ToUtf8(path);
    if (!platform::IsMissingOrPlainFile(filePath)) {
        return false;
    }
    if (file_.Open(filePath, true, platform::StorageFile::Accept::PlainFileOnly)) {
        std::uint8_t header[settings_codec::kHeaderSize];
        if (file_.ReadAt(header, sizeof header, 0) == sizeof header) {
            if (const auto areaLength = settings_codec::ParseHeader(header)) {
                if (*areaLength == 0 || ReadArea(*areaLength)) {
                    return true;
                }
                Close();
                return false;
            }
        }
        Close();
    }
    return CreateEmpty(filePath);
}

void cSettingsStore::Close() {
    file_.Close();
}

bool cSettingsStore::ReadArea(std::uint32_t areaLength) {
    const std::optional<std::uint64_t> fileSize = file_.Size();
    if (!fileSize || *fileSize < settings_codec::kHeaderSize) {
        return false;
    }
    // Only the stream matters; whatever follows it is left over from older content, and
    // no stream of an acceptable area is longer than MaxStreamLength.
    const std::size_t streamLength = std::size_t(std::min<std::uint64_t>(
        *fileSize - settings_codec::kHeaderSize, settings_codec::MaxStreamLength()));
    std::vector<std::uint8_t> stream(streamLength);
    stream.resize(file_.ReadAt(stream.data(), stream.size(), settings_codec::kHeaderSize));
    const auto area = settings_codec::InflateArea(stream, areaLength);
    return area && settings_codec::ParseRecords(*area, table_);
}

bool cSettingsStore::CreateEmpty(const std::string& path) {
    if (!file_.Create(path, platform::StorageFile::Accept::PlainFileOnly)) {
        return false;
    }
    const std::vector<std::uint8_t> header = settings_codec::MakeHeader(0);
    if (file_.WriteAt(header.data(), header.size(), 0) != header.size()) {
        Close();
        return false;
    }
    return true;
}

std::optional<bytes::Span> cSettingsStore::Get(std::int32_t key) const {
    const auto found = table_.find(key);
    if (found == table_.end()) {
        return std::nullopt;
    }
    return bytes::Span(found->second);
}

bool cSettingsStore::Set(std::int32_t key, bytes::Span value) {
    if (!IsOpen()) {
        return false;
    }
    const auto found = table_.find(key);
    if (found != table_.end() &&
        std::equal(found->second.begin(), found->second.end(), value.begin(), value.end())) {
        return true;
    }
    table_[key].assign(value.begin(), value.end());
    return Rewrite();
}

bool cSettingsStore::Rewrite() {
    const std::vector<std::uint8_t> area = settings_codec::SerialiseRecords(table_);
    const auto stream = settings_codec::DeflateArea(area);
    if (!stream) {
        return false;
    }
    // The file is not truncated: a shorter stream leaves older bytes behind it, which
    // readers ignore because the stream carries its own end.
    const std::vector<std::uint8_t> header = settings_codec::MakeHeader(std::uint32_t(area.size()));
    return file_.WriteAt(header.data(), header.size(), 0) == header.size() &&
           file_.WriteAt(stream->data(), stream->size(), header.size()) == stream->size();
}

std::optional<std::u16string> cSettingsStore::GetText(std::int32_t key) const {
    const std::optional<bytes::Span> value = Get(key);
    if (!value) {
        return std::nullopt;
    }
    std::u16string text = utf::FromUtf16LE(*value);
    if (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return text;
}

bool cSettingsStore::SetText(std::int32_t key, std::u16string_view text, bool withTerminator) {
    std::string encoded = utf::ToUtf16LEBytes(text);
    if (withTerminator) {
        encoded.append(2, '\0');
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(encoded.data());
    return Set(key, bytes::Span(data, encoded.size()));
}

cSettingsStore& Settings() {
    static cSettingsStore store;
    return store;
}

std::optional<std::u16string> SettingsFolderIn(const std::u16string& home) {
    if (!platform::IsDirectory(utf::ToUtf8(home))) {
        return std::nullopt;
    }
    std::u16string folder = home + u"/.drovik";
    const std::string folderPath = utf::ToUtf8(folder);
    if (!platform::IsDirectory(folderPath) &&
        platform::CreateFolder(folderPath) == platform::FolderCreation::Failed) {
        return std::nullopt;
    }
    return folder;
}

bool OpenSettings() {
    const std::optional<std::string> home = platform::HomeFolder();
    const std::optional<std::u16string> folder =
        home ? SettingsFolderIn(utf::FromUtf8(*home)) : std::nullopt;
    // Without a usable settings folder there is no other place the settings belong to;
    // the program runs without kept settings.
    if (!folder || !Settings().Load(*folder + u"/config.hbin")) {
        return false;
    }
    Settings().SetText(kSettingStartMark, u"1", false);
    return true;
}
