// Hiding and restoring disks on copies of disk images: the bytes written, the round trips, and
// every refusal leaving the disk as it was.
#include "disk/hide_disk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "disk/inventory.h"
#include "disk/power_commands.h"
#include "disk_image_builder.h"
#include "inventory_test_support.h"
#include "support/fixture_manifest.h"

namespace quenzar::disk {
namespace {

using testsupport::bootRecord;
using testsupport::DiskImage;
using testsupport::TempFolder;

std::string fixture(const char* name) { return (testsupport::fixtureDir() / name).string(); }

// Copies keep the images' holes, so that a test does not write hundreds of megabytes of zeros.
std::string copyOf(const TempFolder& folder, const std::string& image, const std::string& name) {
    testsupport::runCommand("cp --sparse=always '" + image + "' '" + folder.file(name) + "'");
    return folder.file(name);
}

// The MD5 of a file's bytes; a failed md5sum fails the test, so that two failures never compare
// as equal hashes.
std::string md5Of(const std::string& path) {
    int exitCode = 0;
    const std::string output = testsupport::runCommand("md5sum < '" + path + "'", &exitCode);
    EXPECT_EQ(exitCode, 0) << "md5sum failed on " << path;
    EXPECT_GE(output.size(), 32u) << "md5sum gave no hash for " << path;
    return exitCode == 0 ? output.substr(0, 32) : "md5sum failed: " + path;
}

std::vector<std::uint8_t> bytesAt(const std::string& path, std::uint64_t lba, std::size_t sectorCount) {
    return DiskImage::existing(path).read(lba * 512, sectorCount * 512);
}

// The byte offsets at which two images of the same size differ, as cmp lists them.
std::vector<std::uint64_t> differingBytes(const std::string& a, const std::string& b) {
    EXPECT_EQ(std::filesystem::file_size(a), std::filesystem::file_size(b));
    std::istringstream lines(testsupport::runCommand("cmp -l '" + a + "' '" + b + "'"));
    std::vector<std::uint64_t> offsets;
    std::uint64_t position = 0;
    std::string rest;
    while (lines >> position && std::getline(lines, rest)) offsets.push_back(position - 1);  // cmp counts from 1
    return offsets;
}

bool allWithin(const std::vector<std::uint64_t>& offsets, std::uint64_t firstLba, std::uint64_t sectorCount) {
    return std::all_of(offsets.begin(), offsets.end(), [&](std::uint64_t at) {
        return at >= firstLba * 512 && at < (firstLba + sectorCount) * 512;
    });
}

// The disk a hidden disk's LBA 0 must hold: "QueNzar " over bytes 0 to 7, the hiding table at
// 446 (type EEh from LBA 1 over FFFFFFFFh sectors, three empty entries), the rest of the sector
// as it was.
std::vector<std::uint8_t> hiddenLba0(std::vector<std::uint8_t> original) {
    original.resize(512);
    std::memcpy(original.data(), "QueNzar ", 8);
    const std::uint8_t table[64] = {0x00, 0x00, 0x02, 0x00, 0xEE, 0xFF, 0xFF, 0xFF,
                                    0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(original.data() + 446, table, sizeof table);
    return original;
}

TEST(HideDisk, HideThenRestoreAFixtureDisk) {
    TempFolder folder;
    const std::string original = fixture("mbr.img");
    const std::string path = copyOf(folder, original, "mbr.img");
    const std::vector<std::uint8_t> head = bytesAt(original, 0, 4);
    platform::ImageDiskSystem disks({path});
    InventoryState state;
    BuildDiskInventory(state, disks);
    const int partitionCount = state.disk('0').partitionCount();

    ASSERT_EQ(CanHideDisk(state, disks, '0', {}), HideCheck::Eligible);
    ASSERT_EQ(HideDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);

    // LBA 0 marked, LBA 1 to 3 zero, LBA 58 to 61 the original LBA 0 to 3, nothing else changed.
    EXPECT_EQ(bytesAt(path, 0, 1), hiddenLba0(head));
    EXPECT_EQ(bytesAt(path, 1, 3), std::vector<std::uint8_t>(3 * 512));
    EXPECT_EQ(bytesAt(path, 58, 4), head);
    const std::vector<std::uint64_t> changed = differingBytes(original, path);
    EXPECT_FALSE(changed.empty());
    for (const std::uint64_t at : changed) EXPECT_TRUE(at < 4 * 512 || (at >= 58 * 512 && at < 62 * 512)) << at;
    // What Windows sees: one GPT protective partition, nothing to mount.
    const auto rows = testsupport::mmlsPartitions(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].typeByte(), 0xEE);

    // The inventory shows the disk as hidden, with its partitions from the copy and no letters.
    BuildDiskInventory(state, disks);
    const PhysicalDiskInfo& disk = state.disk('0');
    EXPECT_EQ(std::string(disk.hiddenTag.begin(), disk.hiddenTag.end()), "OFF ");
    EXPECT_EQ(disk.partitionCount(), partitionCount);
    for (int p = 0; p < partitionCount; ++p) EXPECT_EQ(disk.cells[static_cast<std::size_t>(p)].label, '0' + p);
    EXPECT_TRUE(disks.volumes().empty());

    EXPECT_EQ(CanHideDisk(state, disks, '0', {}), HideCheck::AlreadyHidden);
    ASSERT_EQ(CanRestoreDisk(state, disks, '0'), HideCheck::Eligible);
    ASSERT_EQ(RestoreDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);

    // LBA 0 to 3 are the original again; the copy stays at LBA 58 to 61.
    EXPECT_TRUE(allWithin(differingBytes(original, path), 58, 4));
    EXPECT_EQ(bytesAt(path, 58, 4), head);
    BuildDiskInventory(state, disks);
    EXPECT_EQ(state.disk('0').hiddenTag[0], ' ');
    EXPECT_EQ(disks.volumes().size(), static_cast<std::size_t>(partitionCount));
}

// The hidden fixture, restored, is the disk the fixture was made from (with its copy kept);
// hidden again, it is byte for byte the hidden fixture.
TEST(HideDisk, HiddenFixtureRestoresAndHidesBackByteExactly) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("hidden.img");
    TempFolder folder;
    const std::string path = copyOf(folder, fixture("hidden.img"), "hidden.img");
    platform::ImageDiskSystem disks({path});
    InventoryState state;
    BuildDiskInventory(state, disks);

