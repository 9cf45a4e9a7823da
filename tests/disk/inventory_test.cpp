// The whole inventory over disk images: partitions against The Sleuth Kit's mmls, drive letters
// and their matching, and the text screen to the column.
#include "disk/inventory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "disk/drive_letters.h"
#include "disk/identify_data.h"
#include "disk/inventory_screen.h"
#include "disk/sector_access.h"
#include "disk_image_builder.h"
#include "inventory_test_support.h"
#include "platform/volume_window.h"
#include "support/faulty_disks.h"
#include "support/fixture_manifest.h"

namespace quenzar::disk {
namespace {

using testsupport::DiskImage;
using testsupport::mmlsPartitions;
using testsupport::ntfsBootSector;
using testsupport::screenLine;
using testsupport::TempFolder;

using Extents = std::vector<std::pair<std::uint64_t, std::uint64_t>>;  // start LBA, sectors

template <std::size_t N>
std::string str(const Text<N>& text) {
    return std::string(text.begin(), text.end());
}

std::string fixture(const char* name) { return (testsupport::fixtureDir() / name).string(); }

InventoryState inventoryOf(platform::DiskSystem& disks) {
    InventoryState state;
    BuildDiskInventory(state, disks);
    return state;
}

std::string copyOf(const TempFolder& folder, const std::string& image, const std::string& name) {
    std::filesystem::copy_file(image, folder.file(name));
    return folder.file(name);
}

// ---- Partitions against mmls ----

// What the inventory must list of a disk, by its rules applied to the partitions that mmls finds:
// DOS entries of the accepted types (01h, 04h, 06h, 07h, 0Bh, 0Ch, 0Eh) from the primary table and
// at most five extended records, whose first sector has the 55AA signature (a primary's unmasked
// on a masked disk), six at most; GPT entries named "Ba..." whose first sector is NTFS.
Extents expectedFromMmls(const std::string& image) {
    static const int kAccepted[] = {0x01, 0x04, 0x06, 0x07, 0x0B, 0x0C, 0x0E};
    const DiskImage disk = DiskImage::existing(image);
    const std::vector<std::uint8_t> mask = disk.read(57 * 512, 512);
    const bool masked = (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
    Extents expected;
    for (const testsupport::MmlsPartition& row : mmlsPartitions(image)) {
        std::vector<std::uint8_t> first = disk.read(row.start * 512, 512);
        if (row.slot.find(':') == std::string::npos) {  // GPT
            if (row.description.rfind("Ba", 0) != 0 || std::memcmp(&first[3], "NTFS", 4) != 0) continue;
        } else {
            if (std::find(std::begin(kAccepted), std::end(kAccepted), row.typeByte()) == std::end(kAccepted)) continue;
            if (row.table() > 5) continue;
            const bool empty = std::all_of(first.begin(), first.end(), [](std::uint8_t b) { return b == 0; });
            if (masked && row.table() == 0 && !empty) {
                for (std::size_t i = 0; i < first.size(); ++i) first[i] ^= mask[i];
            }
            if (first[510] != 0x55 || first[511] != 0xAA) continue;
        }
        if (expected.size() < 6) expected.push_back({row.start, row.length});
    }
    return expected;
}

Extents listed(const PhysicalDiskInfo& disk) {
    Extents extents;
    for (int i = 0; i < disk.partitionCount(); ++i) {
        const PartitionEntry& entry = disk.partitions[static_cast<std::size_t>(i)];
        extents.push_back({entry.startLba, entry.sectorCount});
    }
    return extents;
}

TEST(InventoryAgainstMmls, FixtureDisks) {
    for (const char* name : {"mbr.img", "gpt.img", "masked.img"}) {
        SCOPED_TRACE(name);
        platform::ImageDiskSystem disks({fixture(name)});
        const InventoryState state = inventoryOf(disks);
        const Extents expected = expectedFromMmls(fixture(name));
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(listed(state.disk('0')), expected);
    }
}

// Sectors the discovery cannot read are named on the disk, never passed over in silence: an
// unreadable LBA 0 leaves the disk without partitions, an unreadable boot sector (and its copy
// at the partition's end) leaves out that volume alone.
TEST(InventoryOfAFailingDisk, NamesTheSectorsItCouldNotRead) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& mbr = manifest.image("mbr.img");
    const std::vector<const testsupport::PartitionFacts*> volumes = mbr.volumes();
    ASSERT_GE(volumes.size(), 2u);
    const testsupport::PartitionFacts& first = *volumes[0];
    const Extents whole = expectedFromMmls(fixture("mbr.img"));

    testsupport::FaultyDisks noLba0({fixture("mbr.img")});
    noLba0.failSectors(0);
    const InventoryState withoutTable = inventoryOf(noLba0);
    EXPECT_EQ(withoutTable.disk('0').partitionCount(), 0);
    EXPECT_EQ(withoutTable.disk('0').unreadableSectors, std::vector<std::uint64_t>{0});

    testsupport::FaultyDisks noBootSector({fixture("mbr.img")});
    noBootSector.failSectors(first.startLba);
    noBootSector.failSectors(first.endLba());
    const InventoryState withoutFirst = inventoryOf(noBootSector);
    EXPECT_EQ(withoutFirst.disk('0').unreadableSectors, std::vector<std::uint64_t>{first.startLba});
    Extents others = whole;
    others.erase(std::remove_if(others.begin(), others.end(), [&](const auto& e) { return e.first == first.startLba; }),
                 others.end());
    EXPECT_EQ(listed(withoutFirst.disk('0')), others);

    // A healthy disk names none.
    platform::ImageDiskSystem healthy({fixture("mbr.img")});
    EXPECT_TRUE(inventoryOf(healthy).disk('0').unreadableSectors.empty());
}

// A hidden disk lists what mmls finds on the disk as it was before hiding: the saved LBA 58 to 61
// put back in place on a copy.
TEST(InventoryAgainstMmls, HiddenDiskAsItWasBeforeHiding) {
    TempFolder folder;
    const std::string before = copyOf(folder, fixture("hidden.img"), "before.img");
    const DiskImage copy = DiskImage::existing(before);
    const std::vector<std::uint8_t> saved = copy.read(58 * 512, 2048);
    copy.write(0, saved.data(), saved.size());

    platform::ImageDiskSystem disks({fixture("hidden.img")});
    const InventoryState state = inventoryOf(disks);
    EXPECT_EQ(str(state.disk('0').hiddenTag), "OFF ");
    EXPECT_EQ(listed(state.disk('0')), expectedFromMmls(before));
    EXPECT_EQ(expectedFromMmls(before).size(), 1u);
}

// Volumes at LBA 0: mmls finds no partition table; the inventory lists the whole disk as one.
TEST(InventoryAgainstMmls, VolumeAtLbaZero) {
    TempFolder folder;
    std::vector<std::string> images = {fixture("lba0-ntfs.img")};
    if (const std::string dd = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd"); !dd.empty()) {
        images.push_back(dd);
    }
    for (const std::string& image : images) {
        SCOPED_TRACE(image);
        EXPECT_TRUE(mmlsPartitions(image).empty());
        platform::ImageDiskSystem disks({image});
        const InventoryState state = inventoryOf(disks);
        ASSERT_EQ(state.disk('0').partitionCount(), 1);
        EXPECT_EQ(state.disk('0').partitions[0].startLba, 0xFFFFFFFFu);
        EXPECT_EQ(state.drive('D').startLba, 0u);  // the letter's volume begins at sector 0
    }
}

TEST(InventoryAgainstMmls, DisksPartitionedByWindows) {
    TempFolder folder;
    const std::string ntfsIndex = testsupport::unpackWindowsImage(folder, "ntfs_index.raw");
    const std::string mbrWin = testsupport::unpackWindowsImage(folder, "mbr-win-512.raw");
    if (ntfsIndex.empty() || mbrWin.empty()) GTEST_FAIL() << "no images in " << testsupport::windowsImageDir();

    // One NTFS partition (07h) at LBA 128.
    {
        platform::ImageDiskSystem disks({ntfsIndex});
        const InventoryState state = inventoryOf(disks);
        EXPECT_EQ(listed(state.disk('0')), expectedFromMmls(ntfsIndex));
        EXPECT_EQ(listed(state.disk('0')), (Extents{{128, 59392}}));
    }
    // Three primaries and a chain of four logical partitions, none with a file system: mmls lists
    // seven, the inventory none, as no first sector carries the 55AA signature.
    {
        EXPECT_EQ(mmlsPartitions(mbrWin).size(), 7u);
        platform::ImageDiskSystem disks({mbrWin});
        const InventoryState state = inventoryOf(disks);
        EXPECT_EQ(str(state.disk('0').schemeTag), "MBR ");
        EXPECT_EQ(listed(state.disk('0')), Extents{});
        EXPECT_EQ(expectedFromMmls(mbrWin), Extents{});
    }
    // The same disk with a FAT-16 boot sector in every partition: the first six of the seven.
    {
        const DiskImage formatted = DiskImage::existing(copyOf(folder, mbrWin, "formatted.raw"));
        for (const testsupport::MmlsPartition& row : mmlsPartitions(mbrWin)) {
            if (row.typeByte() != 0x06) continue;
            const auto sectorCount = static_cast<std::uint32_t>(row.length);
            const auto serial = static_cast<std::uint32_t>(row.start);
            formatted.writeSector(row.start, testsupport::fat16BootSector(sectorCount, 4, 1, 512, 64, serial));
        }
        platform::ImageDiskSystem disks({formatted.path()});
        const InventoryState state = inventoryOf(disks);
        const Extents expected = expectedFromMmls(formatted.path());
        EXPECT_EQ(listed(state.disk('0')), expected);
        EXPECT_EQ(expected, (Extents{{128, 16384}, {16512, 16384}, {32896, 16384},
                                     {49408, 16384}, {65920, 16384}, {82432, 16384}}));
    }
}

// ---- Drive letters ----

// Image partitions get letters from D upward in inventory order, each reading its byte range of the
// image; a masked disk's and a hidden disk's partitions get none (Windows would mount neither).
TEST(DriveLetters, ImagePartitionsFromDUpward) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    platform::ImageDiskSystem disks({fixture("mbr.img"), fixture("gpt.img"), fixture("lba0-ntfs.img"),
                                     fixture("masked.img"), fixture("hidden.img")});
    const InventoryState state = inventoryOf(disks);

