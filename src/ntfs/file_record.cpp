#include "ntfs/file_record.h"

#include <algorithm>
#include <cstring>

#include "ntfs/attribute_header.h"
#include "ntfs/data_runs.h"
#include "platform/code_page_1251.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {
namespace {

using platform::le16;
using platform::le32;
using platform::le64;

// Characters before the first NUL, at most `limit`.
inline std::size_t boundedLength(const char* text, std::size_t limit) {
    return static_cast<std::size_t>(std::find(text, text + limit, '\0') - text);
}

// Attribute types the decoder knows.
constexpr std::uint32_t kStandardInformation = 0x10;
constexpr std::uint32_t kAttributeList = 0x20;
constexpr std::uint32_t kFileName = 0x30;

// Limits of the checks (bytes).
constexpr std::uint32_t kMaxStandardInfoLength = 500;
constexpr std::uint32_t kMaxWalkedAttributeLength = 1800;

// Fixed positions inside $STANDARD_INFORMATION and $FILE_NAME, counted from the attribute's start:
// these attributes are always resident with their content at 18h.
constexpr std::size_t kSiCreated = 0x18;
constexpr std::size_t kSiModified = 0x20;
constexpr std::size_t kSiMftModified = 0x28;
constexpr std::size_t kSiAccessed = 0x30;
constexpr std::size_t kSiDosAttributes = 0x38;
constexpr std::size_t kSiFieldsEnd = 0x3C;
constexpr std::size_t kFnParent = 0x18;
constexpr std::size_t kFnNameLength = 0x58;
constexpr std::size_t kFnNameSpace = 0x59;
constexpr std::size_t kFnName = 0x5A;
constexpr std::uint8_t kDosNameSpace = 2;

// The longest $FILE_NAME a volume can hold: a name of 255 characters (its length is one byte)
// after the fixed fields, rounded up to whole 8 bytes as every attribute is. A limit of 500 bytes
// would take every name of 205 characters or more for damage and lose those files from the tree.
constexpr std::size_t kMaxNameChars = 255;
constexpr std::uint32_t kMaxFileNameLength = (kFnName + 2 * kMaxNameChars + 7) / 8 * 8;
static_assert(kMaxFileNameLength == 600);

// UTF-16 name characters into 8-bit code page 1251 text: each character goes to its own 1251
// position (the Cyrillic letters U+0410..U+044F to C0h..FFh, Ё to A8h, ё to B8h, "–" to 96h, ...)
// or to "?" where 1251 has none, a surrogate pair (one character beyond the 16-bit range) to one
// "?". Keeping a low byte would show "é" as "й" and "ёж" as "Qж"; cutting the name at such a
// character would turn "中文.txt" into an empty name. The rest of the target keeps what it held.
// Returns the characters written.
std::size_t convertName(const std::uint8_t* utf16, std::size_t charCount, char* target) {
    std::size_t written = 0;
    for (std::size_t i = 0; i < charCount; ++i) {
        const char16_t unit = static_cast<char16_t>(utf16[2 * i] | (utf16[2 * i + 1] << 8));
        const bool pairFollows = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < charCount &&
                                 utf16[2 * i + 3] >= 0xDC && utf16[2 * i + 3] <= 0xDF;
        if (pairFollows) ++i;
        target[written++] = platform::cp1251FromCodePoint(unit);
    }
    return written;
}

// Characters above 40h lose bit 5: upper case for Latin and for 1251 Cyrillic letters.
inline char extensionChar(char c) {
    const auto code = static_cast<std::uint8_t>(c);
    return static_cast<char>(code > 0x40 ? code & ~0x20 : code);
}

// Up to three characters after the "." at dotPosition; a NUL ends them, blanks fill the rest.
void takeExtension(const char* name, std::size_t nameEnd, std::size_t dotPosition, char* ext) {
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t at = dotPosition + 1 + i;
        if (at >= nameEnd || name[at] == 0) break;
        ext[i] = extensionChar(name[at]);
    }
}

// The extension of a name with a DOS name: the last "." among positions 1..lastPosition of the
// short name.
void extensionFromShortName(FileRecordInfo& info, std::size_t lastPosition) {
    for (std::size_t i = lastPosition; i >= 1; --i) {
        if (info.shortName[i] == '.') {
            takeExtension(info.shortName, kShortNameChars, i, info.ext);
            return;
        }
    }
}

