// Small disk images written sector by sector for the inventory tests: partition tables, extended
// boot records, GPT entries and the boot sectors of NTFS and FAT volumes, each field at its
// offset, so a test shows exactly which bytes it relies on.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quenzar::testsupport {

using Sector = std::array<std::uint8_t, 512>;

inline void putLe(std::uint8_t* at, std::uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void putText(std::uint8_t* at, const char* text) { std::memcpy(at, text, std::strlen(text)); }

inline void sign(Sector& sector) {
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

// A sparse image file of a given size, written at byte offsets.
class DiskImage {
public:
    // A new image of that many sectors, all zero.
    DiskImage(std::string path, std::uint64_t sectorCount) : path_(std::move(path)) {
        std::ofstream(path_, std::ios::binary).close();
        std::filesystem::resize_file(path_, sectorCount * 512);
    }
    // An image that exists already, left as it is.
    static DiskImage existing(std::string path) { return DiskImage(std::move(path)); }
    const std::string& path() const { return path_; }

    void write(std::uint64_t byteOffset, const std::uint8_t* data, std::size_t byteCount) const {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(byteOffset));
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(byteCount));
    }
    void writeSector(std::uint64_t lba, const Sector& sector) const { write(lba * 512, sector.data(), sector.size()); }

    std::vector<std::uint8_t> read(std::uint64_t byteOffset, std::size_t byteCount) const {
        std::vector<std::uint8_t> data(byteCount);
        std::ifstream file(path_, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(byteOffset));
        file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(byteCount));
        return data;
    }

private:
    explicit DiskImage(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// One entry of an MBR or extended boot record: type at +4, start LBA at +8, sector count at +12.
struct TableEntry {
    std::uint8_t type = 0;
    std::uint32_t startLba = 0;
    std::uint32_t sectorCount = 0;
};

// A boot record with up to four entries at offset 446 and the 55AA signature.
inline Sector bootRecord(std::initializer_list<TableEntry> entries) {
    Sector sector{};
    std::size_t at = 446;
    for (const TableEntry& entry : entries) {
        sector[at + 4] = entry.type;
        putLe(&sector[at + 8], entry.startLba, 4);
        putLe(&sector[at + 12], entry.sectorCount, 4);
        at += 16;
    }
    sign(sector);
    return sector;
}

// An NTFS boot sector: "NTFS    " at 3, sectors per cluster at 0Dh, total sectors at 28h (64
// bits), MFT cluster at 30h, MFT mirror cluster at 38h; `serial` at 48h tells volumes apart.
inline Sector ntfsBootSector(std::uint64_t totalSectors, std::uint8_t sectorsPerCluster, std::uint64_t mftCluster,
                             std::uint64_t mirrorCluster, std::uint64_t serial) {
    Sector sector{};
    sector[0] = 0xEB;
    sector[1] = 0x52;
    sector[2] = 0x90;
    putText(&sector[3], "NTFS    ");
    putLe(&sector[0x0B], 512, 2);
    sector[0x0D] = sectorsPerCluster;
    putLe(&sector[0x28], totalSectors, 8);
    putLe(&sector[0x30], mftCluster, 8);
    putLe(&sector[0x38], mirrorCluster, 8);
    putLe(&sector[0x48], serial, 8);
    sign(sector);
    return sector;
}

// A FAT-32 boot sector: "FAT32   " at 52h, reserved sectors at 0Eh, total sectors at 20h,
// sectors per FAT at 24h, root cluster at 2Ch.
inline Sector fat32BootSector(std::uint32_t totalSectors, std::uint8_t sectorsPerCluster, std::uint16_t reserved,
                              std::uint32_t sectorsPerFat, std::uint32_t rootCluster, std::uint32_t serial) {
    Sector sector{};
    sector[0] = 0xEB;
    putText(&sector[3], "MSWIN4.1");
    putLe(&sector[0x0B], 512, 2);
    sector[0x0D] = sectorsPerCluster;
    putLe(&sector[0x0E], reserved, 2);
    putLe(&sector[0x20], totalSectors, 4);
    putLe(&sector[0x24], sectorsPerFat, 4);
    putLe(&sector[0x2C], rootCluster, 4);
    putLe(&sector[0x43], serial, 4);
    putText(&sector[0x52], "FAT32   ");
    sign(sector);
    return sector;
}

// A FAT-16 boot sector: "FAT16   " at 36h, root entries at 11h, the small sector count at 13h
// (or, when it is 0, the large one at 20h), sectors per FAT at 16h.
inline Sector fat16BootSector(std::uint32_t totalSectors, std::uint8_t sectorsPerCluster, std::uint16_t reserved,
                              std::uint16_t rootEntries, std::uint16_t sectorsPerFat, std::uint32_t serial) {
    Sector sector{};
    sector[0] = 0xEB;
    putText(&sector[3], "MSDOS5.0");
    putLe(&sector[0x0B], 512, 2);
    sector[0x0D] = sectorsPerCluster;
    putLe(&sector[0x0E], reserved, 2);
    putLe(&sector[0x11], rootEntries, 2);
    if (totalSectors < 0x10000) {
        putLe(&sector[0x13], totalSectors, 2);
    } else {
        putLe(&sector[0x20], totalSectors, 4);
    }
    putLe(&sector[0x16], sectorsPerFat, 2);
    putLe(&sector[0x27], serial, 4);
    putText(&sector[0x36], "FAT16   ");
    sign(sector);
    return sector;
}

// A GPT entry: starting LBA at +32, ending LBA at +40, UTF-16 name at +56; the type GUID (+0)
// gets a non-zero first byte so the entry reads as used.
struct GptEntry {
    std::u16string name;
    std::uint64_t startLba = 0;
    std::uint64_t endLba = 0;
};

// Writes a protective MBR (type EEh) at LBA 0 and the entries from LBA 2 on.
inline void writeGpt(const DiskImage& image, std::initializer_list<GptEntry> entries) {
    image.writeSector(0, bootRecord({{0xEE, 1, 0xFFFFFFFF}}));
    std::vector<std::uint8_t> array(128 * entries.size());
    std::size_t at = 0;
    for (const GptEntry& entry : entries) {
        array[at] = 0xA2;
        putLe(&array[at + 32], entry.startLba, 8);
        putLe(&array[at + 40], entry.endLba, 8);
        for (std::size_t i = 0; i < entry.name.size() && i < 36; ++i) putLe(&array[at + 56 + 2 * i], entry.name[i], 2);
        at += 128;
    }
    image.write(2 * 512, array.data(), array.size());
}

}  // namespace quenzar::testsupport