    struct Expected {
        char letter;
        char disk;
        const char* image;
        int index;
    };
    const Expected letters[] = {{'D', '0', "mbr.img", 0}, {'E', '0', "mbr.img", 1}, {'F', '0', "mbr.img", 2},
                                {'G', '0', "mbr.img", 3}, {'H', '1', "gpt.img", 0}, {'I', '2', "lba0-ntfs.img", 0}};
    EXPECT_EQ(disks.volumes().size(), std::size(letters));
    for (const Expected& e : letters) {
        SCOPED_TRACE(e.letter);
        const testsupport::PartitionFacts& facts = *manifest.image(e.image).partition(e.index);
        const auto& source = disks.volumes().at(e.letter);
        EXPECT_EQ(source.diskNumber, e.disk);
        EXPECT_EQ(source.startByte, facts.startByte());
        EXPECT_EQ(source.byteCount, e.letter == 'I' ? 0 : facts.sectors * 512);  // I: to the disk's end

        // Matched to its own partition, with the parameters of its boot sector.
        const LogicalDriveInfo& drive = state.drive(e.letter);
        EXPECT_EQ(drive.identity, kFixedDriveCode);
        EXPECT_EQ(drive.diskNumber, e.disk - '0');
        EXPECT_EQ(drive.startLba, facts.startLba);
        EXPECT_EQ(drive.endLba, facts.startLba + facts.fsSectors);
        EXPECT_EQ(drive.sectorsPerCluster, facts.sectorsPerCluster());
        const PartitionEntry& entry = state.disk(e.disk).partitions[static_cast<std::size_t>(e.index)];
        EXPECT_EQ(entry.driveLetter, e.letter);
        EXPECT_EQ(entry.extent, drive.endLba);
        if (facts.filesystem == "ntfs") {
            EXPECT_EQ(str(drive.fileSystemLabel), "  NTFS");
            EXPECT_EQ(drive.mftCluster, facts.mftCluster);
            EXPECT_EQ(drive.mftMirrorCluster, facts.mftMirrorCluster);
        } else {
            EXPECT_EQ(str(drive.fileSystemLabel), facts.filesystem == "fat32" ? "FAT-32" : "FAT-16");
            EXPECT_EQ(str(entry.fileSystemTag), facts.filesystem == "fat32" ? "T-32" : "T-16");
            EXPECT_EQ(drive.reservedSectors, facts.reservedSectors);
            EXPECT_EQ(drive.sectorsPerFat, facts.fatSectors);
        }
    }
    EXPECT_EQ(state.drive('G').rootEntries, 512);  // once matched, the root-entry count itself
    EXPECT_EQ(state.drive('E').rootCluster, 2u);