// The extension of a record without a DOS name: the last "." of the whole long name, not at its
// first character. Long names of volumes without 8.3 names keep their extension past the 12th
// character ("Annual report.doc"), where the short-name rule would never see it.
void extensionFromLongName(FileRecordInfo& info) {
    const std::size_t length = boundedLength(info.longName, kLongNameBytes);
    for (std::size_t i = length; i-- > 1;) {
        if (info.longName[i] == '.') {
            takeExtension(info.longName, length, i, info.ext);
            return;
        }
    }
}

// Whether the runs of this file count in the cluster statistics: the system's own files ("$...")
// and the link tracking log are left out.
bool countsInStatistics(const FileRecordInfo& info) {
    if (info.longName[0] == '$') return false;
    return std::memcmp(info.longName, "tracking.log", 12) != 0;
}

void addToStatistics(const FileRecordInfo& info, ClusterStatistics& statistics) {
    if (!countsInStatistics(info)) return;
    for (std::uint32_t i = 0; i < kRunListEntries && info.runs[i].clusterCount != 0; ++i) {
        const DataRun& run = info.runs[i];
        if (run.startCluster == kSparseCluster) continue;
        const std::uint64_t end = std::uint64_t{run.startCluster} + run.clusterCount;
        statistics.lowestCluster = std::min(statistics.lowestCluster, run.startCluster);
        statistics.highestCluster = std::max<std::uint32_t>(
            statistics.highestCluster, static_cast<std::uint32_t>(std::min<std::uint64_t>(end, 0xFFFFFFFF)));
    }
}

// The values a decode starts from; copied over the caller's result at the start of every decode.
const FileRecordInfo kResetInfo{};

class Decoder {
public:
    Decoder(std::span<std::uint8_t> buffer, FileRecordInfo& info, ClusterStatistics* statistics)
        : buffer_(buffer), info_(info), statistics_(statistics) {}

