#pragma once
// What the container tests share: opening an image file as the storage list does,
// comparing every sector a reader gives with the bytes an independent reader produced,
// and making new containers through a reader's Create.

#include "io/base_io.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace container_check {

// An image made by tests/fixtures/containers.sh.
std::string Fixture(const std::string& name);

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The image file opened read-only, as a container when a format claims it, else raw.
std::unique_ptr<cBaseIO> OpenImage(const std::string& path);

// The reader gives exactly these bytes, read in requests of changing sizes so that they
// start and end inside blocks as well as on their edges.
::testing::AssertionResult SameSectors(cBaseIO& disk, const std::vector<std::uint8_t>& expected);

// qemu-img's reading of an image as a raw disk (format named, never probed); empty when
// qemu-img refuses it.
std::vector<std::uint8_t> QemuRaw(const std::string& image, const std::string& format);

// A new container of capacity sectors made by reader's Create over a new file at path,
// left open for writing; null when any step fails.
std::unique_ptr<cBaseIO> CreateContainer(std::unique_ptr<cBaseIO> reader, const std::string& path,
                                         std::uint64_t capacity);

// Writes runs of a pattern into disk and into the same places of expected: a run
// crossing block edges, a single sector, a run rewriting part of the first, and the last
// sectors of the disk.
void WriteRuns(cBaseIO& disk, std::vector<std::uint8_t>& expected);

} // namespace container_check