    // Letters without a drive: no identity, disk number 255.
    EXPECT_EQ(state.drive('C').identity, Text<20>{});
    EXPECT_EQ(state.drive('C').diskNumber, kNotADiskDrive);
    EXPECT_EQ(state.drive('J').diskNumber, kNotADiskDrive);

    // The letter reads its volume: sector 0 of D is the boot sector at the partition's start.
    SectorBytes viaLetter{};
    readVolumeBytes(disks, 'D', 0, viaLetter);
    EXPECT_EQ(viaLetter, state.disk('0').bootSectors[0]);
}

// NTFS volumes whose first sector no longer reads, a primary, a logical and a GPT one: each keeps
// its place in the inventory through the copy of its boot sector in the partition's last sector,
// so every volume has the letter it has on the intact disks, matched to its partition with the
// same parameters, and the letters after it do not move.
TEST(DriveLetters, UnreadableNtfsBootSectorIsTakenFromItsBackup) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const std::vector<std::string> images = {fixture("mbr.img"), fixture("gpt.img")};
    platform::ImageDiskSystem clean(images);
    const InventoryState expected = inventoryOf(clean);

    testsupport::FaultyDisks faulty(images);
    const std::pair<const char*, int> volumes[] = {{"mbr.img", 0}, {"mbr.img", 2}, {"gpt.img", 0}};
    for (const auto& [image, index] : volumes) {
        const testsupport::PartitionFacts& facts = *manifest.image(image).partition(index);
        ASSERT_EQ(facts.filesystem, "ntfs");
        faulty.failSectors(facts.startLba, 1, testsupport::FaultyDisks::kAlways, image == std::string("mbr.img") ? '0' : '1');
    }
    const InventoryState state = inventoryOf(faulty);
    EXPECT_EQ(state.screen, expected.screen);
    ASSERT_EQ(faulty.volumes().size(), clean.volumes().size());
    for (const auto& [letter, source] : clean.volumes()) {
        SCOPED_TRACE(letter);
        ASSERT_TRUE(faulty.volumes().count(letter));
        EXPECT_EQ(faulty.volumes().at(letter).startByte, source.startByte);
        EXPECT_EQ(faulty.volumes().at(letter).diskNumber, source.diskNumber);
        const LogicalDriveInfo& drive = state.drive(letter);
        EXPECT_EQ(str(drive.fileSystemLabel), str(expected.drive(letter).fileSystemLabel));
        EXPECT_EQ(drive.startLba, expected.drive(letter).startLba);
        EXPECT_EQ(drive.endLba, expected.drive(letter).endLba);
        EXPECT_EQ(drive.sectorsPerCluster, expected.drive(letter).sectorsPerCluster);
        EXPECT_EQ(drive.mftCluster, expected.drive(letter).mftCluster);
        EXPECT_EQ(drive.mftMirrorCluster, expected.drive(letter).mftMirrorCluster);
    }
    for (const char disk : {'0', '1'}) {
        ASSERT_EQ(state.disk(disk).partitionCount(), expected.disk(disk).partitionCount());
        for (int p = 0; p < expected.disk(disk).partitionCount(); ++p) {
            EXPECT_EQ(state.disk(disk).partitions[static_cast<std::size_t>(p)].driveLetter,
                      expected.disk(disk).partitions[static_cast<std::size_t>(p)].driveLetter);
        }
    }
}

