// salvage on volumes of 4,096-byte sectors and FILE records, made by a real NTFS implementation: a
// GPT disk of 4,096-byte LBAs, a bare 4Kn volume, and 4,096-byte records on 512-byte sectors. What
// the analysis lists and what the restore writes must be what The Sleuth Kit reads there (the
// manifest's record numbers, names, deleted marks and MD5s), from the image, from each starting
// point of a virtual disk, and from a loop device of 4,096-byte sectors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

using testsupport::EntryFacts;
using testsupport::ImageFacts;
using testsupport::Manifest;
using testsupport::runCommand;
using testsupport::runSalvage;
using testsupport::TempFolder;

const Manifest& manifest() {
    static const Manifest loaded = Manifest::loadFromDir(testsupport::fixtureDir());
    return loaded;
}

// The value of "key" in one line of --json output, as text (strings without their quotes).
std::string jsonField(const std::string& line, const std::string& key) {
    const std::string tag = "\"" + key + "\":";
    const std::size_t at = line.find(tag);
    if (at == std::string::npos) return {};
    std::size_t from = at + tag.size();
    if (line[from] == '"') {
        const std::size_t end = line.find('"', from + 1);
        return line.substr(from + 1, end - from - 1);
    }
    std::size_t end = from;
    while (end < line.size() && line[end] != ',' && line[end] != '}') ++end;
    return line.substr(from, end - from);
}

// (record, name, deleted) of every file and folder of the volume that is not one of NTFS's own.
using Listed = std::set<std::tuple<std::uint64_t, std::string, bool>>;

Listed listedByManifest(const ImageFacts& image) {
    Listed listed;
    for (const EntryFacts* entry : image.entriesOf(0)) {
        if (entry->record < 16 || entry->path.starts_with("$")) continue;
        listed.emplace(entry->record, entry->name(), entry->deleted);
    }
    return listed;
}

Listed listedByAnalysis(const std::string& source, const std::string& choice, int* exitCode) {
    const std::string out = runSalvage("analyze '" + source + "' " + choice + " --all-files --with-system --deleted --json 2>&1",
                                       exitCode);
    Listed listed;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? out.size() : end + 1;
        if (!line.starts_with("{\"record\"")) continue;
        const std::uint64_t record = std::stoull(jsonField(line, "record"));
        const std::string path = jsonField(line, "path");
        if (record < 16 || path.starts_with("$")) continue;
        listed.emplace(record, path.substr(path.rfind('/') + 1), jsonField(line, "deleted") == "true");
    }
    return listed;
}

