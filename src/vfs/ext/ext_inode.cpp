#include "vfs/ext/ext_inode.h"

#include <algorithm>

namespace ext {

cInode ParseInode(bytes::Fixed<kInodeBytes> data) {
    cInode inode;
    inode.mode = bytes::Le16<0>(data);
    inode.sizeLow = bytes::Le32<4>(data);
    inode.mtime = bytes::Le32<16>(data);
    inode.flags = bytes::Le32<32>(data);
    std::copy_n(data.begin() + 40, kBlockAreaBytes, inode.blockArea.begin());
    inode.sizeHigh = bytes::Le32<108>(data);
    return inode;
}

} // namespace ext