// Disks whose letters are the system's own (as on Windows): a letter is a candidate for a
// partition when its identity is the disk's serial number or a drive code, and matches when its
// first sector equals the partition's boot sector apart from byte 65.
class SystemLetters final : public platform::DiskSystem {
public:
    struct Drive {
        platform::MediaKind media;
        std::optional<platform::IdentifyBlock> identifyData;
        std::string volumeImage;  // the volume as the letter's device shows it
    };
    SystemLetters(std::vector<std::pair<std::string, std::optional<platform::IdentifyBlock>>> disks,
                  std::map<char, Drive> drives)
        : disks_(std::move(disks)), drives_(std::move(drives)) {}

    std::string sourceKind() const override { return "test disks with system letters"; }
    std::string diskPath(char n) const override {
        const std::size_t i = static_cast<std::size_t>(n - '0');
        return i < disks_.size() ? disks_[i].first : std::string();
    }
    platform::DeviceIdentity identify(char name) const override {
        if (name >= '0' && name <= '9') {
            const std::string path = diskPath(name);
            if (path.empty()) return {};
            platform::DeviceIdentity identity = platform::fixedDiskIdentity(std::filesystem::file_size(path), 512);
            identity.identifyData = disks_[static_cast<std::size_t>(name - '0')].second;
            return identity;  // letters: LetterSource::System
        }
        const auto drive = drives_.find(name);
        if (drive == drives_.end()) return {};
        platform::DeviceIdentity identity;
        identity.answered = true;
        identity.media = drive->second.media;
        identity.identifyData = drive->second.identifyData;
        return identity;
    }
    std::unique_ptr<platform::SectorDevice> openVolume(char letter, platform::AccessMode mode) override {
        const auto drive = drives_.find(letter);
        if (drive == drives_.end()) return nullptr;
        return platform::openFileDevice(drive->second.volumeImage, mode);
    }

private:
    std::vector<std::pair<std::string, std::optional<platform::IdentifyBlock>>> disks_;
    std::map<char, Drive> drives_;
};

