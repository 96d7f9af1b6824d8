#include "io/container_formats.h"

#include "io/containers/dmg_io.h"
#include "io/containers/kvb_sparse_io.h"
#include "io/containers/parallels_io.h"
#include "io/containers/uci_io.h"
#include "io/containers/vhd_io.h"
#include "io/containers/vmdk_io.h"

#include <array>

namespace {

template <class Reader> std::unique_ptr<cBaseIO> Make() {
    return std::make_unique<Reader>();
}

// Probe order matters: formats with a header at byte 0 and a strong magic come before
// those recognised by a footer or a weaker test.
constexpr std::array kFormats{
    cContainerFormat{"VMDK", Make<cVMWareIO>},
    cContainerFormat{"VHD", Make<cMSVpcIO>},
    cContainerFormat{"Parallels", Make<cParallelsIO>},
    cContainerFormat{"KVB sparse", Make<cKVBSparseIO>},
    cContainerFormat{"UCI", Make<cUciIO>},
    cContainerFormat{"DMG", Make<cDmgIO>},
};

} // namespace

std::span<const cContainerFormat> ContainerFormats() {
    return kFormats;
}

std::unique_ptr<cBaseIO> OpenContainer(const cBaseIO& carrier,
                                       std::span<const cContainerFormat> formats) {
    for (const cContainerFormat& format : formats) {
        std::unique_ptr<cBaseIO> duplicate = carrier.Duplicate();
        if (!duplicate) {
            return nullptr;
        }
        const cNastedIOResource resource(std::move(duplicate));
        std::unique_ptr<cBaseIO> reader = format.make();
        if (reader && reader->Open(&resource, true)) {
            return reader;
        }
    }
    return nullptr;
}
