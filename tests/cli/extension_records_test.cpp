// A file whose attributes lie in extension records, as a volume written with many hard links and
// streams holds it: its base record keeps a non-resident attribute list and its names, its
// unnamed $DATA lies in another record; on a volume of 512-byte sectors and 1,024-byte records and
// on one of 4,096-byte sectors and records. Every reader of the record (the analysis, the JSON and
// body-file lines, the record view, the restore) gathers it as The Sleuth Kit's icat does. The
// volume is made here with mkntfs and written through the ntfs-3g driver (root and FUSE needed).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace fs = std::filesystem;
using testsupport::runCommand;
using testsupport::runSalvage;

// Makes the volume: d/many.txt, created empty, gets 100 hard links and twelve named streams of
// 600 bytes before its four bytes are written, so that its $DATA has to go to an extension record.
// Returns false when this machine cannot make it.
bool makeVolume(const fs::path& folder, const fs::path& image, const std::string& format) {
    const fs::path mount = folder / "mnt";
    fs::create_directories(mount);
    int exitCode = -1;
    runCommand("truncate -s 16M '" + image.string() + "' && mkntfs -q -F -f " + format + " '" + image.string() +
                   "' >/dev/null 2>&1 && ntfs-3g -o streams_interface=windows '" + image.string() + "' '" +
                   mount.string() + "' 2>&1",
               &exitCode);
    if (exitCode != 0) return false;
    const std::string m = std::string("'") + mount.string() + "'";
    runCommand("mkdir " + m + "/d && touch " + m + "/d/many.txt && for i in $(seq 1 100); do ln " + m +
                   "/d/many.txt " + m + "/d/link-with-a-longer-name-$i.txt; done && for i in $(seq 1 12); do "
                   "head -c 600 /dev/zero | tr '\\0' x > " + m + "/d/many.txt:s$i; done && printf abcd > " + m +
                   "/d/many.txt; umount " + m,
               &exitCode);
    return exitCode == 0;
}

// Makes the volume in the given format and reads the file through every reader.
void expectEveryReaderGathers(const std::string& format) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount with ntfs-3g";
    if (runCommand("command -v mkntfs ntfs-3g istat icat >/dev/null && echo yes").empty()) {
        GTEST_SKIP() << "mkntfs, ntfs-3g or The Sleuth Kit is missing";
    }
    testsupport::TempFolder folder;
    const fs::path image = folder.path() / "links.img";
    if (!makeVolume(folder.path(), image, format)) GTEST_SKIP() << "ntfs-3g could not write the volume (no FUSE?)";
    const std::string img = std::string("'") + image.string() + "'";
    const std::string record = runCommand("fls -r " + img + " | grep -m1 'link-with-a-longer-name-1.txt$' | "
                                          "sed 's/^[^0-9]*\\([0-9]*\\)-.*/\\1/' | tr -d '\\n'");
    ASSERT_FALSE(record.empty());
    // The volume holds what the test is about: the list is not resident, the $DATA is elsewhere.
    const std::string istat = runCommand("istat " + img + " " + record);
    ASSERT_NE(istat.find("$ATTRIBUTE_LIST (32-"), std::string::npos);
    ASSERT_NE(istat.find("Non-Resident", istat.find("$ATTRIBUTE_LIST (32-")), std::string::npos);
    ASSERT_EQ(runCommand("icat " + img + " " + record), "abcd");

    const std::string work = " --work-dir '" + folder.path().string() + "'";
    int exitCode = -1;
    const std::string json = runSalvage("analyze " + img + " --all-files --deleted --json" + work, &exitCode);
    EXPECT_EQ(exitCode, 0) << json;
    EXPECT_NE(json.find("{\"record\":" + record + ",\"sequence\":1,\"parent\":"), std::string::npos) << json;
    EXPECT_NE(json.find("\"size\":4,\"created\":\"20"), std::string::npos) << json;

    const std::string view = runSalvage("--image " + img + " view 0 --boot 0 --record " + record + " --lang en", &exitCode);
    EXPECT_EQ(exitCode, 0) << view;
    EXPECT_EQ(view.find("Not found"), std::string::npos) << view;
    EXPECT_NE(view.find("\nabcd "), std::string::npos) << view;

    const fs::path target = folder.path() / "out";
    const std::string restore =
        runSalvage("restore " + img + " --all --full --to '" + target.string() + "'" + work + " 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << restore;
    std::size_t restored = 0;
    for (const auto& item : fs::recursive_directory_iterator(target)) {
        if (!item.is_regular_file() || item.path().filename() == "QuenzarSalvage-damaged.txt") continue;
        std::ifstream file(item.path(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "abcd") << item.path();
        ++restored;
    }
    EXPECT_EQ(restored, 1u);
}

TEST(ExtensionRecordsTest, EveryReaderGathersDataFromAnExtensionRecord) {
    for (const std::string format : {"-c 4096", "-s 4096 -c 4096"}) {
        SCOPED_TRACE("mkntfs " + format);
        expectEveryReaderGathers(format);
    }
}

}  // namespace
}  // namespace quenzar::cli
