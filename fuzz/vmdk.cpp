// The VMDK reader over arbitrary bytes: headers claiming grains of any size, tables and
// directories past the file, compressed grains that do not inflate to a grain.

#include "container_fuzz.h"
#include "io/containers/vmdk_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    container_fuzz::Exercise<cVMWareIO>(data, size);
    return 0;
}
