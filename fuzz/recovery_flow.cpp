// The recovery flow over a partition of arbitrary bytes, every question answered yes:
// the choice of stages from what the bytes look like, a reader mounted from them (when
// the first byte asks for detection first) whose geometry the flow takes over, and the
// NTFS and FAT stages on what the detections make of them.

#include "app/recovery_flow/recovery_flow.h"

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/detect.h"

#include <cstdint>
#include <vector>

namespace {

class cAgreeingUi final : public recovery::cRecoveryUi {
public:
    void ShowMessage(int) override {}
    bool Ask(int) override { return true; }
    recovery::StageEnd RunStage(const recovery::cStage& stage) override {
        return stage.job(nullptr) ? recovery::StageEnd::kDone : recovery::StageEnd::kFailed;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > (8u << 20)) {
        return 0;
    }
    cMemIO io(std::vector<std::uint8_t>(data + 1, data + size));
    cPartTree tree;
    cPartTreeItem& node = tree.AddChild(nullptr, std::make_unique<cPartTreeItem>());
    node.SetRecord(&io, 0, io.GetSectorCount(), 0);
    if (data[0] & 1) {
        node.AttachExtension(cVFSDetectManager::Instance().Detect(node));
    }
    cAgreeingUi ui;
    recovery::Recover(node, ui, [](cSigList&) {});
    return 0;
}
