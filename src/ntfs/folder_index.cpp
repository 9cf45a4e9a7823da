#include "ntfs/folder_index.h"

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

constexpr std::uint32_t kFileNameType = 0x30;
constexpr std::u16string_view kNameIndex = u"$I30";

constexpr std::size_t kSectorBytes = 512;
// The $INDEX_ROOT content: its own fields, then the node header.
constexpr std::size_t kRootNodeAt = 0x10;
constexpr std::size_t kRootBlockBytesAt = 0x08;
// An INDX block: its header, the node header at 18h, the update sequence array after both.
constexpr std::size_t kBlockNodeAt = 0x18;
constexpr std::size_t kBlockHeaderEnd = 0x28;
constexpr std::size_t kNodeHeaderBytes = 0x10;
constexpr std::size_t kEntryHeaderBytes = 0x10;
constexpr std::uint32_t kEntryHasSubNode = 0x01;
constexpr std::uint32_t kEntryIsLast = 0x02;
constexpr std::size_t kSubNodeBytes = 8;
// In the key, a $FILE_NAME content.
constexpr std::size_t kKeyNameCharsAt = 0x40;
constexpr std::size_t kKeyNameSpaceAt = 0x41;
constexpr std::size_t kKeyNameAt = 0x42;
constexpr std::uint64_t kReferenceNumberMask = 0xFFFF'FFFF'FFFF;

// Index blocks are 4 KiB on every volume Windows makes; anything from one sector to 64 KiB in
// powers of two is taken, a value outside is damage.
constexpr std::uint32_t kMinBlockBytes = 512;
constexpr std::uint32_t kMaxBlockBytes = 64u << 10;
// A folder of millions of files has an index of some hundred MiB; a size beyond this is damage
// and is not walked block by block.
constexpr std::uint64_t kMaxAllocationBytes = std::uint64_t{4} << 30;
// As for a file's attribute list: nothing real comes near.
constexpr std::uint64_t kMaxListBytes = 16u << 20;

// The entries of the node whose header starts at nodeAt: from its first entry up to its end,
// both inside `bytes`. False when an entry does not fit and the walk stopped there.
bool walkNode(std::span<const std::uint8_t> bytes, std::size_t nodeAt, FolderIndexEntry& entry,
              const FolderIndexVisitor& visit, FolderIndexReport& report) {
    if (nodeAt > bytes.size() || bytes.size() - nodeAt < kNodeHeaderBytes) return false;
    const std::uint8_t* node = &bytes[nodeAt];
    const std::size_t room = bytes.size() - nodeAt;
    const std::size_t first = le32(node + 0x00);
    const std::size_t end = le32(node + 0x04);
    if (first < kNodeHeaderBytes || first > end || end > room) return false;
    std::size_t offset = nodeAt + first;
    const std::size_t stop = nodeAt + end;
    // Every entry is at least kEntryHeaderBytes long, so the walk ends.
    while (stop - offset >= kEntryHeaderBytes) {
        const std::uint8_t* at = &bytes[offset];
        const std::size_t length = le16(at + 0x08);
        const std::size_t keyLength = le16(at + 0x0A);
        const std::uint32_t flags = le32(at + 0x0C);
        if (length < kEntryHeaderBytes || length > stop - offset) return false;
        if (flags & kEntryIsLast) return true;
        // The key lies between the entry's header and, when the entry has one, its sub-node VCN.
        std::size_t keyRoom = length - kEntryHeaderBytes;
        if (flags & kEntryHasSubNode) keyRoom = keyRoom >= kSubNodeBytes ? keyRoom - kSubNodeBytes : 0;
        const std::uint8_t* key = at + kEntryHeaderBytes;
        if (keyLength > keyRoom || keyLength < kKeyNameAt ||
            kKeyNameAt + 2 * std::size_t{key[kKeyNameCharsAt]} > keyLength) {
            ++report.entriesSkipped;
        } else {
            const std::size_t nameChars = key[kKeyNameCharsAt];
            entry.recordNumber = le64(at) & kReferenceNumberMask;
            entry.sequence = le16(at + 0x06);
            entry.parentRecord = le64(key) & kReferenceNumberMask;
            entry.nameSpace = key[kKeyNameSpaceAt];
            entry.name.resize(nameChars);
            for (std::size_t i = 0; i < nameChars; ++i) {
                entry.name[i] = static_cast<char16_t>(le16(key + kKeyNameAt + 2 * i));
            }
            ++report.entries;
            visit(entry);
        }
        offset += length;
    }
    // The node ends without its closing entry.
    return false;
}