// Restores every file whole; each file whose clusters still hold it (TSK's icat gives the MD5 it
// was written with) must come back with that MD5, under its own name.
void expectRestoredAsWritten(const ImageFacts& image, const std::string& source, const std::string& choice) {
    TempFolder folder;
    const auto target = folder.path() / "restored";
    int exitCode = -1;
    const std::string out = runSalvage("restore '" + source + "' " + choice + " --all --full --lang en --work-dir '" +
                                           folder.path().string() + "' --to '" + target.string() + "' 2>&1",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    std::map<std::string, std::set<std::string>> md5sByName;
    for (const std::string& line : testsupport::filesWithMd5(target)) {
        const std::size_t blank = line.rfind(' ');
        const std::string path = line.substr(0, blank);
        md5sByName[path.substr(path.rfind('/') + 1)].insert(line.substr(blank + 1));
    }
    int checked = 0;
    for (const EntryFacts* entry : image.entriesOf(0)) {
        if (!entry->isFile() || !entry->intact || entry->md5.empty() || entry->path.starts_with("$")) continue;
        EXPECT_TRUE(md5sByName[entry->name()].contains(entry->md5)) << entry->path << " " << entry->md5;
        ++checked;
    }
    EXPECT_GT(checked, 4);
}

TEST(FourKilobyteVolumes, ListsAndRestoresWhatTheSleuthKitReads) {
    for (const char* name : {"gpt4k.img", "ntfs4k.img", "rec4k512.img"}) {
        SCOPED_TRACE(name);
        const ImageFacts& image = manifest().image(name);
        const std::string path = image.path(testsupport::fixtureDir());
        int exitCode = -1;
        const Listed expected = listedByManifest(image);
        ASSERT_GT(expected.size(), 4u);
        EXPECT_EQ(listedByAnalysis(path, "", &exitCode), expected);
        EXPECT_EQ(exitCode, 0);
        expectRestoredAsWritten(image, path, "");
    }
}

// The three starting points of a virtual disk, in the disk's own LBAs: the boot sector at the
// partition's start, record 0 of the $MFT, and that record taken as any FILE record.
TEST(FourKilobyteVolumes, VirtualDiskFromEachKnownSectorOfAFourKilobyteDisk) {
    const ImageFacts& image = manifest().image("gpt4k.img");
    const testsupport::PartitionFacts& volume = *image.partition(0);
    ASSERT_EQ(image.sectorSize, 4096u);
    const std::string path = image.path(testsupport::fixtureDir());
    const std::uint64_t mftLba = volume.lbaStart + volume.mftCluster * volume.clusterSize / image.sectorSize;
    const Listed expected = listedByManifest(image);

    // The scan finds the volume with these three starting points.
    int exitCode = -1;
    const std::string scan = runSalvage("scan '" + path + "' --lang en 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << scan;
    const std::string points = "--boot " + std::to_string(volume.lbaStart) + " --mft " + std::to_string(mftLba) +
                               " --record " + std::to_string(mftLba);
    EXPECT_NE(scan.find(points), std::string::npos) << scan;

    for (const std::string& choice : {"--boot " + std::to_string(volume.lbaStart), "--mft " + std::to_string(mftLba),
                                      "--record " + std::to_string(mftLba)}) {
        SCOPED_TRACE(choice);
        EXPECT_EQ(listedByAnalysis(path, choice, &exitCode), expected);
        EXPECT_EQ(exitCode, 0);
        expectRestoredAsWritten(image, path, choice);
    }
}

// The sector view of a 4,096-byte sector: the GPT its header at LBA 1 describes, and every byte of
// the sector in the hex presentation (eight pages, offsets from the sector's start).
TEST(FourKilobyteVolumes, ViewShowsTheGptAndTheWholeSector) {
    const ImageFacts& image = manifest().image("gpt4k.img");
    const testsupport::PartitionFacts& volume = *image.partition(0);
    const std::string disk = "--image '" + image.path(testsupport::fixtureDir()) + "' view 0 ";
    int exitCode = -1;
    const std::string table = runSalvage(disk + "0 --as partition --lang en 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << table;
    EXPECT_NE(table.find(std::to_string(volume.lbaStart) + "         " +
                         std::to_string(volume.lbaStart + volume.lbaCount - 1)),
              std::string::npos)
        << table;
    const std::string hex = runSalvage(disk + std::to_string(volume.lbaStart) + " --lang en 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << hex;
    EXPECT_NE(hex.find("\n000  EB 52 90 4E 54 46 53"), std::string::npos) << hex;  // the boot sector's start
    EXPECT_NE(hex.find("\nFF0  "), std::string::npos) << hex;                      // and its last line
}

// The same disk as a block device of 4,096-byte logical sectors (root only: a loop device).
TEST(FourKilobyteVolumes, LoopDeviceOfFourKilobyteSectors) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a loop device";
    const ImageFacts& image = manifest().image("gpt4k.img");
    int exitCode = -1;
    std::string device = runCommand("losetup -r --sector-size 4096 -f --show '" +
                                        image.path(testsupport::fixtureDir()) + "' 2>/dev/null",
                                    &exitCode);
    while (!device.empty() && (device.back() == '\n' || device.back() == ' ')) device.pop_back();
    if (exitCode != 0 || device.empty()) GTEST_SKIP() << "no loop device here";
    struct Detach {
        std::string device;
        ~Detach() { runCommand("losetup -d '" + device + "'"); }
    } detach{device};

    const std::string probe = runSalvage("--image '" + device + "' probe 2>&1", &exitCode);
    EXPECT_NE(probe.find("sectors of 4096 bytes"), std::string::npos) << probe;
    EXPECT_EQ(listedByAnalysis(device, "", &exitCode), listedByManifest(image));
    expectRestoredAsWritten(image, device, "");
}

}  // namespace
}  // namespace quenzar::cli
