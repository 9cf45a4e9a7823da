#include "ntfs/attribute_list.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "ntfs/attribute_header.h"
#include "ntfs/data_runs.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {

namespace {

using platform::le16;
using platform::le32;
using platform::le64;
using platform::putLe16;
using platform::putLe32;

constexpr std::uint32_t kStandardInformationType = 0x10;
constexpr std::uint32_t kFileNameType = 0x30;
constexpr std::size_t kListEntryFixedBytes = 0x1A;
// A list longer than this is taken for damage: a file of 65,535 hard links needs about 6 MiB,
// nothing real comes near.
constexpr std::uint64_t kMaxListBytes = 16u << 20;
constexpr std::size_t kImageSectors = kLargeRecordSize / 512;

// The attribute at `offset`, as far as its length reaches inside the record.
std::span<const std::uint8_t> attributeBytes(std::span<const std::uint8_t> record, std::size_t offset,
                                             const AttributeHeader& header) {
    return record.subspan(offset, header.length);
}

// The runs of a non-resident attribute part, read inside the attribute only.
bool partRuns(std::span<const std::uint8_t> attribute, std::vector<DataRun>& runs) {
    if (attribute.size() < kNonResidentSizesBytes) return false;
    const NonResidentSizes sizes = readNonResidentSizes(attribute.data());
    return decodeRunList(attribute, sizes.runListOffset, runs).integrityCode == kRecordGood;
}

// The content of the base record's attribute list: resident in the record, or in clusters of its own.
enum class ListContent { None, Read, Unreadable };

ListContent readListContent(std::span<const std::uint8_t> base, const RecordReading& reading,
                            std::vector<std::uint8_t>& content) {
    ListContent found = ListContent::None;
    forEachAttribute(base, [&](std::size_t offset, const AttributeHeader& header) {
        if (header.type != kAttributeListType) return true;
        const std::span<const std::uint8_t> attribute = attributeBytes(base, offset, header);
        found = ListContent::Unreadable;
        if (!header.nonResident) {
            if (attribute.size() < kResidentHeaderBytes) return false;
            const ResidentContent resident = readResidentContent(attribute.data());
            if (resident.offset > attribute.size() || resident.byteCount > attribute.size() - resident.offset) return false;
            content.assign(attribute.begin() + resident.offset, attribute.begin() + resident.offset + resident.byteCount);
            found = ListContent::Read;
            return false;
        }
        std::vector<DataRun> runs;
        if (!reading.clusters || !partRuns(attribute, runs)) return false;
        const std::uint64_t byteCount = readNonResidentSizes(attribute.data()).realSize;
        if (byteCount > kMaxListBytes || !reading.clusters(runs, byteCount, content) || content.size() < byteCount) {
            return false;
        }
        content.resize(static_cast<std::size_t>(byteCount));
        found = ListContent::Read;
        return false;
    });
    return found;
}

// The records a gathering reads, each once.
class GatheringRecords {
public:
    GatheringRecords(std::span<const std::uint8_t> base, std::uint64_t baseNumber, const RecordReading& reading)
        : base_(base), baseNumber_(baseNumber), reading_(reading) {}

    // The attribute the entry names, or an empty span when its record or the attribute is missing.
    std::span<const std::uint8_t> attribute(const AttributeListEntry& entry) {
        const std::span<const std::uint8_t> record = recordOf(entry.recordNumber);
        std::span<const std::uint8_t> found;
        forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
            if (header.type != entry.type || attributeIdAt(&record[offset]) != entry.attributeId) return true;
            found = attributeBytes(record, offset, header);
            return false;
        });
        if (found.empty()) missing_ = true;
        return found;
    }

    bool missing() const { return missing_; }

private:
    std::span<const std::uint8_t> recordOf(std::uint64_t number) {
        if (number == baseNumber_) return base_;
        auto [place, inserted] = records_.try_emplace(number);
        if (inserted) {
            std::vector<std::uint8_t>& bytes = place->second;
            // An extension record that names another base record was reused by another file.
            if (!reading_.record || !reading_.record(number, bytes) || bytes.size() < 0x30 ||
                !isExtensionRecord(bytes) || baseRecordOf(bytes) != baseNumber_) {
                bytes.clear();
            }
        }
        return place->second;
    }

    std::span<const std::uint8_t> base_;
    std::uint64_t baseNumber_;
    const RecordReading& reading_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> records_;
    bool missing_ = false;
};