platform::IdentifyBlock identifyWithSerial(const std::string& serial) {
    platform::IdentifyBlock data{};
    for (std::size_t i = 0; i < serial.size(); ++i) data[20 + (i ^ 1)] = static_cast<std::uint8_t>(serial[i]);
    return data;
}

TEST(DriveLetters, MatchedBySerialNumberOrCodeAndBootSector) {
    TempFolder folder;
    // Two disks whose only partitions (LBA 100) have the same boot sector.
    const testsupport::Sector boot = ntfsBootSector(999, 8, 4, 60, 0x1234);
    for (const char* name : {"a.img", "b.img"}) {
        const DiskImage disk(folder.file(name), 2000);
        disk.writeSector(0, testsupport::bootRecord({{0x07, 100, 1000}}));
        disk.writeSector(100, boot);
    }
    // The volumes as the letters show them: the same sector, one with byte 65 changed (ignored),
    // one with byte 64 changed (another volume).
    const DiskImage same(folder.file("same.vol"), 1);
    same.writeSector(0, boot);
    testsupport::Sector byte65 = boot;
    byte65[65] ^= 0x01;
    const DiskImage changed65(folder.file("changed65.vol"), 1);
    changed65.writeSector(0, byte65);
    testsupport::Sector byte64 = boot;
    byte64[64] ^= 0x01;
    const DiskImage changed64(folder.file("changed64.vol"), 1);
    changed64.writeSector(0, byte64);

    using Drive = SystemLetters::Drive;
    const auto serialA = identifyWithSerial("SERIAL-A");
    const auto serialB = identifyWithSerial("SERIAL-B");

    struct Case {
        const char* name;
        std::optional<platform::IdentifyBlock> identifyA, identifyB;
        std::map<char, Drive> drives;
        char letterA, letterB;  // 0: disabled
    };
    const Case cases[] = {
        {"serial numbers tell the two disks apart", serialA, serialB,
         {{'C', {platform::MediaKind::Fixed, serialB, same.path()}},
          {'D', {platform::MediaKind::Fixed, serialA, changed65.path()}}},
         'D', 'C'},
        {"without identify data the first equal letter wins for both", std::nullopt, std::nullopt,
         {{'C', {platform::MediaKind::Fixed, std::nullopt, same.path()}},
          {'D', {platform::MediaKind::Fixed, std::nullopt, same.path()}}},
         'C', 'C'},
        {"a removable drive matches on its sector alone", serialA, serialB,
         {{'E', {platform::MediaKind::Removable, std::nullopt, same.path()}}}, 'E', 'E'},
        {"a serial number of a third disk makes no candidate", serialA, serialB,
         {{'C', {platform::MediaKind::Fixed, identifyWithSerial("SERIAL-C"), same.path()}}}, 0, 0},
        {"a sector differing at byte 64 is another volume", std::nullopt, std::nullopt,
         {{'C', {platform::MediaKind::Fixed, std::nullopt, changed64.path()}}}, 0, 0},
        {"a drive of another type is never a candidate", std::nullopt, std::nullopt,
         {{'C', {platform::MediaKind::Other, std::nullopt, same.path()}}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SystemLetters disks({{folder.file("a.img"), c.identifyA}, {folder.file("b.img"), c.identifyB}}, c.drives);
        const InventoryState state = inventoryOf(disks);
        EXPECT_EQ(state.disk('0').partitions[0].driveLetter, c.letterA);
        EXPECT_EQ(state.disk('1').partitions[0].driveLetter, c.letterB);
        // A disabled partition shows its number; a matched one its letter.
        EXPECT_EQ(state.disk('0').cells[0].label, c.letterA != 0 ? c.letterA : '0');
    }

    // The identity of each kind of letter.
    SystemLetters disks({{folder.file("a.img"), serialA}},
                        {{'C', {platform::MediaKind::Fixed, serialA, same.path()}},
                         {'D', {platform::MediaKind::Fixed, std::nullopt, same.path()}},
                         {'E', {platform::MediaKind::Removable, std::nullopt, same.path()}},
                         {'F', {platform::MediaKind::Other, std::nullopt, same.path()}}});
    const InventoryState state = inventoryOf(disks);
    EXPECT_EQ(str(state.drive('C').identity), "SERIAL-A            ");
    EXPECT_EQ(str(state.drive('D').identity), "ЖД                  ");
    EXPECT_EQ(str(state.drive('E').identity), "СД                  ");
    EXPECT_EQ(state.drive('F').identity, Text<20>{});
    EXPECT_EQ(state.drive('F').diskNumber, kNotADiskDrive);
    EXPECT_EQ(state.drive('D').diskNumber, 0);  // fixed, not matched (C took the partition)
    EXPECT_EQ(state.drive('C').firstSector, boot);
}

// ---- The screen ----

std::vector<std::string> linesOf(const std::string& screen) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < screen.size(); at += kScreenLineBytes) {
        EXPECT_EQ(screen.substr(at + kScreenLineChars, 2), "\r\n") << "line " << lines.size();
        lines.push_back(screen.substr(at, kScreenLineChars));
    }
    return lines;
}