    ASSERT_EQ(RestoreDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);
    EXPECT_EQ(md5Of(path), facts.restoredMd5);
    ASSERT_EQ(CanHideDisk(state, disks, '0', {}), HideCheck::Eligible);  // the copy left behind is reused
    ASSERT_EQ(HideDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);
    EXPECT_EQ(md5Of(path), facts.md5);
}

TEST(HideDisk, DiskPartitionedByWindowsRoundTrips) {
    TempFolder folder;
    const std::string path = testsupport::unpackWindowsImage(folder, "ntfs_index.raw");
    if (path.empty()) GTEST_FAIL() << "no Windows images";
    const std::string original = copyOf(folder, path, "original.raw");
    platform::ImageDiskSystem disks({path});
    InventoryState state;
    BuildDiskInventory(state, disks);
    ASSERT_EQ(HideDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);
    EXPECT_NE(md5Of(path), md5Of(original));
    ASSERT_EQ(RestoreDisk(state, disks, '0').outcome, DiskWriteOutcome::Done);
    EXPECT_TRUE(allWithin(differingBytes(original, path), 58, 4));
    EXPECT_EQ(bytesAt(path, 58, 4), bytesAt(original, 0, 4));
}

// Images whose disks report removable media.
class RemovableImages final : public platform::DiskSystem {
public:
    explicit RemovableImages(std::vector<std::string> paths) : images_(std::move(paths)) {}
    std::string sourceKind() const override { return "removable test images"; }
    std::string diskPath(char n) const override { return images_.diskPath(n); }
    platform::DeviceIdentity identify(char name) const override {
        platform::DeviceIdentity identity = images_.identify(name);
        if (identity.answered) identity.media = platform::MediaKind::Removable;
        return identity;
    }

private:
    platform::ImageDiskSystem images_;
};

// A disk whose writes to LBA 58 to 61 do not arrive (a bad sector, say).
class CopyAreaFails final : public platform::DiskSystem {
public:
    explicit CopyAreaFails(std::string path) : images_({std::move(path)}) {}
    std::string sourceKind() const override { return "test image failing at LBA 58"; }
    std::string diskPath(char n) const override { return images_.diskPath(n); }
    platform::DeviceIdentity identify(char name) const override { return images_.identify(name); }
    std::unique_ptr<platform::SectorDevice> openDisk(char n, platform::AccessMode mode) override {
        class Failing final : public platform::SectorDevice {
        public:
            explicit Failing(std::unique_ptr<platform::SectorDevice> inner) : inner_(std::move(inner)) {}
            platform::TransferResult readAt(std::uint64_t at, std::span<std::uint8_t> buffer) override {
                return inner_->readAt(at, buffer);
            }
            platform::TransferResult writeAt(std::uint64_t at, std::span<const std::uint8_t> data) override {
                if (at < 62 * 512 && at + data.size() > 58 * 512) return {};
                return inner_->writeAt(at, data);
            }
            std::uint64_t byteSize() const override { return inner_->byteSize(); }

        private:
            std::unique_ptr<platform::SectorDevice> inner_;
        };
        auto inner = platform::DiskSystem::openDisk(n, mode);
        return inner ? std::make_unique<Failing>(std::move(inner)) : nullptr;
    }

private:
    platform::ImageDiskSystem images_;
};

// The original first sectors are never lost: when the copy cannot be written, LBA 0 stays as it is.
TEST(HideDisk, FailedCopyLeavesTheDiskAsItWas) {
    TempFolder folder;
    const std::string path = copyOf(folder, fixture("mbr.img"), "mbr.img");
    const std::string before = md5Of(path);
    CopyAreaFails disks(path);
    InventoryState state;
    BuildDiskInventory(state, disks);
    EXPECT_EQ(HideDisk(state, disks, '0').outcome, DiskWriteOutcome::SavedCopyFailed);
    EXPECT_EQ(md5Of(path), before);
}

// Every refusal leaves the disk as it was, whether asked through the check or the operation.
TEST(HideDisk, RefusedCasesWriteNothing) {
    TempFolder folder;
    // A small disk with one NTFS partition at LBA 2048, changed by `change`.
    const auto crafted = [&](const char* name, auto&& change) {
        const DiskImage image(folder.file(name), 4096);
        image.writeSector(0, bootRecord({{0x07, 2048, 2048}}));
        image.writeSector(2048, testsupport::ntfsBootSector(2047, 8, 4, 100, 1));
        change(image);
        return image.path();
    };
    // A copy of a fixture with one byte changed.
    const auto fixtureWithByte = [&](const char* image, const char* name, std::uint64_t offset, std::uint8_t value) {
        const std::string path = copyOf(folder, fixture(image), name);
        DiskImage::existing(path).write(offset, &value, 1);
        return path;
    };
    struct Case {
        const char* name;
        std::string path;
        bool hide;  // else restore
        HideCheck expected;
        HideExclusions exclusions;
        bool removable = false;
    };
    const Case cases[] = {
        {"already hidden", copyOf(folder, fixture("hidden.img"), "hidden.img"), true, HideCheck::AlreadyHidden, {}},
        {"the variant mark",
         crafted("variant.img",
                 [](const DiskImage& i) { i.write(0, reinterpret_cast<const std::uint8_t*>("Quenzar "), 8); }),
         true, HideCheck::AlreadyHidden, {}},
        {"no 55AA", fixtureWithByte("mbr.img", "unsigned.img", 511, 0x00), true, HideCheck::NoBootSignature, {}},
        {"the disk holds the system's folder", copyOf(folder, fixture("mbr.img"), "mbr.img"), true,
         HideCheck::ExcludedDisk, {{'0'}, false}},
        {"the system's disk is unknown", copyOf(folder, fixture("gpt.img"), "gpt.img"), true,
         HideCheck::SystemDiskUnknown, {{}, true}},
        {"removable media", copyOf(folder, fixture("masked.img"), "masked.img"), true, HideCheck::NotFixedDisk, {},
         true},
        {"a volume at LBA 0", copyOf(folder, fixture("lba0-ntfs.img"), "lba0.img"), true,
         HideCheck::SavedCopyAreaInUse, {}},
        {"data in LBA 58 to 61", fixtureWithByte("mbr.img", "gap.img", 59 * 512 + 7, 0x47), true,
         HideCheck::SavedCopyAreaInUse, {}},
        {"a partition of any type before LBA 62",
         crafted("early.img",
                 [](const DiskImage& i) { i.writeSector(0, bootRecord({{0x07, 2048, 2048}, {0x83, 34, 1000}})); }),
         true, HideCheck::SavedCopyAreaInUse, {}},
        {"a GPT entry of any name before LBA 62",
         crafted("early-gpt.img",
                 [](const DiskImage& i) {
                     testsupport::writeGpt(i, {{u"Basic data", 2048, 4095}, {u"BIOS boot", 40, 2047}});
                 }),
         true, HideCheck::SavedCopyAreaInUse, {}},
        {"restoring a disk that is not hidden", copyOf(folder, fixture("mbr.img"), "mbr2.img"), false,
         HideCheck::NotHidden, {}},
        {"restoring a disk whose entry type was changed", fixtureWithByte("hidden.img", "retyped.img", 0x1C2, 0x07),
         false, HideCheck::NoHidingTable, {}},
        {"restoring a saved copy without 55AA", fixtureWithByte("hidden.img", "nocopy.img", 58 * 512 + 511, 0x00),
         false, HideCheck::NoSavedCopy, {}},
        {"restoring removable media", copyOf(folder, fixture("hidden.img"), "removable.img"), false,
         HideCheck::NotFixedDisk, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = md5Of(c.path);
        std::unique_ptr<platform::DiskSystem> disks;
        if (c.removable) {
            disks = std::make_unique<RemovableImages>(std::vector<std::string>{c.path});
        } else {
            disks = std::make_unique<platform::ImageDiskSystem>(std::vector<std::string>{c.path});
        }
        InventoryState state;
        BuildDiskInventory(state, *disks);
        if (c.hide) {
            EXPECT_EQ(CanHideDisk(state, *disks, '0', c.exclusions), c.expected);
            if (c.exclusions.disks.empty() && !c.exclusions.unresolved) {
                const DiskWriteResult result = HideDisk(state, *disks, '0');
                EXPECT_EQ(result.outcome, DiskWriteOutcome::Refused);
                EXPECT_EQ(result.check, c.expected);
            }
        } else {
            EXPECT_EQ(CanRestoreDisk(state, *disks, '0'), c.expected);
            const DiskWriteResult result = RestoreDisk(state, *disks, '0');
            EXPECT_EQ(result.outcome, DiskWriteOutcome::Refused);
            EXPECT_EQ(result.check, c.expected);
        }
        EXPECT_EQ(md5Of(c.path), before);
    }
}

// The disks that must not be hidden: the disk of the Windows folder's letter and of the program
// folder's letter, through the letters' disk numbers; a letter without a disk excludes nothing.
TEST(HideDisk, ExclusionsFromTheFoldersLetters) {
    platform::ImageDiskSystem disks({});
    InventoryState state;
    state.drive('C').diskNumber = 2;
    state.drive('D').diskNumber = 0;
    state.drive('E').diskNumber = kNotADiskDrive;
    const auto exclusionsOf = [&](const char* systemFolder, const char* programFolder) {
        return findHideExclusions(state, disks, {systemFolder, programFolder});
    };
    EXPECT_EQ(exclusionsOf("C:\\WINDOWS", "d:\\Tools\\Salvage").disks, (std::vector<char>{'2', '0'}));
    EXPECT_EQ(exclusionsOf("C:\\WINDOWS", "C:\\Program Files").disks, std::vector<char>{'2'});
    EXPECT_EQ(exclusionsOf("E:\\", "A:\\").disks, std::vector<char>{});
    // Folders without a letter ask the system; attached images never hold it.
    const HideExclusions posix = exclusionsOf("/", "/home/user");
    EXPECT_FALSE(posix.unresolved);
    EXPECT_TRUE(posix.disks.empty());
}

TEST(PowerCommands, CommandLinesAreHandedToTheStarterOnly) {
    std::vector<std::string> started;
    const auto starter = [&](const std::string& line) {
        started.push_back(line);
        return true;
    };
    EXPECT_TRUE(runPowerAction(PowerAction::Restart, starter));
    EXPECT_TRUE(runPowerAction(PowerAction::ShutDown, starter));
    EXPECT_EQ(started, (std::vector<std::string>{"shutdown -r now", "shutdown -P now"}));
}

}  // namespace
}  // namespace quenzar::disk
