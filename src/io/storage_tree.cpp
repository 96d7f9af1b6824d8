#include "io/storage_tree.h"

namespace {
cStorageTreeBuilder g_builder = nullptr;
} // namespace

void SetStorageTreeBuilder(cStorageTreeBuilder builder) {
    g_builder = builder;
}

cStorageTreeBuilder GetStorageTreeBuilder() {
    return g_builder;
}