// The parent reference of a $FILE_NAME attribute (content at 18h, as the decoder reads it).
std::uint64_t fileNameParent(std::span<const std::uint8_t> attribute) {
    return attribute.size() >= 0x20 ? le64(attribute.data() + 0x18) : ~std::uint64_t{0};
}

// The record image being written: attributes appended after the header, each only when it fits
// with the end marker behind it.
class RecordImage {
public:
    explicit RecordImage(std::span<const std::uint8_t> base) : bytes_(kLargeRecordSize, 0) {
        std::memcpy(bytes_.data(), base.data(), 0x30);
        const std::uint8_t layout = base[0x04];
        if (layout == 0x30 && base.size() >= 0x30 + 4) std::memcpy(&bytes_[0x2C], &base[0x2C], 4);
        usaOffset_ = layout;
        putLe16(&bytes_[0x04], layout);
        putLe16(&bytes_[0x06], kImageSectors + 1);
        position_ = (usaOffset_ + 2 * (kImageSectors + 1) + 7) / 8 * 8;
        putLe16(&bytes_[0x14], static_cast<std::uint16_t>(position_));
        putLe32(&bytes_[0x1C], kLargeRecordSize);
        std::memset(&bytes_[0x20], 0, 8);
        sequence_ = le16(&base[layout]);
    }

    bool append(std::span<const std::uint8_t> attribute) {
        if (attribute.size() > kLargeRecordSize - 8 - position_) return false;
        std::memcpy(&bytes_[position_], attribute.data(), attribute.size());
        position_ += attribute.size();
        return true;
    }

    // Ends the attributes and puts the update sequence in place, as the disk holds a record.
    std::vector<std::uint8_t> finish() {
        putLe32(&bytes_[position_], kAttributeEndMarker);
        putLe32(&bytes_[0x18], static_cast<std::uint32_t>(position_ + 8));
        putLe16(&bytes_[usaOffset_], sequence_);
        for (std::size_t sector = 0; sector < kImageSectors; ++sector) {
            std::uint8_t* end = &bytes_[512 * sector + 510];
            std::memcpy(&bytes_[usaOffset_ + 2 + 2 * sector], end, 2);
            putLe16(end, sequence_);
        }
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t usaOffset_ = 0x30;
    std::size_t position_ = 0;
    std::uint16_t sequence_ = 0;
};

// The unnamed $DATA as one attribute: the first part's header with the runs of every part,
// as many as the decoder's list holds.
std::vector<std::uint8_t> joinedDataAttribute(std::span<const std::uint8_t> firstPart, const std::vector<DataRun>& runs) {
    const std::vector<std::uint8_t> encoded =
        encodeRunList(std::span<const DataRun>(runs).first(std::min(runs.size(), kRunListMaxFragments)));
    const std::size_t length = (kNonResidentHeaderBytes + encoded.size() + 7) / 8 * 8;
    std::vector<std::uint8_t> attribute(length, 0);
    std::memcpy(attribute.data(), firstPart.data(), kNonResidentHeaderBytes);
    putLe32(&attribute[0x04], static_cast<std::uint32_t>(length));
    attribute[0x09] = 0;                              // no name
    putLe16(&attribute[0x0A], kNonResidentHeaderBytes);
    putLe16(&attribute[0x20], kNonResidentHeaderBytes);  // the runs follow the header
    std::memcpy(&attribute[kNonResidentHeaderBytes], encoded.data(), encoded.size());
    return attribute;
}

}  // namespace