    std::uint32_t run() {
        info_ = kResetInfo;
        info_.integrityCode = decode();
        if (info_.integrityCode == kRecordGood) info_.stage = DecodeStage::Complete;
        return info_.integrityCode;
    }

private:
    // Whether `length` bytes at `offset` lie inside the record.
    bool fits(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    const std::uint8_t* at(std::size_t offset) const { return buffer_.data() + offset; }
    std::uint32_t typeAt(std::size_t offset) const { return le32(at(offset)); }
    // Types 10h, 20h and 30h are recognised by the low 16 bits of the type field.
    std::uint16_t shortTypeAt(std::size_t offset) const { return le16(at(offset)); }

    std::uint32_t decode() {
        std::uint8_t* const p = buffer_.data();
        if (buffer_.size() >= 4) std::memcpy(info_.signature, p, 4);
        if (buffer_.size() < kSmallRecordSize) return kNoFileSignature;
        if (std::memcmp(p, "FILE", 4) != 0) return kNoFileSignature;

        // Update sequence: only the first part is compared. The parts lying in the first 1,024
        // bytes are restored here, the further ones of a larger record once its size is known.
        const std::size_t usa = le16(p + 0x04);
        if (usa + 6 > kSmallRecordSize) return kUpdateSequenceMismatch;
        stride_ = updateSequenceStride(p, buffer_.size());
        if (le16(p + usa) != le16(p + stride_ - 2)) return kUpdateSequenceMismatch;
        const std::size_t earlyParts = std::max<std::size_t>(kSmallRecordSize / stride_, 1);
        restoreParts(usa, 0, earlyParts, kSmallRecordSize);

        if (le16(p + 0x18) > kLargeRecordSize) return kBytesInUseTooLarge;
        const std::uint16_t allocated = le16(p + 0x1C);
        if (allocated != kSmallRecordSize && allocated != kLargeRecordSize) return kAllocatedSizeInvalid;
        if (allocated > buffer_.size()) return kAllocatedSizeInvalid;
        size_ = allocated;
        restoreParts(usa, earlyParts, size_ / stride_, size_);

        const std::uint8_t layout = p[0x04];
        if (layout == 0x30) {
            info_.ownNumber = le32(p + 0x2C);
        } else if (layout == 0x2A) {
            info_.ownNumber = kNoOwnNumber;
        } else {
            return kUnknownLayout;
        }
        info_.stage = DecodeStage::Header;

        const std::uint16_t flags = le16(p + 0x16);
        info_.inUse = flags & 0x01;
        info_.isFolder = (flags >> 1) & 0x01;
        info_.stage = DecodeStage::Flags;

        if (const std::uint32_t code = standardInformation(); code != kRecordGood) return code;
        if (const std::uint32_t code = firstFileName(); code != kRecordGood) return code;
        return names();
    }

    // The bytes each update sequence word guards. NTFS puts a word at the end of every 512 bytes
    // of a record whatever the disk's sector size (a 4,096-byte record has nine words in its
    // array); a record whose array counts one word per larger part (one per sector of a disk of
    // large sectors) is read that way, as its array says.
    static std::size_t updateSequenceStride(const std::uint8_t* p, std::size_t bufferBytes) {
        const std::size_t allocated = le16(p + 0x1C);
        const std::size_t words = le16(p + 0x06);
        if ((allocated == kSmallRecordSize || allocated == kLargeRecordSize) && words >= 2 &&
            allocated % (words - 1) == 0) {
            const std::size_t stride = allocated / (words - 1);
            if (stride > 512 && stride <= allocated && stride <= bufferBytes && (stride & (stride - 1)) == 0) {
                return stride;
            }
        }
        return 512;
    }

    // Gives the parts [first, end) of the record their own last words back from the array, as far
    // as the array and the `limit` bytes reach. Only the first part is compared, but every part
    // the array covers is restored: left in place, the sequence number would stand inside
    // attributes that cross a part's end and change their names, sizes or runs.
    void restoreParts(std::size_t usa, std::size_t first, std::size_t end, std::size_t limit) {
        std::uint8_t* const p = buffer_.data();
        const std::size_t arrayWords = le16(p + 0x06);
        end = std::min(end, arrayWords > 0 ? arrayWords - 1 : 0);
        for (std::size_t part = first; part < end; ++part) {
            const std::size_t saved = usa + 2 + 2 * part;
            const std::size_t guarded = stride_ * (part + 1) - 2;
            if (saved + 2 > limit || guarded + 2 > limit) break;
            std::memcpy(p + guarded, p + saved, 2);
        }
    }

    std::uint32_t standardInformation() {
        const std::size_t si = le16(at(0x14));
        if (!fits(si, 4) || shortTypeAt(si) != kStandardInformation) return kNoStandardInformation;
        if (!fits(si, kSiFieldsEnd)) return kStandardInfoTooLong;
        info_.created = le64(at(si + kSiCreated));
        info_.modified = le64(at(si + kSiModified));
        info_.mftModified = le64(at(si + kSiMftModified));
        info_.accessed = le64(at(si + kSiAccessed));
        info_.dosAttributes = le32(at(si + kSiDosAttributes));
        info_.stage = DecodeStage::Times;
        const std::uint32_t length = readAttributeLength(at(si));
        if (length >= kMaxStandardInfoLength || !fits(si, length)) return kStandardInfoTooLong;
        position_ = si + length;
        return kRecordGood;
    }

    // The attribute after $STANDARD_INFORMATION must be the first $FILE_NAME, or an attribute
    // list followed by it.
    std::uint32_t firstFileName() {
        if (!fits(position_, 4)) return kNoFileNameAfterStandardInfo;
        const std::uint16_t type = shortTypeAt(position_);
        if (type == kAttributeList) {
            info_.hasAttributeList = 1;
            if (!fits(position_, 8)) return kNoFileNameAfterStandardInfo;
            const std::uint32_t length = readAttributeLength(at(position_));
            if (length == 0 || !fits(position_, length)) return kNoFileNameAfterStandardInfo;
            position_ += length;
            if (!fits(position_, 4) || shortTypeAt(position_) != kFileName) {
                return kNoFileNameAfterStandardInfo;
            }
        } else if (type != kFileName) {
            return kNoFileNameAfterStandardInfo;
        }

        const std::size_t fn = position_;
        if (!fits(fn, kFnName)) return kFileNameTooLong;
        info_.parentNumber = le32(at(fn + kFnParent));
        info_.stage = DecodeStage::FirstName;
        const std::size_t nameChars = *at(fn + kFnNameLength);
        if (!fits(fn + kFnName, 2 * nameChars)) return kFileNameTooLong;
        convertName(at(fn + kFnName), nameChars, info_.longName);
        firstNameIsDos_ = *at(fn + kFnNameSpace) == kDosNameSpace;
        const std::uint32_t length = readAttributeLength(at(fn));
        if (length > kMaxFileNameLength || !fits(fn, length)) return kFileNameTooLong;
        position_ = fn + length;
        return kRecordGood;
    }

    // A second $FILE_NAME right after the first gives either the DOS name or, when the first one
    // was the DOS name (or the file has two long names), the long name.
    std::uint32_t names() {
        bool hasDosName = false;
        if (fits(position_, 4) && shortTypeAt(position_) == kFileName) {
            const std::size_t fn = position_;
            if (!fits(fn, kFnName)) return kFileNameTooLong;
            const std::size_t nameChars = *at(fn + kFnNameLength);
            if (!fits(fn + kFnName, 2 * nameChars)) return kFileNameTooLong;
            if (*at(fn + kFnNameSpace) == kDosNameSpace) {
                convertName(at(fn + kFnName), std::min(nameChars, kShortNameChars), info_.shortName);
                hasDosName = true;
            } else {
                std::memcpy(info_.shortName, info_.longName, kShortNameChars);
                std::memset(info_.longName, 0, kLongNameBytes);
                convertName(at(fn + kFnName), nameChars, info_.longName);
                hasDosName = firstNameIsDos_;
            }
            info_.stage = DecodeStage::Names;
            if (hasDosName) {
                extensionFromShortName(info_, 8);
            } else {
                extensionFromLongName(info_);
            }
            // The walk for $DATA starts by stepping over this second name.
            return walkForData(/*stepFirst=*/true);
        }
        std::memcpy(info_.shortName, info_.longName, kShortNameChars);
        info_.stage = DecodeStage::Names;
        extensionFromLongName(info_);
        return walkForData(/*stepFirst=*/false);
    }

    // Finds the first attribute of type 80h, whatever its name. Reaching the end is good for a
    // folder and a failure for a file.
    std::uint32_t walkForData(bool stepOverFirst) {
        for (bool stepOver = stepOverFirst;; stepOver = false) {
            if (!stepOver) {
                if (!fits(position_, 4)) return kAttributeTooLong;
                const std::uint32_t type = typeAt(position_);
                if (type == kAttributeEndMarker) break;
                if (type == kDataAttributeType) return dataAttribute(position_);
            }
            if (!fits(position_, 8)) return kAttributeTooLong;
            const std::uint32_t length = readAttributeLength(at(position_));
            if (length == 0) break;
            if (length >= kMaxWalkedAttributeLength || !fits(position_, length)) return kAttributeTooLong;
            position_ += length;
        }
        return info_.isFolder ? finish() : kNoDataAttribute;
    }

    std::uint32_t dataAttribute(std::size_t attribute) {
        info_.stage = DecodeStage::Data;
        if (!fits(attribute, kResidentHeaderBytes)) return kAttributeTooLong;
        const AttributeHeader header = readAttributeHeader(at(attribute));
        info_.dataFlags = header.flags;
        info_.nonResident = header.nonResident;
        if (!info_.nonResident) {
            const ResidentContent resident = readResidentContent(at(attribute));
            const std::size_t content = attribute + resident.offset;
            if (!fits(content, resident.byteCount)) return kAttributeTooLong;
            info_.realSize = resident.byteCount;
            info_.allocatedSize = resident.byteCount;
            info_.residentData = at(content);
            return finish();
        }
        if (!fits(attribute, kNonResidentSizesBytes)) return kAttributeTooLong;
        const NonResidentSizes sizes = readNonResidentSizes(at(attribute));
        info_.allocatedSize = sizes.allocatedSize;
        info_.realSize = sizes.realSize;
        if (info_.realSize != 0) {
            const std::size_t runsAt = attribute + sizes.runListOffset;
            const RunListResult runs = decodeRunList(buffer_.first(size_), runsAt, info_.runs);
            info_.fragmentCount = runs.fragmentCount;
            info_.firstCluster = info_.runs[0].startCluster;
            if (statistics_ != nullptr) addToStatistics(info_, *statistics_);
            if (runs.integrityCode != kRecordGood) return runs.integrityCode;
        }
        return finish();
    }

    std::uint32_t finish() {
        if (info_.longName[0] == 0) std::memcpy(info_.longName, info_.shortName, kShortNameChars + 1);
        return kRecordGood;
    }

    std::span<std::uint8_t> buffer_;
    FileRecordInfo& info_;
    ClusterStatistics* statistics_;
    std::size_t size_ = 0;      // the record's extent once its allocated size is known
    std::size_t stride_ = 512;  // the bytes each update sequence word guards
    std::size_t position_ = 0;  // the attribute being looked at
    bool firstNameIsDos_ = false;
};

}  // namespace

std::uint32_t decodeFileRecord(std::span<std::uint8_t> record, FileRecordInfo& info) {
    return Decoder(record, info, nullptr).run();
}

std::uint32_t decodeFileRecord(std::span<std::uint8_t> record, FileRecordInfo& info,
                               ClusterStatistics& statistics) {
    return Decoder(record, info, &statistics).run();
}

std::uint32_t fileRecordSizeOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 0x20 || std::memcmp(bytes.data(), "FILE", 4) != 0) return 0;
    const std::uint32_t allocated = le16(bytes.data() + 0x1C);
    return allocated == kSmallRecordSize || allocated == kLargeRecordSize ? allocated : 0;
}

}  // namespace quenzar::ntfs
