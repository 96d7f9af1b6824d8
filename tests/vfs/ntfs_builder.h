#pragma once
// Builds NTFS structures byte by byte for tests and fuzz seeds: MFT records with their
// update sequence, resident and non-resident attributes, index entries, file names and
// attribute list entries. Only what no tool writes (damaged structures) is made this way.

#include "base/bytes.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace ntfs_test {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& out, std::size_t at, const Bytes& what) {
    if (out.size() < at + what.size()) {
        out.resize(at + what.size());
    }
    std::copy(what.begin(), what.end(), out.begin() + at);
}

inline Bytes Utf16(const std::u16string& text) {
    Bytes out;
    for (char16_t c : text) {
        out.push_back(std::uint8_t(c));
        out.push_back(std::uint8_t(c >> 8));
    }
    return out;
}

inline std::size_t Align8(std::size_t n) {
    return (n + 7) & ~std::size_t(7);
}

inline Bytes Resident(std::uint32_t type, const Bytes& value, const std::u16string& name = u"") {
    const std::size_t nameOffset = 24;
    const std::size_t valueOffset = Align8(nameOffset + 2 * name.size());
    Bytes a(Align8(valueOffset + value.size()));
    bytes::PutLe32(&a[0], type);
    bytes::PutLe32(&a[4], std::uint32_t(a.size()));
    a[9] = std::uint8_t(name.size());
    bytes::PutLe16(&a[10], std::uint16_t(nameOffset));
    bytes::PutLe32(&a[16], std::uint32_t(value.size()));
    bytes::PutLe16(&a[20], std::uint16_t(valueOffset));
    Put(a, nameOffset, Utf16(name));
    Put(a, valueOffset, value);
    return a;
}

struct NonResidentSpec {
    std::uint32_t type = 0x80;
    std::u16string name;
    std::uint64_t lowestVcn = 0;
    std::uint64_t highestVcn = 0;
    std::uint64_t allocatedSize = 0;
    std::uint64_t realSize = 0;
    std::uint64_t initializedSize = 0;
    std::uint16_t flags = 0;
    std::uint8_t compressionUnit = 0;
    Bytes pairs;
};

inline Bytes NonResident(const NonResidentSpec& s) {
    const std::size_t nameOffset = 64;
    const std::size_t pairsOffset = Align8(nameOffset + 2 * s.name.size());
    Bytes a(Align8(pairsOffset + s.pairs.size() + 1));
    bytes::PutLe32(&a[0], s.type);
    bytes::PutLe32(&a[4], std::uint32_t(a.size()));
    a[8] = 1;
    a[9] = std::uint8_t(s.name.size());
    bytes::PutLe16(&a[10], std::uint16_t(nameOffset));
    bytes::PutLe16(&a[12], s.flags);
    bytes::PutLe64(&a[16], s.lowestVcn);
    bytes::PutLe64(&a[24], s.highestVcn);
    bytes::PutLe16(&a[32], std::uint16_t(pairsOffset));
    a[34] = s.compressionUnit;
    bytes::PutLe64(&a[40], s.allocatedSize);
    bytes::PutLe64(&a[48], s.realSize);
    bytes::PutLe64(&a[56], s.initializedSize);
    Put(a, nameOffset, Utf16(s.name));
    Put(a, pairsOffset, s.pairs);
    return a;
}

// A $FILE_NAME value.
inline Bytes FileNameValue(std::uint64_t parent, const std::u16string& name,
                           std::uint8_t nameSpace = 1, std::uint32_t flags = 0,
                           std::uint64_t size = 0) {
    Bytes v(66 + 2 * name.size());
    bytes::PutLe64(&v[0], parent);
    bytes::PutLe64(&v[16], 0x01D0000000000000ull);
    bytes::PutLe64(&v[48], size);
    bytes::PutLe32(&v[56], flags);
    v[64] = std::uint8_t(name.size());
    v[65] = nameSpace;
    Put(v, 66, Utf16(name));
    return v;
}

// A $STANDARD_INFORMATION value with the given file attributes.
inline Bytes StandardInformation(std::uint32_t fileAttributes = 0) {
    Bytes v(72);
    bytes::PutLe64(&v[8], 0x01D4000000000000ull); // modification time
    bytes::PutLe32(&v[32], fileAttributes);
    return v;
}