bool readRunBytes(const VolumeBytesReader& read, std::uint64_t clusterBytes, std::span<const DataRun> runs,
                  std::uint64_t byteCount, std::vector<std::uint8_t>& bytes) {
    constexpr std::uint64_t kSectorBytes = 512;
    if (clusterBytes == 0) return false;
    bytes.assign(static_cast<std::size_t>(byteCount), 0);
    std::uint64_t done = 0;
    for (const DataRun& run : runs) {
        if (done >= byteCount) break;
        const std::uint64_t length = std::min<std::uint64_t>(std::uint64_t{run.clusterCount} * clusterBytes, byteCount - done);
        if (run.startCluster != kSparseCluster) {
            // Whole sectors are read; only the bytes asked for are kept.
            std::vector<std::uint8_t> sectors(static_cast<std::size_t>((length + kSectorBytes - 1) / kSectorBytes * kSectorBytes));
            if (!read(std::uint64_t{run.startCluster} * clusterBytes, sectors)) return false;
            std::copy_n(sectors.begin(), static_cast<std::size_t>(length), bytes.begin() + static_cast<std::ptrdiff_t>(done));
        }
        done += length;
    }
    return done == byteCount;
}

std::vector<AttributeListEntry> parseAttributeList(std::span<const std::uint8_t> content) {
    std::vector<AttributeListEntry> entries;
    std::size_t offset = 0;
    while (offset + kListEntryFixedBytes <= content.size()) {
        const std::uint8_t* at = &content[offset];
        const std::size_t length = le16(at + 0x04);
        const std::size_t nameChars = at[0x06];
        const std::size_t nameOffset = at[0x07];
        if (length < kListEntryFixedBytes || length > content.size() - offset ||
            (nameChars != 0 && nameOffset + 2 * nameChars > length)) {
            break;
        }
        AttributeListEntry entry;
        entry.type = le32(at);
        entry.firstVcn = le64(at + 0x08);
        entry.recordNumber = le64(at + 0x10) & 0xFFFF'FFFF'FFFF;
        entry.attributeId = le16(at + 0x18);
        for (std::size_t i = 0; i < nameChars; ++i) entry.name += static_cast<char16_t>(le16(at + nameOffset + 2 * i));
        entries.push_back(std::move(entry));
        offset += length;
    }
    return entries;
}

std::uint64_t baseRecordOf(std::span<const std::uint8_t> record) { return le64(&record[0x20]) & 0xFFFF'FFFF'FFFF; }

bool isExtensionRecord(std::span<const std::uint8_t> record) { return le64(&record[0x20]) != 0; }

bool followsAttributeList(std::span<const std::uint8_t> record) {
    constexpr std::size_t kFirstSectorEnd = 510;
    if (record.size() < kFirstSectorEnd) return false;
    const std::size_t first = le16(&record[0x14]);
    // Types 10h and 20h are recognised by their low 16 bits, as the decoder does.
    if (first + 8 > kFirstSectorEnd || le16(&record[first]) != kStandardInformationType) return false;
    const std::size_t second = first + le32(&record[first + 4]);
    return second > first && second + 4 <= kFirstSectorEnd && le16(&record[second]) == kAttributeListType;
}

std::uint16_t attributeIdAt(const std::uint8_t* attribute) { return le16(attribute + 0x0E); }

std::vector<DataRun> unnamedDataRuns(std::span<const std::uint8_t> record) {
    std::vector<DataRun> runs;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        if (header.type != kDataAttributeType || header.nameChars != 0) return true;
        if (header.nonResident && !partRuns(attributeBytes(record, offset, header), runs)) runs.clear();
        return false;
    });
    return runs;
}

