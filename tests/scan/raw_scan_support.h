#pragma once
// A content scan over an image in memory, with rules in their source form, and the files
// it found as text.

#include "base/progress.h"
#include "scan/packed_extents.h"
#include "scan/signatures/raw_scan.h"
#include "scan/signatures/rules_source.h"
#include "scan/signatures/signature.h"
#include "support/mem_io.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rawscantest {

inline constexpr std::uint32_t kSector = 512;

class cCountingProgress final : public cProgressNotifyTarget {
public:
    bool OnProgress(double percent) override {
        values.push_back(percent);
        return values.size() < stopAfter;
    }
    std::vector<double> values;
    std::size_t stopAfter = SIZE_MAX;
};

struct cScan {
    cScan(std::size_t sectors, const char* source) : image(sectors * kSector, 0) {
        EXPECT_FALSE(rulesource::Compile(source, rules));
    }
    void Put(std::size_t offset, std::string_view bytes) {
        std::memcpy(image.data() + offset, bytes.data(), bytes.size());
    }
    cRawScanRequest Request(std::uint32_t unitSectors) {
        cRawScanRequest request;
        request.storage = io.get();
        request.sectorCount = image.size() / kSector;
        request.unitSectors = unitSectors;
        request.signatures = &rules;
        request.progress = &progress;
        request.result = &result;
        return request;
    }
    bool Run(const cRawScanRequest& request) { return RawScan(request); }
    void Open() { io = std::make_unique<cMemIO>(image); }

    // Every found file as "folder/name size" and, for several fragments, its extents.
    std::vector<std::string> Found() const {
        std::vector<std::string> found;
        Walk(result.Root(), "", found);
        return found;
    }
    void Walk(cVSItemId folder, const std::string& path, std::vector<std::string>& out) const {
        if (folder == kNoItem) {
            return;
        }
        for (cVSItemId item = result.FirstSubfolder(folder); item; item = result.Next(item)) {
            Walk(item, path + std::string(result.Name(item)) + "/", out);
        }
        for (cVSItemId item = result.FirstFile(folder); item; item = result.Next(item)) {
            std::string line =
                path + std::string(result.Name(item)) + " " + std::to_string(result.Size(item));
            if (result.FileKind(item) == vsitem::kMultifragFile) {
                const auto extents = packedext::Decode(result.Extents(item), result.Size(item));
                for (const auto& extent : extents.value()) {
                    line +=
                        " " + std::to_string(extent.start) + "+" + std::to_string(extent.sectors);
                }
            }
            out.push_back(line);
        }
    }

    std::vector<std::uint8_t> image;
    std::unique_ptr<cMemIO> io;
    cSigList rules;
    cCountingProgress progress;
    cQORNVStorage result;
};

} // namespace rawscantest