std::vector<std::string> diskBlock(const InventoryState& state, char diskNumber) {
    const std::vector<std::string> lines = linesOf(state.screen);
    const std::size_t first = kScreenHeadingLines + 3 * static_cast<std::size_t>(diskNumber - '0');
    return {lines[first], lines[first + 1], lines[first + 2]};
}

const std::string kNoPort = "    The port not recognized";

TEST(InventoryScreen, FixtureDisksToTheColumn) {
    platform::ImageDiskSystem disks({fixture("mbr.img"), fixture("gpt.img"), fixture("lba0-ntfs.img"),
                                     fixture("masked.img"), fixture("hidden.img")});
    const InventoryState state = inventoryOf(disks);
    const std::vector<std::string> lines = linesOf(state.screen);
    ASSERT_EQ(lines.size(), 33u);  // lines 0 to 8, eight blocks of three
    EXPECT_EQ(state.screen.size(), 33u * 126);
    EXPECT_EQ(lines[3], "     CONNECTION TYPE DISK AND  PARTITIONS                   FILE SYSTEM LOGICAL DRIVES OR"
                        "  DISABLED PARTITIONS              ");
    EXPECT_EQ(lines[6], std::string(124, ' '));

    using Block = std::vector<std::string>;
    // MBR: NTFS and FAT-32 primaries, NTFS and FAT-16 logicals, all lettered. Capacities: the disk
    // 491,520 sectors = 251 MB, the volumes 294,911 / 81,900 / 49,151 / 40,950 sectors.
    EXPECT_EQ(diskBlock(state, '0'),
              (Block{screenLine({{1, kNoPort}, {42, "MBR "}, {52, "  NTFS"}, {65, "FAT-32"}, {78, "  NTFS"}, {91, "FAT-16"}}),
                     screenLine({{3, "0"}, {5, "   0,251"}, {52, "D:    0,150"}, {65, "E:    0,041"},
                                 {78, "F:    0,025"}, {91, "G:    0,020"}}),
                     screenLine({{52, "       2048"}, {65, "     296960"}, {78, "     380928"}, {91, "     432128"}})}));
    // GPT: only the "Basic data partition" holding NTFS.
    EXPECT_EQ(diskBlock(state, '1'),
              (Block{screenLine({{1, kNoPort}, {42, "GPT "}, {52, "  NTFS"}}),
                     screenLine({{3, "1"}, {5, "   0,058"}, {52, "H:    0,033"}}),
                     screenLine({{52, "       2048"}})}));
    // LBA 0 is the volume: no scheme, the start LBA mark 4294967295.
    EXPECT_EQ(diskBlock(state, '2'),
              (Block{screenLine({{1, kNoPort}, {52, "  NTFS"}}),
                     screenLine({{3, "2"}, {5, "   0,025"}, {52, "I:    0,025"}}),
                     screenLine({{52, " 4294967295"}})}));
    // Masked: both partitions disabled (their sectors on the disk are masked, so no letter reads
    // them), named from the unmasked boot sectors; the FAT-16 counts its sectors at 13h.
    EXPECT_EQ(diskBlock(state, '3'),
              (Block{screenLine({{1, kNoPort}, {42, "MBR "}, {52, "NTFS"}, {65, "FAT16"}}),
                     screenLine({{3, "3"}, {5, "   0,033"}, {52, "0:    0,020"}, {65, "1:    0,008"}}),
                     screenLine({{52, "       2048"}, {65, "      43008"}})}));
    // Hidden: "OFF ", the partition of the saved copy, disabled.
    EXPECT_EQ(diskBlock(state, '4'),
              (Block{screenLine({{1, kNoPort}, {37, "OFF "}, {42, "MBR "}, {52, "NTFS"}}),
                     screenLine({{3, "4"}, {5, "   0,033"}, {52, "0:    0,032"}}),
                     screenLine({{52, "       2048"}})}));
    for (char absent = '5'; absent <= '7'; ++absent) {
        EXPECT_EQ(diskBlock(state, absent), Block(3, std::string(124, ' ')));
    }
    // The block as the disk screen draws it: three lines, 376 characters.
    const Block hidden = diskBlock(state, '4');
    EXPECT_EQ(diskBlockText(state.disk('4')), hidden[0] + "\r\n" + hidden[1] + "\r\n" + hidden[2]);
    EXPECT_EQ(diskBlockText(state.disk('4')).size(), kDiskBlockChars);

    // The disk choices of the virtual-disk dialogs, in the columns of their heading
    // "Disk type       Capacity       Total sectors"; an absent disk shows its number only.
    EXPECT_EQ(diskChoiceLine(state.disk('0')), "0 Hard             0,251       491520");
    EXPECT_EQ(diskChoiceLine(state.disk('5')), "5");

    // The language picks the heading; the blocks are the same.
    const std::string english = inventoryScreenText(state, text::Language::English);
    const std::string russian = inventoryScreenText(state, text::Language::Russian);
    EXPECT_EQ(english.substr(0, 124), lines[3]);
    EXPECT_EQ(russian.substr(0, 124), lines[0]);
    EXPECT_EQ(russian.substr(3 * 126), english.substr(3 * 126));
    EXPECT_EQ(russian.size(), 27u * 126);
}

