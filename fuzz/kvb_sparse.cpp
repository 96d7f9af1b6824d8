// The sparse volume reader over arbitrary bytes: maps past the file, entries naming blocks
// beyond it, block sizes of 0 or huge.

#include "container_fuzz.h"
#include "io/containers/kvb_sparse_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cKVBSparseIO>(data, size);
    return 0;
}
