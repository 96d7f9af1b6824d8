#pragma once
// Parameters a deep scan found for a volume whose own boot record is damaged, handed to
// cVFS::MountWithParams. Each kind names the file system it describes; readers accept
// only their own kind.

#include <cstdint>

class cExternalVFSParams {
public:
    virtual ~cExternalVFSParams() = default;
    // The type code (fstype) of the file system the parameters describe; 0 for none.
    virtual std::uint32_t GetFSType() const { return 0; }
};
