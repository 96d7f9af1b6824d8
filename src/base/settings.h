#pragma once
// The settings store: a small table of byte strings by 32-bit key, kept in
// $HOME/.drovik/config.hbin (format in settings_codec.h). The file stays open for the
// whole run and every change rewrites it at once. Used from the window thread only, so
// it has no lock.

#include "base/bytes.h"
#include "base/settings_codec.h"
#include "platform/storage_file.h"

#include <cstdint>
#include <optional>
#include <string>

// Keys in use. Text values are UTF-16LE; "with terminator" values include the 2-byte NUL.
enum SettingKey : std::int32_t {
    kSettingQuickViewFolder = 2,  // with terminator
    kSettingStartMark = 5,        // the single character "1", no terminator, set at every start
    kSettingLastCopyFolder = 17,  // with terminator
    kSettingLastImageFolder = 18, // with terminator
    // The interface language the user chose, as a pack code ("ENG", "RUS"), with
    // terminator; absent or empty, the locale decides.
    kSettingLanguage = 40
};

class cSettingsStore {
public:
    cSettingsStore() = default;
    cSettingsStore(const cSettingsStore&) = delete;
    cSettingsStore& operator=(const cSettingsStore&) = delete;

    // Drops what was held and reads the file at path, keeping it open for later changes.
    // A missing, short or foreign file is replaced by an empty one (the bare header);
    // true when the file was read or newly made. A damaged stream or record fails the
    // load and closes the file, keeping the records read before the damage. Anything at
    // path other than a plain file (a link, a device, a folder) is left alone and fails
    // the load.
    bool Load(const std::u16string& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }

    // The stored bytes, valid until the key is set again or the store is reloaded.
    std::optional<bytes::Span> Get(std::int32_t key) const;
    // Stores value and rewrites the file; true when the value was already equal (the
    // file is then not touched) or the whole file was written. Without an open file it
    // stores nothing and answers false.
    bool Set(std::int32_t key, bytes::Span value);

    // Text values: Get drops one trailing terminator; Set writes one when asked to.
    std::optional<std::u16string> GetText(std::int32_t key) const;
    bool SetText(std::int32_t key, std::u16string_view text, bool withTerminator);

private:
    bool ReadArea(std::uint32_t areaLength);
    bool CreateEmpty(const std::string& path);
    bool Rewrite();

    settings_codec::Table table_;
    platform::StorageFile file_;
};

// The program's store, closed at process exit.
cSettingsStore& Settings();

// The folder ".drovik" in home, created when missing; nothing when home is not a folder
// or the settings folder cannot be made.
std::optional<std::u16string> SettingsFolderIn(const std::u16string& home);

// Opens the program's settings at start-up: finds the home folder, loads config.hbin
// from the settings folder and marks the start (key 5). Failure is silent; the program
// then runs without kept settings and every later Set answers false.
bool OpenSettings();
