// The VHD reader over arbitrary bytes: footers and headers claiming any block size,
// tables past the file, fixed disks larger than the file.

#include "container_fuzz.h"
#include "io/containers/vhd_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cMSVpcIO>(data, size);
    return 0;
}
