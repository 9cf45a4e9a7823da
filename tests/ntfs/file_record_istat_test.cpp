// Every FILE record of real NTFS volumes, decoded and compared with what The Sleuth Kit's `istat`
// reads from the same record: flags, parent, times, names, the first $DATA's sizes and runs, and
// whether the record is good at all.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ntfs/file_record.h"
#include "platform/code_page_1251.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"
#include "support/windows_images.h"

namespace quenzar::ntfs {
namespace {

using testsupport::runCommand;
using testsupport::TempFolder;


// ---- What istat says about one record ------------------------------------------------------

struct IstatRun {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    bool sparse = false;
};

struct IstatAttribute {
    std::uint32_t type = 0;
    std::string name;  // "N/A" when unnamed
    bool resident = true;
    std::uint64_t size = 0;
    std::vector<IstatRun> runs;
};

struct IstatFileName {
    std::string name;  // UTF-8
    std::uint64_t parent = 0;
};

struct IstatRecord {
    bool readable = false;  // istat could read the record at all
    bool allocated = false;
    bool directory = false;
    std::uint64_t times[4] = {};  // $STANDARD_INFORMATION: created, modified, MFT modified, accessed
    std::vector<IstatFileName> names;
    std::vector<IstatAttribute> attributes;

    const IstatAttribute* firstData() const {
        for (const IstatAttribute& a : attributes) {
            if (a.type == 0x80) return &a;
        }
        return nullptr;
    }
};

// "2004-02-29 19:57:57.513052800 (UTC)" as a FILETIME.
std::uint64_t fileTimeOf(const std::string& text) {
    int year, month, day, hour, minute, second;
    char fraction[16] = {};
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%9[0-9]", &year, &month, &day, &hour, &minute, &second,
                    fraction) < 6) {
        return 0;
    }
    // istat shows a zero FILETIME as "0000-00-00 00:00:00".
    if (month < 1 || month > 12) return 0;
    // Days since 1601-01-01 by the proleptic Gregorian calendar.
    auto daysBefore = [](int y) { return 365LL * y + y / 4 - y / 100 + y / 400; };
    static const int kMonthDays[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    long long days = daysBefore(year - 1) - daysBefore(1600) + kMonthDays[month - 1] + (leap && month > 2) + day - 1;
    const std::uint64_t seconds = static_cast<std::uint64_t>(days) * 86400 + hour * 3600 + minute * 60 + second;
    std::string nanos = fraction;
    nanos.resize(9, '0');
    return seconds * 10'000'000 + std::stoull(nanos) / 100;
}

std::map<std::uint64_t, IstatRecord> parseIstat(const std::string& output) {
    std::map<std::uint64_t, IstatRecord> records;
    static const std::regex kHeader(R"(^(Not )?Allocated (File|Directory)$)");
    static const std::regex kAttribute(R"(^Type: \S+ \((\d+)-\d+\)\s+Name: (.*?)\s+(Resident|Non-Resident)(?:, \w+)*\s+size: (\d+).*$)");
    static const std::regex kRun(R"(^\s+Starting address: (\d+|X), length: (\d+)\s*(\S*)\s*$)");
    IstatRecord* record = nullptr;
    std::string block;
    int timeIndex = 0;
    std::istringstream lines(output);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line.rfind("@@@ ", 0) == 0) {
            record = &records[std::stoull(line.substr(4))];
            block.clear();
            continue;
        }
        if (record == nullptr) continue;
        if (line.rfind("Entry: ", 0) == 0) record->readable = true;
        if (std::regex_match(line, m, kHeader)) {
            record->allocated = !m[1].matched;
            record->directory = m[2] == "Directory";
        } else if (line.size() > 1 && line.back() == ':' && line.find("Attribute Values") != std::string::npos) {
            block = line;
            timeIndex = 0;
        } else if (line == "Attributes: ") {
            block = "Attributes";
        } else if (block == "$STANDARD_INFORMATION Attribute Values:" && timeIndex < 4 &&
                   (line.rfind("Created:", 0) == 0 || line.rfind("File Modified:", 0) == 0 ||
                    line.rfind("MFT Modified:", 0) == 0 || line.rfind("Accessed:", 0) == 0)) {
            record->times[timeIndex++] = fileTimeOf(line.substr(line.find('\t') + 1));
        } else if (block == "$FILE_NAME Attribute Values:" && line.rfind("Name: ", 0) == 0) {
            record->names.push_back({line.substr(6), 0});
        } else if (block == "$FILE_NAME Attribute Values:" && line.rfind("Parent MFT Entry: ", 0) == 0 &&
                   !record->names.empty()) {
            record->names.back().parent = std::stoull(line.substr(18));
        } else if (block == "Attributes" && std::regex_match(line, m, kAttribute)) {
            IstatAttribute attribute;
            attribute.type = static_cast<std::uint32_t>(std::stoul(m[1]));
            attribute.name = m[2];
            attribute.resident = m[3] == "Resident";
            attribute.size = std::stoull(m[4]);
            record->attributes.push_back(attribute);
        } else if (block == "Attributes" && std::regex_match(line, m, kRun) && !record->attributes.empty()) {
            const bool sparse = m[3] == "Sparse";
            record->attributes.back().runs.push_back({sparse ? 0 : std::stoull(m[1]), std::stoull(m[2]), sparse});
        }
    }
    return records;
}

