#include "io/container_formats.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

namespace {

// A container that claims carriers whose first byte is its tag, and remembers what it
// was opened over.
template <std::uint8_t Tag> class TaggedIO final : public cBaseIO {
public:
    static inline int made = 0;
    static inline int destroyed = 0;
    TaggedIO() { ++made; }
    ~TaggedIO() override { ++destroyed; }

    std::unique_ptr<cBaseIO> Duplicate() const override { return nullptr; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kNested; }
    std::uint32_t GetStorageKind() const override { return storage_kind::kVmdk; }
    bool Open(const cBaseIoResource* resource, bool readOnly) override {
        if (!resource || resource->GetKind() != GetResourceKind() ||
            !carrier_.AssignFrom(*resource)) {
            return false;
        }
        std::uint8_t first = 0;
        readOnly_ = readOnly;
        return carrier_.Reader()->ReadBytes(&first, 0, 1) && first == Tag;
    }
    const cBaseIoResource* GetResource() const override { return &carrier_; }

private:
    cNastedIOResource carrier_;
};

template <std::uint8_t Tag> std::unique_ptr<cBaseIO> MakeTagged() {
    return std::make_unique<TaggedIO<Tag>>();
}

const cContainerFormat kFormats[] = {{"one", MakeTagged<1>}, {"two", MakeTagged<2>}};

} // namespace

TEST(ContainerFormats, FirstFormatThatOpensWinsOverADuplicateOfTheCarrier) {
    std::vector<std::uint8_t> bytes(4096);
    bytes[0] = 2;
    const cMemIO carrier(bytes);
    std::unique_ptr<cBaseIO> container = OpenContainer(carrier, kFormats);
    ASSERT_NE(container, nullptr);
    EXPECT_NE(dynamic_cast<TaggedIO<2>*>(container.get()), nullptr);
    EXPECT_TRUE(container->IsReadOnly());
    // The refused reader of the first format is gone; the winner reads its own duplicate.
    EXPECT_EQ(TaggedIO<1>::made, TaggedIO<1>::destroyed);
    const auto* nested = static_cast<const cNastedIOResource*>(container->GetResource());
    EXPECT_NE(nested->Reader(), &carrier);
    EXPECT_TRUE(nested->Reader()->IsSameStorage(&carrier));

    bytes[0] = 3;
    EXPECT_EQ(OpenContainer(cMemIO(bytes), kFormats), nullptr);
    EXPECT_EQ(OpenContainer(carrier), nullptr); // no real format claims these bytes
}
