// salvage analyze for scripts: --json read by a real JSON parser (python3's) agrees with The
// Sleuth Kit's facts of every file and folder (the manifest), real names included; --bodyfile is
// read by mactime, and its times are those istat prints.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// The times istat prints of $STANDARD_INFORMATION, as seconds since 1970: Created, File Modified,
// MFT Modified, Accessed.
std::map<std::string, long long> istatTimes(const std::string& image, std::uint64_t startLba, std::uint64_t record) {
    const std::string out = ts::runCommand("istat -z UTC -o " + std::to_string(startLba) + " '" + image + "' " +
                                           std::to_string(record));
    std::map<std::string, long long> times;
    // Only the first block: $STANDARD_INFORMATION comes before $FILE_NAME.
    const std::string block = out.substr(0, out.find("$FILE_NAME"));
    for (const std::string& line : split(block, '\n')) {
        const std::size_t tab = line.find(":\t");
        if (tab == std::string::npos) continue;
        std::tm parts{};
        if (strptime(line.c_str() + tab + 2, "%Y-%m-%d %H:%M:%S", &parts) == nullptr) continue;
        times[line.substr(0, tab)] = static_cast<long long>(timegm(&parts));
    }
    return times;
}

class ScriptOutput : public testing::Test {
protected:
    void SetUp() override { manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir()); }

    std::string analyze(const ts::ImageFacts& image, const std::string& format, int* exitCode) const {
        return ts::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " analyze '" + image.path(ts::fixtureDir()) +
                                  "' --all-files --with-system --deleted " + format + " --work-dir '" +
                                  folder_.path().string() + "' 2>/dev/null",
                              exitCode);
    }

    ts::Manifest manifest_;
    ts::TempFolder folder_;
};

TEST_F(ScriptOutput, JsonLinesAgreeWithTheSleuthKit) {
    const ts::ImageFacts& image = manifest_.image("world-names.img");
    int exitCode = -1;
    const std::string json = analyze(image, "--json", &exitCode);
    ASSERT_EQ(exitCode, 0);
    const std::string jsonFile = folder_.file("files.json");
    {
        std::ofstream(jsonFile, std::ios::binary) << json;
    }
    // Every line one object, read by the parser: its facts as tab-separated text.
    const std::string facts = ts::runCommand(
        "python3 -c 'import json, sys\n"
        "for line in open(sys.argv[1], encoding=\"utf-8\"):\n"
        "    o = json.loads(line)\n"
        "    times = \"\".join(o[k][:4] for k in (\"created\", \"modified\", \"mft_modified\", \"accessed\"))\n"
        "    print(\"\\t\".join(str(x) for x in (o[\"path\"], o[\"record\"], o[\"sequence\"], o[\"parent\"],"
        " o[\"deleted\"], o[\"folder\"], o[\"size\"], o[\"fragments\"], len(o[\"runs\"]), times)))' '" + jsonFile + "'",
        &exitCode);
    ASSERT_EQ(exitCode, 0) << facts;
    std::map<std::string, std::vector<std::string>> byPath;
    for (const std::string& line : split(facts, '\n')) {
        const std::vector<std::string> fields = split(line, '\t');
        ASSERT_EQ(fields.size(), 10u) << line;
        byPath[fields[0]] = fields;
    }
    std::size_t compared = 0;
    for (const ts::EntryFacts* entry : image.entriesOf(0)) {
        SCOPED_TRACE(entry->path);
        const auto found = byPath.find(entry->path);
        ASSERT_NE(found, byPath.end());
        const std::vector<std::string>& o = found->second;
        EXPECT_EQ(o[1], std::to_string(entry->record));
        EXPECT_EQ(o[2], std::to_string(entry->sequence));
        EXPECT_EQ(o[3], std::to_string(entry->parent));
        EXPECT_EQ(o[4], entry->deleted ? "True" : "False");
        EXPECT_EQ(o[5], entry->isDir() ? "True" : "False");
        if (entry->isFile()) {
            EXPECT_EQ(o[6], std::to_string(entry->size));
            EXPECT_EQ(o[7], std::to_string(entry->runCount));
            EXPECT_EQ(o[8], std::to_string(entry->runCount));
        }
        // ntfs-3g wrote every file in 2020 to 2024.
        EXPECT_EQ(o[9].substr(0, 2), "20");
        ++compared;
    }
    EXPECT_EQ(compared, 20u);  // 15 files and 5 folders
}

TEST_F(ScriptOutput, BodyFileMakesATimelineWithTheTimesOfIstat) {
    const ts::ImageFacts& image = manifest_.image("mbr.img");
    const ts::PartitionFacts& volume = *image.partition(0);
    int exitCode = -1;
    const std::string body = analyze(image, "--bodyfile", &exitCode);
    ASSERT_EQ(exitCode, 0);
    const std::string bodyFile = folder_.file("body.txt");
    {
        std::ofstream(bodyFile, std::ios::binary) << body;
    }
    const std::string timeline = ts::runCommand("TZ=UTC mactime -b '" + bodyFile + "' -d -y 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << timeline;
    EXPECT_NE(timeline.find("/Documents/readme.txt"), std::string::npos) << timeline;
    EXPECT_NE(timeline.find("/Media/fragmented-deleted.bin (deleted)"), std::string::npos) << timeline;

    std::map<std::string, std::vector<std::string>> byName;
    for (const std::string& line : split(body, '\n')) {
        const std::vector<std::string> fields = split(line, '|');
        ASSERT_EQ(fields.size(), 11u) << line;
        byName[fields[1]] = fields;
    }
    for (const char* path : {"Documents/readme.txt", "Media/fragmented-deleted.bin", "Documents/Reports/2023",
                             "OldProjects"}) {
        SCOPED_TRACE(path);
        const ts::EntryFacts& entry = *image.entry(0, path);
        const auto found = byName.find("/" + entry.path + (entry.deleted ? " (deleted)" : ""));
        ASSERT_NE(found, byName.end());
        const std::vector<std::string>& fields = found->second;
        EXPECT_EQ(fields[2], std::to_string(entry.record));
        EXPECT_EQ(fields[3], entry.isDir() ? "d/drwxrwxrwx" : "r/rrwxrwxrwx");
        if (entry.isFile()) {
            EXPECT_EQ(fields[6], std::to_string(entry.size));
        }
        const std::map<std::string, long long> times = istatTimes(image.path(ts::fixtureDir()), volume.startLba, entry.record);
        ASSERT_EQ(times.size(), 4u);
        EXPECT_EQ(fields[7], std::to_string(times.at("Accessed")));
        EXPECT_EQ(fields[8], std::to_string(times.at("File Modified")));
        EXPECT_EQ(fields[9], std::to_string(times.at("MFT Modified")));
        EXPECT_EQ(fields[10], std::to_string(times.at("Created")));
    }

    // One of the two at a time.
    analyze(image, "--json --bodyfile", &exitCode);
    EXPECT_EQ(exitCode, 2);
}

}  // namespace
}  // namespace quenzar::cli
