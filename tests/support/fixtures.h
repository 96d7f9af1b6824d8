#pragma once
// Disk images for tests are made by scripts in tests/fixtures/ with the real tools
// (mkfs.fat, mtools, ntfs-3g, sfdisk, ...). Each script runs once per content: its
// output folder is named after a hash of the script, so editing a script rebuilds its
// images, and a lock keeps parallel test processes from building the same folder twice.

#include <string>

namespace fixtures {

// Runs tests/fixtures/SCRIPT (if its images are not cached yet) with the output folder
// as its only argument and returns that folder. Fails the calling test (and returns an
// empty string) when the script fails.
std::string Folder(const std::string& script);

// Folder(script) + "/" + name, for scripts that make one or a few images.
std::string Image(const std::string& script, const std::string& name);

// True when the process runs as root; tests that need loop devices, FUSE or mounts
// skip with GTEST_SKIP() otherwise. CI runs as root.
bool IsRoot();

// The folder of the project's sources and of the built programs.
std::string SourceDir();
std::string BinDir();

// A fresh empty folder under the build tree for one test's output, removed by the
// test's own TearDown if it wants; named after the current test.
std::string ScratchDir();

} // namespace fixtures