TEST(InventoryScreen, DisksPartitionedByWindows) {
    TempFolder folder;
    const std::string ntfsIndex = testsupport::unpackWindowsImage(folder, "ntfs_index.raw");
    const std::string mbrWin = testsupport::unpackWindowsImage(folder, "mbr-win-512.raw");
    const std::string undelete = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    if (ntfsIndex.empty() || mbrWin.empty() || undelete.empty()) GTEST_FAIL() << "no Windows images";
    platform::ImageDiskSystem disks({ntfsIndex, mbrWin, undelete});
    const InventoryState state = inventoryOf(disks);
    using Block = std::vector<std::string>;
    EXPECT_EQ(diskBlock(state, '0'), (Block{screenLine({{1, kNoPort}, {42, "MBR "}, {52, "  NTFS"}}),
                                            screenLine({{3, "0"}, {5, "   0,033"}, {52, "D:    0,030"}}),
                                            screenLine({{52, "        128"}})}));
    EXPECT_EQ(diskBlock(state, '1'), (Block{screenLine({{1, kNoPort}, {42, "MBR "}}),
                                            screenLine({{3, "1"}, {5, "   0,268"}}), std::string(124, ' ')}));
    EXPECT_EQ(diskBlock(state, '2'), (Block{screenLine({{1, kNoPort}, {52, "  NTFS"}}),
                                            screenLine({{3, "2"}, {5, "   0,006"}, {52, "E:    0,006"}}),
                                            screenLine({{52, " 4294967295"}})}));
}

