// The DMG reader over arbitrary bytes: trailers naming forks and lists past the file,
// block tables claiming billions of chunks, chunks that do not inflate to their length,
// property lists with damaged base64.

#include "container_fuzz.h"
#include "io/containers/dmg_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cDmgIO>(data, size);
    return 0;
}
