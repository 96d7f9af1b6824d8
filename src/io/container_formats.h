#pragma once
// The container image formats an opened image file is tried against, in order; the
// first reader that opens wins, and a file no format claims is read as a raw image.
// Each entry makes a fresh closed reader; the storage list opens it read-only over a
// nested resource holding a duplicate of the image file's reader.

#include "io/base_io.h"

#include <memory>
#include <span>

struct cContainerFormat {
    const char* name;
    std::unique_ptr<cBaseIO> (*make)();
};

std::span<const cContainerFormat> ContainerFormats();

// The first of the formats whose reader opens over the carrier, opened read-only; null
// when the carrier is no container of any of them (or cannot be duplicated).
std::unique_ptr<cBaseIO>
OpenContainer(const cBaseIO& carrier,
              std::span<const cContainerFormat> formats = ContainerFormats());