// Identify data beside an image: serial number, model and the internal channel on the screen; a
// disk of 20 TB shows its capacity in terabytes within the field, and a partition beyond 2 TiB its
// whole start LBA.
TEST(InventoryScreen, IdentifiedDiskOfTwentyTerabytes) {
    TempFolder folder;
    constexpr std::uint64_t kBeyond32Bits = 0x1'0000'0800;  // 4,294,969,344
    const DiskImage image(folder.file("big.img"), kBeyond32Bits + 100'000);
    testsupport::writeGpt(image, {{u"Basic data partition", 2048, 1'000'000},
                                  {u"Basic data partition", kBeyond32Bits, kBeyond32Bits + 99'999}});
    image.writeSector(2048, ntfsBootSector(997'952, 8, 4, 100, 1));
    image.writeSector(kBeyond32Bits, ntfsBootSector(99'999, 8, 4, 100, 2));
    platform::IdentifyBlock identify{};
    const std::string serial = "        ZL2ABC123456", model = "ST20000NM007D-3DJ103";
    for (std::size_t i = 0; i < 20; ++i) identify[20 + (i ^ 1)] = static_cast<std::uint8_t>(serial[i]);
    for (std::size_t i = 0; i < model.size(); ++i) identify[54 + (i ^ 1)] = static_cast<std::uint8_t>(model[i]);
    for (std::size_t i = model.size(); i < 40; ++i) identify[54 + (i ^ 1)] = ' ';
    testsupport::putLe(&identify[120], 0x0FFFFFFF, 4);       // words 60-61
    testsupport::putLe(&identify[200], 39'063'650'304, 8);   // words 100-103: 20 TB
    DiskImage(folder.file("big.img.identify"), 1).write(0, identify.data(), identify.size());

    platform::ImageDiskSystem disks({image.path()});
    const InventoryState state = inventoryOf(disks);
    EXPECT_EQ(state.disk('0').capacityMb, 20'000'588u);  // (total / 1,000) x 512 / 1,000
    using Block = std::vector<std::string>;
    EXPECT_EQ(diskBlock(state, '0'),
              (Block{screenLine({{1, "    Internal channel SATA/IDE"}, {42, "GPT "}, {52, "  NTFS"}, {65, "  NTFS"}}),
                     screenLine({{3, "0"}, {5, "20,000TB"}, {15, serial}, {52, "D:    0,510"}, {65, "E:    0,051"}}),
                     screenLine({{5, model}, {52, "       2048"}, {65, " 4294969344"}})}));
    EXPECT_EQ(state.drive('E').startLba, kBeyond32Bits);
    EXPECT_EQ(disks.volumes().at('E').startByte, kBeyond32Bits * 512);

    // The disk's caption in the disk choices: number, serial from its second character, model,
    // capacity, "I" of the connection, scheme, CR LF, then columns 45 to 123 of the three lines.
    const std::string& summary = state.summaryLines[0];
    ASSERT_EQ(summary.size(), 322u);
    EXPECT_EQ(summary.substr(0, 85), "0 " + serial.substr(1) + "  " + model + std::string(20, ' ') + " 20,000TB I GPT "
                                         "    \r\n");
    const Block block = diskBlock(state, '0');
    EXPECT_EQ(summary.substr(85), block[0].substr(45) + block[1].substr(45) + block[2].substr(45));
}

TEST(InventoryScreen, StartLbaFieldHoldsElevenDigits) {
    const std::pair<std::uint64_t, std::string> cases[] = {
        {0, "          0"}, {4'294'967'295, " 4294967295"}, {99'999'999'999, "99999999999"},
        {100'000'000'000, "***********"}};
    for (const auto& [lba, text] : cases) EXPECT_EQ(str(startLbaText(lba)), text) << lba;
}

// Six cells 13 columns apart would reach column 129 of a 124-column line: a disk with six
// partitions has them 12 apart, each cell whole and the line its width.
TEST(InventoryScreen, SixPartitionsFitTheLine) {
    TempFolder folder;
    const DiskImage image(folder.file("six.img"), 20000);
    image.writeSector(0, testsupport::bootRecord({{0x07, 1000, 1000}, {0x07, 2000, 1000}, {0x07, 3000, 1000},
                                                  {0x0F, 4000, 10000}}));
    for (std::uint32_t lba : {1000u, 2000u, 3000u}) image.writeSector(lba, ntfsBootSector(2047, 8, 4, 100, lba));
    for (std::uint32_t k = 0; k < 3; ++k) {
        const std::uint32_t record = 4000 + 2000 * k;
        image.writeSector(record, k < 2 ? testsupport::bootRecord({{0x07, 10, 1990}, {0x05, 2000 * (k + 1), 2000}})
                                        : testsupport::bootRecord({{0x07, 10, 1990}}));
        image.writeSector(record + 10, ntfsBootSector(2047, 8, 4, 100, record));
    }
    platform::ImageDiskSystem disks({image.path()});
    const InventoryState state = inventoryOf(disks);
    using Block = std::vector<std::string>;
    EXPECT_EQ(diskBlock(state, '0'),
              (Block{screenLine({{1, kNoPort}, {42, "MBR "}, {52, "  NTFS"}, {64, "  NTFS"}, {76, "  NTFS"},
                                 {88, "  NTFS"}, {100, "  NTFS"}, {112, "  NTFS"}}),
                     screenLine({{3, "0"}, {5, "   0,010"}, {52, "D:    0,001"}, {64, "E:    0,001"}, {76, "F:    0,001"},
                                 {88, "G:    0,001"}, {100, "H:    0,001"}, {112, "I:    0,001"}}),
                     screenLine({{52, "       1000"}, {64, "       2000"}, {76, "       3000"}, {88, "       4010"},
                                 {100, "       6010"}, {112, "       8010"}})}));
}

}  // namespace
}  // namespace quenzar::disk
