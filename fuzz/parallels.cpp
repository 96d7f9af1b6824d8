// The Parallels reader over arbitrary bytes: both signatures, any cluster size, tables
// past the file, entries naming blocks far beyond it.

#include "container_fuzz.h"
#include "io/containers/parallels_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cParallelsIO>(data, size);
    return 0;
}