// Moves each stride's last two bytes into the update sequence array and stamps the
// sequence number in their place, as a writer does. The array is at header offset 4.
inline void ProtectStrides(Bytes& block, std::uint16_t sequence = 0x0101) {
    const std::size_t offset = bytes::unchecked::Le16(&block[4]);
    const std::size_t count = bytes::unchecked::Le16(&block[6]);
    bytes::PutLe16(&block[offset], sequence);
    for (std::size_t i = 1; i < count && i * 512 <= block.size(); ++i) {
        block[offset + 2 * i] = block[i * 512 - 2];
        block[offset + 2 * i + 1] = block[i * 512 - 1];
        bytes::PutLe16(&block[i * 512 - 2], sequence);
    }
}

// An MFT record of size bytes holding the attributes in order, protected by its update
// sequence as on disk (see ProtectStrides).
inline Bytes Record(std::initializer_list<Bytes> attributes, std::size_t size = 1024,
                    std::uint16_t flags = 1) {
    Bytes r(size);
    std::copy_n("FILE", 4, r.begin());
    const std::size_t strides = size / 512;
    bytes::PutLe16(&r[4], 48);
    bytes::PutLe16(&r[6], std::uint16_t(strides + 1));
    bytes::PutLe16(&r[16], 1);
    bytes::PutLe16(&r[18], 1);
    const std::size_t first = Align8(48 + 2 * (strides + 1));
    bytes::PutLe16(&r[20], std::uint16_t(first));
    bytes::PutLe16(&r[22], flags);
    std::size_t at = first;
    for (const Bytes& a : attributes) {
        Put(r, at, a);
        at += a.size();
    }
    bytes::PutLe32(&r[at], 0xFFFFFFFF);
    at += 8;
    bytes::PutLe32(&r[24], std::uint32_t(at));
    bytes::PutLe32(&r[28], std::uint32_t(size));
    r.resize(size);
    ProtectStrides(r);
    return r;
}

// One "$I30" index entry (flags: 1 subnode, 2 last).
inline Bytes IndexEntryBytes(std::uint64_t record, const Bytes& key, std::uint16_t flags = 0) {
    Bytes e(Align8(16 + key.size()));
    bytes::PutLe64(&e[0], record);
    bytes::PutLe16(&e[8], std::uint16_t(e.size()));
    bytes::PutLe16(&e[10], std::uint16_t(key.size()));
    bytes::PutLe16(&e[12], flags);
    Put(e, 16, key);
    return e;
}

inline Bytes LastIndexEntry() {
    return IndexEntryBytes(0, {}, 2);
}

// An $INDEX_ROOT value over "$I30" holding entries (the last entry appended).
inline Bytes IndexRootValue(const std::vector<Bytes>& entries, std::uint32_t blockSize = 4096) {
    Bytes v(32);
    bytes::PutLe32(&v[0], 0x30);
    bytes::PutLe32(&v[4], 1);
    bytes::PutLe32(&v[8], blockSize);
    v[12] = 1;
    std::size_t at = 32;
    for (const Bytes& e : entries) {
        Put(v, at, e);
        at += e.size();
    }
    Put(v, at, LastIndexEntry());
    at += 16;
    bytes::PutLe32(&v[16], 16);
    bytes::PutLe32(&v[20], std::uint32_t(at - 16));
    bytes::PutLe32(&v[24], std::uint32_t(at - 16));
    return v;
}

// An "INDX" block of size bytes with the entries, protected by its update sequence.
inline Bytes IndexBlock(const std::vector<Bytes>& entries, std::size_t size = 4096) {
    Bytes b(size);
    std::copy_n("INDX", 4, b.begin());
    const std::size_t strides = size / 512;
    bytes::PutLe16(&b[4], 40);
    bytes::PutLe16(&b[6], std::uint16_t(strides + 1));
    const std::size_t first = Align8(40 + 2 * (strides + 1));
    std::size_t at = first;
    for (const Bytes& e : entries) {
        Put(b, at, e);
        at += e.size();
    }
    Put(b, at, LastIndexEntry());
    at += 16;
    bytes::PutLe32(&b[24], std::uint32_t(first - 24));
    bytes::PutLe32(&b[28], std::uint32_t(at - 24));
    bytes::PutLe32(&b[32], std::uint32_t(size - 24));
    b.resize(size);
    ProtectStrides(b);
    return b;
}

// One $ATTRIBUTE_LIST entry.
inline Bytes ListEntry(std::uint32_t type, std::uint64_t lowestVcn, std::uint64_t record,
                       const std::u16string& name = u"") {
    Bytes e(Align8(26 + 2 * name.size()));
    bytes::PutLe32(&e[0], type);
    bytes::PutLe16(&e[4], std::uint16_t(e.size()));
    e[6] = std::uint8_t(name.size());
    e[7] = 26;
    bytes::PutLe64(&e[8], lowestVcn);
    bytes::PutLe64(&e[16], record);
    Put(e, 26, Utf16(name));
    return e;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

} // namespace ntfs_test