Gathering gatherAttributes(std::span<const std::uint8_t> base, std::uint64_t baseNumber, const RecordReading& reading,
                           GatheredRecord& gathered) {
    std::vector<std::uint8_t> content;
    const ListContent list = readListContent(base, reading, content);
    if (list == ListContent::None) return Gathering::NotNeeded;
    const std::vector<AttributeListEntry> entries = parseAttributeList(content);
    const bool namesOthers = std::any_of(entries.begin(), entries.end(),
                                         [&](const AttributeListEntry& e) { return e.recordNumber != baseNumber; });
    if (list == ListContent::Read && !namesOthers) return Gathering::NotNeeded;

    GatheringRecords records(base, baseNumber, reading);
    RecordImage image(base);
    gathered.dataRuns.clear();

    // $STANDARD_INFORMATION always stays in the base record.
    forEachAttribute(base, [&](std::size_t offset, const AttributeHeader& header) {
        if (header.type == kStandardInformationType) image.append(attributeBytes(base, offset, header));
        return false;
    });

    // The first name, and the one after it when it names the same folder (its DOS or long twin);
    // further names are other hard links of the file.
    std::span<const std::uint8_t> firstName;
    for (const AttributeListEntry& entry : entries) {
        if (entry.type != kFileNameType) continue;
        const std::span<const std::uint8_t> name = records.attribute(entry);
        if (name.empty()) continue;
        if (firstName.empty()) {
            firstName = name;
            image.append(name);
        } else {
            if (fileNameParent(name) == fileNameParent(firstName)) image.append(name);
            break;
        }
    }

    // The unnamed $DATA: its parts in the order of their first VCN.
    std::vector<const AttributeListEntry*> dataParts;
    for (const AttributeListEntry& entry : entries) {
        if (entry.type == kDataAttributeType && entry.name.empty()) dataParts.push_back(&entry);
    }
    std::stable_sort(dataParts.begin(), dataParts.end(),
                     [](const auto* a, const auto* b) { return a->firstVcn < b->firstVcn; });
    std::span<const std::uint8_t> firstPart;
    bool runsWhole = true;
    for (const AttributeListEntry* entry : dataParts) {
        const std::span<const std::uint8_t> part = records.attribute(*entry);
        if (part.empty()) {
            runsWhole = false;
            continue;
        }
        const bool nonResident = part[0x08] == 1;
        if (entry->firstVcn == 0) firstPart = part;
        if (nonResident && !partRuns(part, gathered.dataRuns)) runsWhole = false;
    }
    if (!firstPart.empty()) {
        if (firstPart[0x08] != 1) {
            image.append(firstPart);
        } else if (firstPart.size() >= kNonResidentHeaderBytes) {
            image.append(joinedDataAttribute(firstPart, gathered.dataRuns));
        }
    }

    // Named streams that lie whole in one part.
    for (const AttributeListEntry& entry : entries) {
        if (entry.type != kDataAttributeType || entry.name.empty() || entry.firstVcn != 0) continue;
        const bool continued = std::any_of(entries.begin(), entries.end(), [&](const AttributeListEntry& other) {
            return other.type == kDataAttributeType && other.name == entry.name && other.firstVcn != 0;
        });
        if (continued) continue;
        const std::span<const std::uint8_t> stream = records.attribute(entry);
        if (!stream.empty()) image.append(stream);
    }

    gathered.image = image.finish();
    const bool complete = list == ListContent::Read && !records.missing() && runsWhole;
    return complete ? Gathering::Complete : Gathering::Incomplete;
}

std::uint32_t decodeWithExtensions(std::span<std::uint8_t> record, std::uint64_t recordNumber,
                                   const RecordReading& reading, FileRecordInfo& info, GatheredRecord& gathered,
                                   std::vector<DataRun>& allRuns, Gathering& gathering, ClusterStatistics* statistics) {
    const auto decode = [&](std::span<std::uint8_t> bytes) {
        return statistics != nullptr ? decodeFileRecord(bytes, info, *statistics) : decodeFileRecord(bytes, info);
    };
    gathering = Gathering::NotNeeded;
    decode(record);
    if (!info.hasAttributeList) {
        allRuns = info.good() ? unnamedDataRuns(record) : std::vector<DataRun>{};
        return info.integrityCode;
    }
    const std::uint64_t number = info.ownNumber == kNoOwnNumber ? recordNumber : info.ownNumber;
    gathering = gatherAttributes(record.first(std::min<std::size_t>(record.size(), le16(&record[0x1C]))), number,
                                 reading, gathered);
    if (gathering == Gathering::NotNeeded) {
        allRuns = info.good() ? unnamedDataRuns(record) : std::vector<DataRun>{};
        return info.integrityCode;
    }
    decode(gathered.image);
    info.hasAttributeList = 1;
    allRuns = gathered.dataRuns;
    return info.integrityCode;
}

}  // namespace quenzar::ntfs