// ---- The volume, read without the decoder ----------------------------------------------------

struct Volume {
    std::string image;
    std::uint64_t startSector = 0;
    std::uint32_t clusterSize = 0;
    std::size_t recordSize = 0;
    std::vector<std::uint8_t> mft;  // every record, in order
};

std::uint64_t le(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

bool readAt(const std::string& image, std::uint64_t offset, std::vector<std::uint8_t>& into, std::size_t count) {
    std::ifstream file(image, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    const std::size_t start = into.size();
    into.resize(start + count);
    file.read(reinterpret_cast<char*>(into.data() + start), static_cast<std::streamsize>(count));
    return file.gcount() == static_cast<std::streamsize>(count);
}

// The geometry from the boot sector, the MFT's place from istat's reading of record 0.
Volume openVolume(const std::string& image, std::uint64_t startSector) {
    Volume volume{image, startSector, 0, 0, {}};
    std::vector<std::uint8_t> boot;
    EXPECT_TRUE(readAt(image, startSector * 512, boot, 512));
    EXPECT_EQ(std::string(boot.begin() + 3, boot.begin() + 7), "NTFS");
    volume.clusterSize = static_cast<std::uint32_t>(le(&boot[0x0B], 2) * boot[0x0D]);
    const auto recordClusters = static_cast<std::int8_t>(boot[0x40]);
    volume.recordSize = recordClusters < 0 ? std::size_t{1} << -recordClusters
                                           : static_cast<std::size_t>(recordClusters) * volume.clusterSize;

    const std::string output = runCommand("echo '@@@ 0'; istat -r -o " + std::to_string(startSector) + " '" + image + "' 0");
    const IstatRecord mftRecord = parseIstat(output)[0];
    const IstatAttribute* data = mftRecord.firstData();
    EXPECT_NE(data, nullptr) << output;
    if (data == nullptr) return volume;
    for (const IstatRun& run : data->runs) {
        readAt(image, startSector * 512 + run.start * volume.clusterSize, volume.mft, run.length * volume.clusterSize);
    }
    volume.mft.resize(data->size / volume.recordSize * volume.recordSize);
    return volume;
}

// ---- The comparison ---------------------------------------------------------------------------

// The 8-bit form of a name when the decoder can give it exactly: ASCII and the Cyrillic letters
// of code page 1251 (Ё and ё included).
bool eightBitName(const std::string& utf8, std::string& cp1251) {
    const std::u16string wide = platform::cp1251ToUtf16(platform::utf8ToCp1251(utf8));
    cp1251 = platform::utf8ToCp1251(utf8);
    for (const char16_t c : wide) {
        if (!(c >= 0x20 && c < 0x7F) && !(c >= 0x400 && c <= 0x45F) && c != 0x490 && c != 0x491) return false;
    }
    return platform::cp1251ToUtf8(cp1251) == utf8;
}

struct Tally {
    int records = 0;         // records compared
    int namesCompared = 0;
    int runListsCompared = 0;
    int deleted = 0;
    int timesCompared = 0;
    int extensionsCompared = 0;
    int twoNames = 0;  // records with two names
    std::map<std::uint32_t, int> codes;  // how many records gave each integrity code
};

void compareRecord(std::uint64_t number, std::span<std::uint8_t> bytes, const IstatRecord& istat,
                   const Volume& volume, Tally& tally) {
    SCOPED_TRACE(volume.image + " record " + std::to_string(number));
    FileRecordInfo info;
    const std::uint32_t code = decodeFileRecord(bytes, info);
    ++tally.records;
    ++tally.codes[code];
    if (!istat.readable) {
        EXPECT_NE(code, kRecordGood) << "istat cannot read this record";
        return;
    }
    // The checks of the decoder, predicted from the attributes istat lists.
    const auto& attributes = istat.attributes;
    const bool hasList = attributes.size() > 1 && attributes[1].type == 0x20;
    std::uint32_t expected = kRecordGood;
    if (attributes.empty() || attributes[0].type != 0x10) {
        expected = kNoStandardInformation;
    } else if (attributes.size() < 2 || (attributes[1].type != 0x30 &&
                                         !(hasList && attributes.size() > 2 && attributes[2].type == 0x30))) {
        expected = kNoFileNameAfterStandardInfo;
    } else if (istat.firstData() == nullptr && !istat.directory) {
        expected = kNoDataAttribute;
    }
    if (hasList && expected == kRecordGood && code == kNoDataAttribute) {
        expected = kNoDataAttribute;  // the $DATA of this file lies in another record
    }
    EXPECT_EQ(code, expected);
    if (info.stage < DecodeStage::Flags) return;

    EXPECT_EQ(info.inUse, istat.allocated ? 1 : 0);
    EXPECT_EQ(info.isFolder, istat.directory ? 1 : 0);
    if (code == kRecordGood && !istat.allocated) ++tally.deleted;
    // Records that were never used may carry no number (mkntfs leaves 0 in its reserved ones).
    if (istat.allocated) {
        EXPECT_EQ(info.ownNumber, static_cast<std::uint32_t>(number));
    }
    if (info.stage < DecodeStage::Times) return;
    const std::uint64_t decodedTimes[4] = {info.created, info.modified, info.mftModified, info.accessed};
    for (int i = 0; i < 4; ++i) {
        // istat shows times through 32-bit Unix time: only those after 1970 and before 2106 are
        // its true reading.
        constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000ull;
        constexpr std::uint64_t kUnixEnd = kUnixEpoch + (std::uint64_t{1} << 32) * 10'000'000;
        if (decodedTimes[i] <= kUnixEpoch + 10'000'000 || decodedTimes[i] >= kUnixEnd) continue;
        EXPECT_EQ(decodedTimes[i], istat.times[i]) << "time " << i;
        ++tally.timesCompared;
    }
    if (info.stage < DecodeStage::Names || istat.names.empty()) return;

    EXPECT_EQ(info.parentNumber, static_cast<std::uint32_t>(istat.names[0].parent));
    // One name: it is the long name. Two: a DOS name is the short name, else the second is the long
    // name and the first one's first 12 characters the short name.
    std::string first, second;
    const bool firstExact = eightBitName(istat.names[0].name, first);
    std::string extensionSource;  // the name the extension is expected from
    if (istat.names.size() == 1 && firstExact) {
        EXPECT_EQ(std::string(info.longName), first);
        EXPECT_EQ(std::string(info.shortName, 12), (first + std::string(12, '\0')).substr(0, 12));
        extensionSource = first;
        ++tally.namesCompared;
    } else if (istat.names.size() == 2 && firstExact && eightBitName(istat.names[1].name, second)) {
        const std::string paddedShort = (second + std::string(12, ' ')).substr(0, 12);
        if (std::string(info.shortName, 12) == paddedShort) {  // the second name is the DOS name
            EXPECT_EQ(std::string(info.longName), first);
        } else {
            EXPECT_EQ(std::string(info.longName), second);
            EXPECT_EQ(std::string(info.shortName, 12), (first + std::string(12, '\0')).substr(0, 12));
        }
        // A DOS name second, or a second long name (a hard link): the second gives the extension.
        extensionSource = second;
        ++tally.namesCompared;
        ++tally.twoNames;
    }
    // The extension: up to three characters after the last "." (not the first character), upper
    // case; compared where they are plain ASCII letters and digits.
    const std::size_t dot = extensionSource.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        std::string ext = extensionSource.substr(dot + 1, 3);
        bool plain = true;
        for (char& c : ext) {
            plain = plain && std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80;
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (plain) {
            EXPECT_EQ(std::string(info.ext), (ext + "   ").substr(0, 3)) << extensionSource;
            ++tally.extensionsCompared;
        }
    } else if (!extensionSource.empty()) {
        EXPECT_STREQ(info.ext, "   ") << extensionSource;
        ++tally.extensionsCompared;
    }

    if (code != kRecordGood || hasList) return;
    const IstatAttribute* data = istat.firstData();
    if (data == nullptr) {
        EXPECT_EQ(info.realSize, 0u);
        EXPECT_EQ(info.allocatedSize, 0u);
        EXPECT_EQ(info.fragmentCount, 0u);
        return;
    }
    EXPECT_EQ(info.nonResident, data->resident ? 0 : 1);
    EXPECT_EQ(info.realSize, data->size);
    if (data->resident) {
        EXPECT_EQ(info.allocatedSize, data->size);
        EXPECT_EQ(info.fragmentCount, 0u);
        return;
    }
    // istat ends the run list at the stream's size; the record's runs may go on into clusters
    // allocated beyond it. Those must agree up to istat's end.
    std::vector<IstatRun> runs = data->runs;
    if (data->size == 0) runs.clear();  // no runs are decoded for an empty stream
    std::uint64_t istatClusters = 0;
    for (const IstatRun& run : runs) istatClusters += run.length;
    std::uint64_t decodedClusters = 0;
    for (std::uint32_t i = 0; i < info.fragmentCount; ++i) decodedClusters += info.runs[i].clusterCount;
    if (runs.size() > kRunListMaxFragments) {
        runs.resize(kRunListMaxFragments);
    } else if (decodedClusters == istatClusters) {
        EXPECT_EQ(info.allocatedSize, decodedClusters * volume.clusterSize);
    } else {
        EXPECT_GT(decodedClusters, istatClusters);
        EXPECT_EQ(istatClusters, (data->size + volume.clusterSize - 1) / volume.clusterSize);
        EXPECT_EQ(info.allocatedSize, decodedClusters * volume.clusterSize);
    }
    ASSERT_GE(info.fragmentCount, runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const bool last = i + 1 == runs.size() && decodedClusters != istatClusters;
        if (last) {
            EXPECT_GE(info.runs[i].clusterCount, runs[i].length) << "run " << i;
        } else {
            EXPECT_EQ(info.runs[i].clusterCount, runs[i].length) << "run " << i;
        }
        EXPECT_EQ(info.runs[i].startCluster, runs[i].sparse ? kSparseCluster : runs[i].start) << "run " << i;
    }
    EXPECT_EQ(info.runs[info.fragmentCount].clusterCount, 0u);
    EXPECT_EQ(info.firstCluster, runs.empty() ? 0u : info.runs[0].startCluster);
    ++tally.runListsCompared;
}

// Records in `refusedByIstat` are those The Sleuth Kit cannot read (its manifest entry says so);
// they are left out.
Tally compareVolume(const std::string& image, std::uint64_t startSector,
                    const std::set<std::uint64_t>& refusedByIstat = {}) {
    Tally tally;
    Volume volume = openVolume(image, startSector);
    const std::size_t count = volume.mft.size() / std::max<std::size_t>(volume.recordSize, 1);
    EXPECT_GT(count, 16u);
    const std::string command = "for i in $(seq 0 " + std::to_string(count - 1) + "); do echo \"@@@ $i\"; istat -r -o " +
                                std::to_string(startSector) + " '" + image + "' $i 2>&1; done";
    const std::map<std::uint64_t, IstatRecord> istat = parseIstat(runCommand(command));
    for (std::size_t n = 0; n < count; ++n) {
        if (refusedByIstat.count(n)) continue;
        const auto found = istat.find(n);
        if (found == istat.end()) {
            ADD_FAILURE() << "no istat output for record " << n;
            continue;
        }
        compareRecord(n, std::span(volume.mft).subspan(n * volume.recordSize, volume.recordSize), found->second,
                      volume, tally);
    }
    std::string codes;
    for (const auto& [code, n] : tally.codes) codes += " " + std::to_string(n) + "x" + std::to_string(code);
    std::printf("  %s at sector %llu: %d records (codes:%s), %d good ones deleted; compared %d names (%d of two),"
                " %d extensions, %d times, %d run lists\n",
                std::filesystem::path(image).filename().c_str(), static_cast<unsigned long long>(startSector),
                tally.records, codes.c_str(), tally.deleted, tally.namesCompared, tally.twoNames,
                tally.extensionsCompared, tally.timesCompared, tally.runListsCompared);
    return tally;
}

TEST(FileRecordIstat, WindowsXpVolume) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty()) << "no Windows images in " << testsupport::windowsImageDir();
    const Tally tally = compareVolume(image, 0);
    EXPECT_EQ(tally.records, 39);
    EXPECT_GE(tally.deleted, 10);
    EXPECT_GE(tally.runListsCompared, 10);
}

