// Builds FILE records for the decoder tests, field by field as NTFS lays them out, so that each
// test states only what it changes. build() closes the attribute list, sets bytes in use and puts
// the update sequence in place the way a disk holds it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace quenzar::ntfs::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put64(Bytes& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t get16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Name spaces of $FILE_NAME.
enum NameSpace : std::uint8_t { kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3 };

class RecordBuilder {
public:
    static constexpr std::uint16_t kSequenceNumber = 0x0007;

    explicit RecordBuilder(std::size_t recordSize = 1024) : record_(recordSize, 0) {
        const std::size_t arrayWords = 1 + recordSize / 512;
        const std::size_t firstAttribute = align8(0x30 + 2 * arrayWords);  // 38h in 1,024 bytes
        std::memcpy(record_.data(), "FILE", 4);              // 00h signature
        put16(record_, 0x04, 0x30);                          // 04h update sequence array offset
        put16(record_, 0x06, static_cast<std::uint16_t>(arrayWords));  // 06h its size in words:
                                                             //     the number, then one per sector
        put16(record_, 0x10, 1);                             // 10h sequence number of the record
        put16(record_, 0x12, 1);                             // 12h hard link count
        put16(record_, 0x14, static_cast<std::uint16_t>(firstAttribute));  // 14h first attribute
        put16(record_, 0x16, 0x0001);                        // 16h flags: in use
        put32(record_, 0x1C, static_cast<std::uint32_t>(recordSize));  // 1Ch allocated size
        put32(record_, 0x2C, 42);                            // 2Ch own record number
        end_ = firstAttribute;
    }

    RecordBuilder& flags(std::uint16_t value) { put16(record_, 0x16, value); return *this; }
    RecordBuilder& ownNumber(std::uint32_t value) { put32(record_, 0x2C, value); return *this; }

    // $STANDARD_INFORMATION (10h): 48 bytes of content at 18h: four times, DOS attributes.
    RecordBuilder& standardInformation(std::uint64_t created = 0x01C8484C2A5B8000ull,
                                       std::uint32_t dosAttributes = 0x20) {
        Bytes content(0x48, 0);
        put64(content, 0x00, created);                   // creation
        put64(content, 0x08, created + 600'000'000);     // modification, a minute later
        put64(content, 0x10, created + 1'200'000'000);   // MFT modification
        put64(content, 0x18, created + 1'800'000'000);   // last access
        put32(content, 0x20, dosAttributes);
        return resident(0x10, content);
    }

    // $FILE_NAME (30h): parent reference at 18h, name length at 58h, name space at 59h, name
    // (UTF-16) at 5Ah.
    RecordBuilder& fileName(const std::u16string& name, NameSpace space = kWin32,
                            std::uint64_t parent = 0x0005000000000005ull) {
        Bytes content(0x42 + 2 * name.size(), 0);
        put64(content, 0x00, parent);
        content[0x40] = static_cast<std::uint8_t>(name.size());
        content[0x41] = space;
        for (std::size_t i = 0; i < name.size(); ++i) put16(content, 0x42 + 2 * i, name[i]);
        return resident(0x30, content);
    }

    // A resident attribute: header of 18h bytes, content right after it (or after its name).
    RecordBuilder& resident(std::uint32_t type, const Bytes& content, const std::u16string& name = u"") {
        const std::size_t nameBytes = 2 * name.size();
        const std::size_t contentOffset = align8(0x18 + nameBytes);
        const std::size_t length = align8(contentOffset + content.size());
        const std::size_t a = end_;
        room(a + length);
        put32(record_, a + 0x00, type);
        put32(record_, a + 0x04, static_cast<std::uint32_t>(length));
        record_[a + 0x08] = 0;                                      // resident
        record_[a + 0x09] = static_cast<std::uint8_t>(name.size()); // name length
        put16(record_, a + 0x0A, 0x18);                             // name offset
        put16(record_, a + 0x0E, nextId_++);                        // attribute id
        put32(record_, a + 0x10, static_cast<std::uint32_t>(content.size()));
        put16(record_, a + 0x14, static_cast<std::uint16_t>(contentOffset));
        for (std::size_t i = 0; i < name.size(); ++i) put16(record_, a + 0x18 + 2 * i, name[i]);
        std::copy(content.begin(), content.end(), record_.begin() + static_cast<std::ptrdiff_t>(a + contentOffset));
        last_ = a;
        end_ = a + length;
        return *this;
    }

    // A non-resident $DATA: header of 40h bytes, its name (if any) after it, then the run bytes
    // (a closing 00h is added).
    RecordBuilder& nonResidentData(std::uint64_t allocatedSize, std::uint64_t realSize, const Bytes& runs,
                                   std::uint16_t attributeFlags = 0, const std::u16string& name = u"") {
        const std::size_t runsOffset = align8(0x40 + 2 * name.size());
        const std::size_t length = align8(runsOffset + runs.size() + 1);
        const std::size_t a = end_;
        room(a + length);
        put32(record_, a + 0x00, 0x80);
        put32(record_, a + 0x04, static_cast<std::uint32_t>(length));
        record_[a + 0x08] = 1;                   // non-resident
        record_[a + 0x09] = static_cast<std::uint8_t>(name.size());
        put16(record_, a + 0x0A, 0x40);          // name offset
        put16(record_, a + 0x0C, attributeFlags);
        put16(record_, a + 0x0E, nextId_++);
        put16(record_, a + 0x20, static_cast<std::uint16_t>(runsOffset));
        put64(record_, a + 0x28, allocatedSize);
        put64(record_, a + 0x30, realSize);
        put64(record_, a + 0x38, realSize);      // initialized size
        for (std::size_t i = 0; i < name.size(); ++i) put16(record_, a + 0x40 + 2 * i, name[i]);
        std::copy(runs.begin(), runs.end(), record_.begin() + static_cast<std::ptrdiff_t>(a + runsOffset));
        last_ = a;
        end_ = a + length;
        return *this;
    }

    RecordBuilder& residentData(const std::string& content) {
        return resident(0x80, Bytes(content.begin(), content.end()));
    }

    // Where the last attribute added starts, for tests that break one of its fields.
    std::size_t lastAttribute() const { return last_; }

    // Closes the attribute list, sets bytes in use and applies the update sequence: the last word
    // of each 512-byte sector goes into the array and the sequence number takes its place.
    Bytes build(bool withEndMarker = true) const {
        Bytes record = record_;
        std::size_t used = end_;
        if (withEndMarker) {
            put32(record, end_, 0xFFFFFFFF);
            used = end_ + 8;
        }
        put32(record, 0x18, static_cast<std::uint32_t>(used));
        const std::size_t usa = get16(record, 0x04);
        put16(record, usa, kSequenceNumber);
        for (std::size_t sector = 0; sector < record.size() / 512; ++sector) {
            const std::size_t end = 512 * sector + 510;
            put16(record, usa + 2 + 2 * sector, get16(record, end));
            put16(record, end, kSequenceNumber);
        }
        return record;
    }

    // A usual file: standard information, one long name, resident data.
    static RecordBuilder file(const std::u16string& name) {
        RecordBuilder builder;
        builder.standardInformation().fileName(name, kWin32AndDos);
        return builder;
    }

private:
    // Attributes and the end marker must fit the record.
    void room(std::size_t end) const {
        if (end + 8 > record_.size()) throw std::length_error("attributes do not fit the test record");
    }
    static std::size_t align8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

    Bytes record_;
    std::size_t end_ = 0;
    std::size_t last_ = 0;
    std::uint16_t nextId_ = 0;
};

}  // namespace quenzar::ntfs::testing
