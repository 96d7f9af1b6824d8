// The compressed image reader over arbitrary bytes: records of unknown kinds, billions of
// blocks, streams that do not inflate to a block.

#include "container_fuzz.h"
#include "io/containers/uci_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cUciIO>(data, size);
    return 0;
}