TEST(FileRecordIstat, Windows10Disk) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "ntfs_index.raw");
    ASSERT_FALSE(image.empty()) << "no Windows images in " << testsupport::windowsImageDir();
    const Tally tally = compareVolume(image, 128);
    EXPECT_EQ(tally.records, 256);
    EXPECT_GE(tally.namesCompared, 50);
}

// The NTFS volumes of the fixture images, as their manifest lists them: ntfs-3g volumes, without
// DOS names except for a few files given one. The masked disk is left out: its raw sectors are
// masked for every reader; so is the disk of attribute lists, thousands of records filling a
// volume, which the analysis' comparison with fls covers.
TEST(FileRecordIstat, FixtureImages) {
    if (!std::filesystem::exists(testsupport::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << testsupport::fixtureDir();
    }
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    int volumes = 0;
    int withDosNames = 0;
    for (const testsupport::ImageFacts& image : manifest.images) {
        if (image.maskLba || image.name == "lists.img") continue;
        for (const testsupport::PartitionFacts* volume : image.volumes()) {
            if (volume->filesystem != "ntfs") continue;
            std::set<std::uint64_t> refused;
            for (const testsupport::EntryFacts* entry : image.entriesOf(volume->index)) {
                const auto tsk = entry->fields.find("tsk");
                if (tsk != entry->fields.end() && tsk->second == "refused") refused.insert(entry->record);
            }
            const Tally tally = compareVolume(image.path(testsupport::fixtureDir()), volume->startLba, refused);
            withDosNames += tally.twoNames;
            ++volumes;
        }
    }
    EXPECT_GE(volumes, 5);
    EXPECT_GE(withDosNames, 3);  // the DOS names given to a few files, before and after the long name
}

}  // namespace
}  // namespace quenzar::ntfs