// One INDX block: its update sequence undone, its node walked; counted in the report either way.
bool readIndexBlockInto(std::span<std::uint8_t> block, FolderIndexEntry& entry, const FolderIndexVisitor& visit,
                        FolderIndexReport& report) {
    if (!undoIndexBlockUpdateSequence(block)) {
        ++report.blocksSkipped;
        return false;
    }
    ++report.blocksRead;
    if (!walkNode(block, kBlockNodeAt, entry, visit, report)) ++report.brokenNodes;
    return true;
}

// The attribute is one of the folder's name index: named "$I30", the name inside the attribute.
bool namesFolderIndex(std::span<const std::uint8_t> attribute, const AttributeHeader& header) {
    if (header.nameChars != kNameIndex.size()) return false;
    const std::size_t nameBytes = 2 * kNameIndex.size();
    if (header.nameOffset > attribute.size() || nameBytes > attribute.size() - header.nameOffset) return false;
    for (std::size_t i = 0; i < kNameIndex.size(); ++i) {
        if (le16(&attribute[header.nameOffset + 2 * i]) != kNameIndex[i]) return false;
    }
    return true;
}

// The resident content of an attribute, when the attribute is resident and its content lies
// inside it.
bool residentContent(std::span<const std::uint8_t> attribute, std::span<const std::uint8_t>& content) {
    if (attribute.size() < kResidentHeaderBytes || attribute[0x08] == 1) return false;
    const ResidentContent resident = readResidentContent(attribute.data());
    if (resident.offset > attribute.size() || resident.byteCount > attribute.size() - resident.offset) return false;
    content = attribute.subspan(resident.offset, resident.byteCount);
    return true;
}

// The runs of a non-resident attribute part, read inside the attribute only.
bool partRuns(std::span<const std::uint8_t> attribute, std::vector<DataRun>& runs) {
    if (attribute.size() < kNonResidentSizesBytes || attribute[0x08] != 1) return false;
    const NonResidentSizes sizes = readNonResidentSizes(attribute.data());
    return decodeRunList(attribute, sizes.runListOffset, runs).integrityCode == kRecordGood;
}

// The content of a whole attribute, resident or in clusters (up to maxBytes); false when it
// cannot be had.
bool attributeContent(std::span<const std::uint8_t> attribute, const FolderIndexReading& reading,
                      std::uint64_t maxBytes, std::vector<std::uint8_t>& content) {
    if (attribute.size() >= kResidentHeaderBytes && attribute[0x08] != 1) {
        std::span<const std::uint8_t> inside;
        if (!residentContent(attribute, inside) || inside.size() > maxBytes) return false;
        content.assign(inside.begin(), inside.end());
        return true;
    }
    std::vector<DataRun> runs;
    if (!reading.volume || !partRuns(attribute, runs)) return false;
    const std::uint64_t byteCount = readNonResidentSizes(attribute.data()).realSize;
    if (byteCount > maxBytes) return false;
    return readRunBytes(reading.volume, reading.clusterBytes, runs, byteCount, content) &&
           content.size() == byteCount;
}

// The index attributes of a folder, gathered from its record and from the extension records its
// attribute list names: copies, since the extension records are read into buffers of their own.
struct IndexAttributes {
    std::vector<std::uint8_t> root;
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> allocationParts;  // by first VCN
    std::vector<std::uint8_t> bitmap;

    void take(std::span<const std::uint8_t> attribute, const AttributeHeader& header) {
        const std::vector<std::uint8_t> bytes(attribute.begin(), attribute.end());
        if (header.type == kIndexRootType && root.empty()) {
            root = bytes;
        } else if (header.type == kIndexAllocationType) {
            const std::uint64_t firstVcn =
                attribute.size() >= kNonResidentSizesBytes ? readNonResidentSizes(attribute.data()).firstVcn : 0;
            allocationParts.emplace_back(firstVcn, bytes);
        } else if (header.type == kIndexBitmapType && bitmap.empty()) {
            bitmap = bytes;
        }
    }
};

