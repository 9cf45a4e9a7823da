// salvage restore into a folder on the very disk it reads, as it happens on a real machine: a copy
// of a fixture image attached as loop devices, its NTFS volume mounted with ntfs-3g, and the
// restore, its work file or an analysis' work file aimed at that mount, with the source named as
// the loop device, as the partition's device and as the image file. Each is refused before
// anything is written. Needs root for losetup and the mount; everything attached or mounted is
// undone at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace fs = std::filesystem;
using testsupport::runCommand;
using testsupport::runSalvage;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// A loop device this test attached (the whole image, or a byte range of it), detached at the end.
class LoopDevice {
public:
    LoopDevice(const fs::path& image, std::uint64_t offset, std::uint64_t byteCount) {
        std::string command = "losetup --find --show";
        if (byteCount != 0) command += " --offset " + std::to_string(offset) + " --sizelimit " + std::to_string(byteCount);
        int exitCode = -1;
        path_ = trimmed(runCommand(command + " '" + image.string() + "' 2>/dev/null", &exitCode));
        if (exitCode != 0 || path_.rfind("/dev/loop", 0) != 0) path_.clear();
    }
    ~LoopDevice() {
        if (!path_.empty()) runCommand("losetup -d '" + path_ + "'");
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// An ntfs-3g mount this test made, unmounted at the end.
class NtfsMount {
public:
    NtfsMount(const std::string& device, const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder);
        int exitCode = -1;
        runCommand("ntfs-3g '" + device + "' '" + folder.string() + "' 2>&1", &exitCode);
        mounted_ = exitCode == 0;
    }
    ~NtfsMount() {
        if (mounted_) runCommand("umount '" + folder_.string() + "'");
    }
    NtfsMount(const NtfsMount&) = delete;
    NtfsMount& operator=(const NtfsMount&) = delete;
    bool mounted() const { return mounted_; }

private:
    fs::path folder_;
    bool mounted_ = false;
};

// The image's bytes as the loop devices and the mount have written them so far.
std::string imageMd5(const fs::path& image) {
    runCommand("sync");
    return runCommand("md5sum < '" + image.string() + "'");
}

TEST(RestoreOnSourceTest, TargetOrWorkFolderOnTheSourceDiskIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to attach loop devices and mount with ntfs-3g";
    testsupport::TempFolder folder;
    const fs::path image = folder.path() / "disk.img";
    fs::copy_file(testsupport::fixtureDir() / "mbr.img", image);
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::PartitionFacts* ntfs = manifest.image("mbr.img").partition(0);
    ASSERT_NE(ntfs, nullptr);

    const LoopDevice disk(image, 0, 0);
    if (disk.path().empty()) GTEST_SKIP() << "no loop device could be attached";
    // The partition as the kernel's own partition device where it scans loop devices, else as a
    // loop device of its byte range: either way a device of the same image.
    const LoopDevice range(image, ntfs->startByte(), ntfs->sectors * 512);
    const std::string partition = fs::exists(disk.path() + "p1") ? disk.path() + "p1" : range.path();
    if (partition.empty()) GTEST_SKIP() << "no loop device for the partition could be attached";
    const fs::path mount = folder.path() / "mnt";
    const NtfsMount mounted(partition, mount);
    if (!mounted.mounted()) GTEST_SKIP() << "ntfs-3g could not mount " << partition;

    const std::string before = imageMd5(image);
    const fs::path onSource = mount / "restored";
    const fs::path elsewhere = folder.path() / "out";
    const fs::path work = folder.path() / "work";
    fs::create_directory(work);
    struct Case {
        std::string source, target, workFolder, refusedFolder;
    };
    const Case cases[] = {
        {disk.path(), onSource, work, onSource},
        {image.string(), onSource, work, onSource},
        {partition, onSource, work, onSource},
        {partition, mount, work, mount},
        {disk.path(), elsewhere, mount, mount},  // the work file would go onto the source
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.source + " --to " + row.target + " --work-dir " + row.workFolder);
        int exitCode = -1;
        const std::string out = runSalvage("restore '" + row.source + "' --all --lang en --work-dir '" + row.workFolder +
                                               "' --to '" + row.target + "'",
                                           &exitCode);
        EXPECT_EQ(exitCode, 1) << out;
        EXPECT_NE(out.find("INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!"), std::string::npos) << out;
        EXPECT_NE(out.find("salvage restore: " + row.refusedFolder + " lies on " + row.source + ", which is being read"),
                  std::string::npos)
            << out;
        EXPECT_FALSE(fs::exists(onSource));
        EXPECT_FALSE(fs::exists(mount / "~DI_Tmp.tmp"));
        EXPECT_EQ(imageMd5(image), before);
    }

    // An analysis alone puts its work file and listing nowhere on the source either.
    int exitCode = -1;
    const std::string analysed =
        runSalvage("analyze '" + disk.path() + "' --listing --no-tree --work-dir '" + mount.string() + "'", &exitCode);
    EXPECT_EQ(exitCode, 1) << analysed;
    EXPECT_NE(analysed.find("salvage analyze: " + mount.string() + " lies on " + disk.path()), std::string::npos)
        << analysed;
    EXPECT_FALSE(fs::exists(mount / "~DI_Tmp.tmp"));
    EXPECT_FALSE(fs::exists(mount / "QuenzarSalvage.txt"));

    // A folder off the source disk, beside the image, takes the restore as ever.
    const std::string out = runSalvage("restore '" + disk.path() + "' --all --lang en --work-dir '" + work.string() +
                                           "' --to '" + elsewhere.string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    const testsupport::EntryFacts* budget = manifest.image("mbr.img").entry(0, "Documents/Reports/2023/Q2/budget-64512.xls");
    ASSERT_NE(budget, nullptr);
    EXPECT_EQ(runCommand("md5sum < '" + (elsewhere / "Razd0/Documents/Reports/2023/Q2/budget-64512.xls").string() + "'")
                  .substr(0, 32),
              budget->md5);
    EXPECT_FALSE(fs::exists(work / "~DI_Tmp.tmp"));
    EXPECT_EQ(imageMd5(image), before);
}

}  // namespace
}  // namespace quenzar::cli