bool isIndexType(std::uint32_t type) {
    return type == kIndexRootType || type == kIndexAllocationType || type == kIndexBitmapType;
}

IndexAttributes gatherIndexAttributes(std::span<const std::uint8_t> record, std::uint64_t recordNumber,
                                      const FolderIndexReading& reading) {
    IndexAttributes found;
    std::span<const std::uint8_t> list;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        const std::span<const std::uint8_t> attribute = record.subspan(offset, header.length);
        if (isIndexType(header.type) && namesFolderIndex(attribute, header)) found.take(attribute, header);
        if (header.type == kAttributeListType && list.empty()) list = attribute;
        return true;
    });
    if (list.empty() || !reading.record) return found;

    // A folder of many files keeps parts of its index in extension records; its attribute list
    // names them. The record's own parts were taken above.
    std::vector<std::uint8_t> content;
    if (!attributeContent(list, reading, kMaxListBytes, content)) return found;
    std::map<std::uint64_t, std::vector<std::uint8_t>> extensions;
    for (const AttributeListEntry& listed : parseAttributeList(content)) {
        if (!isIndexType(listed.type) || listed.name != kNameIndex || listed.recordNumber == recordNumber) continue;
        auto [place, inserted] = extensions.try_emplace(listed.recordNumber);
        std::vector<std::uint8_t>& extension = place->second;
        // A record reused since by another file is no part of this folder.
        if (inserted && (!reading.record(listed.recordNumber, extension) || extension.size() < 0x30 ||
                         !isExtensionRecord(extension) || baseRecordOf(extension) != recordNumber)) {
            extension.clear();
        }
        forEachAttribute(extension, [&](std::size_t offset, const AttributeHeader& header) {
            const auto attribute = std::span<const std::uint8_t>(extension).subspan(offset, header.length);
            if (header.type != listed.type || attributeIdAt(attribute.data()) != listed.attributeId) return true;
            if (namesFolderIndex(attribute, header)) found.take(attribute, header);
            return false;
        });
    }
    return found;
}

// Reads the allocation's bytes in order along its runs, one block after the other.
class AllocationReader {
public:
    AllocationReader(const FolderIndexReading& reading, const std::vector<DataRun>& runs)
        : reading_(reading), runs_(runs), clusterBytes_(reading.clusterBytes) {}

    // The bytes from `first` on, which never lies before the last read's; false when a part lies
    // in a sparse run or beyond the runs, or did not arrive.
    bool read(std::uint64_t first, std::span<std::uint8_t> buffer) {
        std::size_t done = 0;
        while (done < buffer.size()) {
            const std::uint64_t want = first + done;
            while (run_ < runs_.size() && runStart_ + std::uint64_t{runs_[run_].clusterCount} * clusterBytes_ <= want) {
                runStart_ += std::uint64_t{runs_[run_].clusterCount} * clusterBytes_;
                ++run_;
            }
            if (run_ == runs_.size() || runs_[run_].startCluster == kSparseCluster) return false;
            const DataRun& run = runs_[run_];
            const std::uint64_t inRun = want - runStart_;
            const std::size_t count = static_cast<std::size_t>(
                std::min<std::uint64_t>(buffer.size() - done, std::uint64_t{run.clusterCount} * clusterBytes_ - inRun));
            if (!reading_.volume(std::uint64_t{run.startCluster} * clusterBytes_ + inRun, buffer.subspan(done, count))) {
                return false;
            }
            done += count;
        }
        return true;
    }

private:
    const FolderIndexReading& reading_;
    const std::vector<DataRun>& runs_;
    std::uint64_t clusterBytes_;
    std::size_t run_ = 0;
    std::uint64_t runStart_ = 0;  // the allocation byte where run_ begins
};

// The INDX blocks of the allocation that the bitmap marks in use, each walked.
void readAllocation(const IndexAttributes& found, std::uint32_t blockBytes, const FolderIndexReading& reading,
                    FolderIndexEntry& entry, const FolderIndexVisitor& visit, FolderIndexReport& report) {
    report.allocationUnusable = true;
    const bool blockSizeGood = blockBytes >= kMinBlockBytes && blockBytes <= kMaxBlockBytes &&
                               (blockBytes & (blockBytes - 1)) == 0;
    const std::uint64_t clusterBytes = reading.clusterBytes;
    if (!blockSizeGood || clusterBytes == 0 || !reading.volume) return;

    // The parts in VCN order: each part's runs start from cluster 0 again, so their lists join.
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> parts = found.allocationParts;
    std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (parts.front().first != 0 || parts.front().second.size() < kNonResidentSizesBytes) return;
    std::vector<DataRun> runs;
    std::uint64_t runBytes = 0;
    for (const auto& [firstVcn, part] : parts) {
        if (runBytes != firstVcn * clusterBytes || !partRuns(part, runs)) return;
        runBytes = 0;
        for (const DataRun& run : runs) {
            if (run.startCluster != kSparseCluster && reading.volumeClusters != 0 &&
                std::uint64_t{run.startCluster} + run.clusterCount > reading.volumeClusters) {
                return;
            }
            runBytes += std::uint64_t{run.clusterCount} * clusterBytes;
        }
    }
    const NonResidentSizes sizes = readNonResidentSizes(parts.front().second.data());
    const std::uint64_t byteCount = std::min(sizes.realSize, runBytes);
    if (byteCount > kMaxAllocationBytes) return;
    const std::uint64_t blockCount = byteCount / blockBytes;

    // Blocks the bitmap marks free may still hold the entries of files gone since; they are not
    // read. Without a bitmap every block is.
    std::vector<std::uint8_t> inUse;
    bool bitmapRead = false;
    if (!found.bitmap.empty()) bitmapRead = attributeContent(found.bitmap, reading, (blockCount + 7) / 8 + 8, inUse);
    report.allocationUnusable = false;

    AllocationReader reader(reading, runs);
    std::vector<std::uint8_t> block(blockBytes);
    for (std::uint64_t k = 0; k < blockCount; ++k) {
        if (bitmapRead && (k / 8 >= inUse.size() || ((inUse[static_cast<std::size_t>(k / 8)] >> (k % 8)) & 1) == 0)) {
            continue;
        }
        if (!reader.read(k * blockBytes, block)) {
            ++report.blocksSkipped;
            continue;
        }
        readIndexBlockInto(block, entry, visit, report);
    }
}

}  // namespace

bool undoIndexBlockUpdateSequence(std::span<std::uint8_t> block) {
    if (block.size() < kSectorBytes || block.size() % kSectorBytes != 0) return false;
    std::uint8_t* const p = block.data();
    if (std::memcmp(p, "INDX", 4) != 0) return false;
    const std::size_t arrayAt = le16(p + 0x04);
    const std::size_t words = le16(p + 0x06);
    const std::size_t parts = block.size() / kSectorBytes;
    if (words != parts + 1 || arrayAt < kBlockHeaderEnd || arrayAt + 2 * words > kSectorBytes - 2) return false;
    const std::uint16_t sequence = le16(p + arrayAt);
    for (std::size_t part = 0; part < parts; ++part) {
        if (le16(p + kSectorBytes * part + kSectorBytes - 2) != sequence) return false;
    }
    for (std::size_t part = 0; part < parts; ++part) {
        std::memcpy(p + kSectorBytes * part + kSectorBytes - 2, p + arrayAt + 2 + 2 * part, 2);
    }
    return true;
}

bool readIndexBlock(std::span<std::uint8_t> block, const FolderIndexVisitor& visit, FolderIndexReport& report) {
    FolderIndexEntry entry;
    return readIndexBlockInto(block, entry, visit, report);
}

FolderIndexReport readFolderIndex(std::span<const std::uint8_t> record, std::uint64_t recordNumber,
                                  const FolderIndexReading& reading, const FolderIndexVisitor& visit) {
    FolderIndexReport report;
    const IndexAttributes found = gatherIndexAttributes(record, recordNumber, reading);
    std::span<const std::uint8_t> root;
    FolderIndexEntry entry;
    // The block size is the root's; without a root of the folder's names the blocks cannot be told.
    if (!residentContent(found.root, root) || root.size() < kRootNodeAt + kNodeHeaderBytes ||
        le32(root.data()) != kFileNameType) {
        return report;
    }
    report.rootRead = true;
    if (!walkNode(root, kRootNodeAt, entry, visit, report)) ++report.brokenNodes;
    if (!found.allocationParts.empty()) {
        readAllocation(found, le32(root.data() + kRootBlockBytesAt), reading, entry, visit, report);
    }
    return report;
}

}  // namespace quenzar::ntfs
