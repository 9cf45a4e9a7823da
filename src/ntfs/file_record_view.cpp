#include "ntfs/file_record_view.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ntfs/file_time.h"
#include "text/number_texts.h"

namespace quenzar::ntfs {
namespace {

// Characters before the first NUL, at most `limit`.
inline std::size_t boundedLength(const char* text, std::size_t limit) {
    return static_cast<std::size_t>(std::find(text, text + limit, '\0') - text);
}

using text::decimal13;
using text::hexByte;

constexpr std::array<std::string_view, kIntegrityCodeCount> kIntegrityTexts = {
    "01  No descriptor record FILE Record",
    "02 Error integrity control",
    "03 The real size of more than 1024",
    "04 The allocated size is not equal to 1024",
    "05  Offset to the update sequence not 30h or 2Ah",
    "06 There is no attribute of 10",
    "07 By-attribute 10h should not attribute 30h",
    "08 offset of the next attribute more than 800",
    "09  Not found атрирут 80h",
    "10 Number bytes length number of clusters is 0",
    "11 Number bytes length number of clusters more 8",
    "12 Number bytes length number of clusters more 8",
    "13 Non-existent attribute type",
    "14 The length of attribute 30h more than 500",
    "15 The length of attribute 10h more than 500",
};

constexpr std::array<std::string_view, kValueLineCount> kLabels = {
    "Descriptor record MFT",
    "Actuality FILE Record",
    "That describes",
    "Where data is located",
    "Form storage on disk",
    "Own number",
    "Parent directory",
    "Creation time",
    "Mmodification time",
    "Mmodification time MFT",
    "The last time reading",
    "Attributes in terms DOS",
    "Allocated on disk",
    "Aactual size",
    "Number of fragments",
    "Name in the format 8.3",
    "The long name of",
};

// The value words. The first letter of both "Сompressed" words is the Cyrillic С (D1h in code
// page 1251), as the view has always shown it.
constexpr std::string_view kTopical = "topical";
constexpr std::string_view kNotRelevant = "not relevant";
constexpr std::string_view kDescribesFile = "describes the file";
constexpr std::string_view kDescribesFolder = "describes folder";
constexpr std::string_view kWithinRecord = "within the FILE Record";
constexpr std::string_view kSeparatelyOnDisk = "separately on disk";
constexpr std::string_view kOnDefault = "On default";
constexpr std::string_view kCompressed = "Сompressed, not encrypt.";
constexpr std::string_view kCompressedEncrypted = "Сompressed and encrypted";
constexpr std::string_view kEncrypted = "Not compres., encrypted";

constexpr std::string_view kFragmentHeading =
    " Information about fragments of file (Starting cluster number/Number clustersin chain) \n\r"
    " Beg cluster  Number   Beg cluster  Number   Beg cluster  Number   Beg cluster  Number ";
constexpr std::string_view kResidentHeading =
    "   Data resident located inside of the recording FILE Record (displayed to 522 bytes)  ";

constexpr std::size_t kFragmentCellWidth = 22;

// Lines of the given widths, blank-filled and separated by LF CR; line(i) is where line i starts.
class TextBlock {
public:
    explicit TextBlock(std::initializer_list<std::size_t> widths) {
        for (const std::size_t width : widths) addLine(width);
    }
    TextBlock(std::size_t lineCount, std::size_t width) {
        for (std::size_t i = 0; i < lineCount; ++i) addLine(width);
    }
    char* line(std::size_t index) { return text_.data() + starts_[index]; }
    void put(std::size_t index, std::size_t column, std::string_view value) {
        std::copy(value.begin(), value.end(), line(index) + column);
    }
    std::string take() { return std::move(text_); }

private:
    void addLine(std::size_t width) {
        if (count_ > 0) text_ += kViewLineEnd;
        starts_[count_++] = text_.size();
        text_.append(width, ' ');
    }

    std::string text_;
    std::array<std::size_t, kValueLineCount> starts_{};  // the value column is the tallest block
    std::size_t count_ = 0;
};

// The last `width` characters of "%13u".
void decimalTail(std::uint32_t value, std::size_t width, char* dest) {
    char text[13];
    decimal13(value, text);
    std::copy(text + 13 - width, text + 13, dest);
}

// Characters of an 8-bit name up to its first NUL, at most `limit`.
std::string_view nameText(const char* name, std::size_t size, std::size_t limit) {
    return std::string_view(name, boundedLength(name, std::min(size, limit)));
}

std::string_view storageWord(std::uint16_t flags) {
    switch (flags) {
        case 0x0000: return kOnDefault;
        case 0x0001: return kCompressed;
        case 0x4000: return kEncrypted;
        case 0x4001: return kCompressedEncrypted;
        default: return {};
    }
}

std::string labelColumn() {
    TextBlock block(kValueLineCount, kLabelWidth);
    for (std::size_t i = 0; i < kValueLineCount; ++i) block.put(i, 0, kLabels[i]);
    return block.take();
}

std::string valueColumn(const FileRecordInfo& info) {
    TextBlock block({24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, kLongNameValueWidth});
    const auto reached = [&](DecodeStage stage) { return info.stage >= stage; };

    for (std::size_t i = 0; i < 4; ++i) {
        block.line(0)[i] = info.signature[i] == 0 ? '.' : static_cast<char>(info.signature[i]);
    }
    if (reached(DecodeStage::Flags)) {
        block.put(1, 0, info.inUse ? kTopical : kNotRelevant);
        block.put(2, 0, info.isFolder ? kDescribesFolder : kDescribesFile);
    }
    if (reached(DecodeStage::Data)) {
        block.put(3, 0, info.nonResident ? kSeparatelyOnDisk : kWithinRecord);
        if (const std::string_view word = storageWord(info.dataFlags); !word.empty()) {
            block.put(4, 0, word);
        } else {
            hexByte(static_cast<std::uint8_t>(info.dataFlags >> 8), block.line(4) + 12);
            hexByte(static_cast<std::uint8_t>(info.dataFlags), block.line(4) + 14);
            block.line(4)[16] = 'h';
        }
    }
    if (reached(DecodeStage::Header)) decimal13(info.ownNumber, block.line(5) + 4);
    if (reached(DecodeStage::FirstName)) decimal13(info.parentNumber, block.line(6) + 4);
    if (reached(DecodeStage::Times)) {
        fileTimeText(info.created, block.line(7) + 1);
        fileTimeText(info.modified, block.line(8) + 1);
        fileTimeText(info.mftModified, block.line(9) + 1);
        fileTimeText(info.accessed, block.line(10) + 1);
        // The DOS attribute bytes in their on-disk order.
        for (int i = 0; i < 4; ++i) {
            hexByte(static_cast<std::uint8_t>(info.dosAttributes >> (8 * i)), block.line(11) + 9 + 2 * i);
        }
        block.line(11)[17] = 'h';
    }
    if (reached(DecodeStage::Data)) {
        decimal13(info.allocatedSize, block.line(12) + 4);
        decimal13(info.realSize, block.line(13) + 4);
        decimal13(info.fragmentCount, block.line(14) + 4);
    }
    if (reached(DecodeStage::Names)) {
        block.put(15, 0, nameText(info.shortName, sizeof info.shortName, kShortNameChars));
    }
    if (reached(DecodeStage::FirstName)) {
        block.put(16, 0, nameText(info.longName, kLongNameBytes, kLongNameValueWidth));
    }
    return block.take();
}

// Long name characters 70..169 and 170..269, each line's rest blank.
std::string longNameRest(const FileRecordInfo& info) {
    TextBlock block(2, kLongNameRestWidth);
    if (info.stage < DecodeStage::FirstName) return block.take();
    const std::string_view name = nameText(info.longName, kLongNameBytes, kLongNameBytes);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t from = kLongNameValueWidth + i * kLongNameRestChars;
        if (from >= name.size()) break;
        block.put(i, 0, name.substr(from, kLongNameRestChars));
    }
    return block.take();
}

// Four cells a line: starting cluster (or 12 "*" for a sparse fragment), a blank, the cluster
// count, two blanks; the fourth cell of a line ends after one blank. The table ends at the first
// entry of count 0 or starting cluster 0, or after 24 fragments.
std::string fragmentTable(const FileRecordInfo& info) {
    TextBlock block(kDetailLineCount, kDetailWidth);
    for (std::size_t i = 0; i < kFragmentsShown; ++i) {
        const DataRun& run = info.runs[i];
        if (run.clusterCount == 0 || run.startCluster == 0) break;
        char* cell = block.line(i / kFragmentCellsPerLine) + (i % kFragmentCellsPerLine) * kFragmentCellWidth;
        if (run.startCluster == kSparseCluster) {
            std::fill(cell, cell + 12, '*');
        } else {
            decimalTail(run.startCluster, 12, cell);
        }
        decimalTail(run.clusterCount, 7, cell + 13);
    }
    return block.take();
}

// The resident content, 87 characters a line; the bytes that would break or end a drawn line, and
// "&" (which a drawn text takes for a mnemonic), show as ".".
std::string residentDump(const FileRecordInfo& info) {
    TextBlock block(kDetailLineCount, kDetailWidth);
    if (info.residentData == nullptr) return block.take();
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(info.realSize, kResidentBytesShown));
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = info.residentData[i];
        const bool hidden =
            byte == 0x00 || byte == 0x0A || byte == 0x0D || byte == 0x1E || byte == 0x1F || byte == '&';
        block.line(i / kDetailWidth)[i % kDetailWidth] = hidden ? '.' : static_cast<char>(byte);
    }
    return block.take();
}

constexpr IntegrityTextSlots makeIntegritySlots() {
    IntegrityTextSlots slots{};
    for (std::size_t code = 0; code < kIntegrityCodeCount; ++code) {
        for (std::size_t i = 0; i + 1 < kIntegritySlotBytes; ++i) {
            slots[code][i] = i < kIntegrityTexts[code].size() ? kIntegrityTexts[code][i] : ' ';
        }
        slots[code][kIntegritySlotBytes - 1] = 0;
    }
    return slots;
}
constexpr IntegrityTextSlots kSlots = makeIntegritySlots();
static_assert(std::all_of(kIntegrityTexts.begin(), kIntegrityTexts.end(),
                          [](std::string_view text) { return text.size() <= kIntegritySlotBytes - 1; }));

}  // namespace

const IntegrityTextSlots& integrityTextSlots() { return kSlots; }

std::string_view integrityText(std::uint32_t code) {
    if (code == 0 || code > kIntegrityCodeCount) return {};
    return kIntegrityTexts[code - 1];
}

std::string_view integritySlot(std::uint32_t code) {
    if (code == 0 || code > kIntegrityCodeCount) return {};
    return std::string_view(kSlots[code - 1].data(), kIntegritySlotBytes - 1);
}

FileRecordView buildFileRecordView(const FileRecordInfo& info) {
    FileRecordView view;
    view.labels = labelColumn();
    view.values = valueColumn(info);
    view.longNameRest = longNameRest(info);
    view.integrity = integritySlot(info.integrityCode);
    if (!info.good() || info.isFolder || info.allocatedSize == 0) return view;
    if (info.nonResident) {
        view.detail = FileRecordDetail::Fragments;
        view.detailHeading = kFragmentHeading;
        view.detailBody = fragmentTable(info);
    } else {
        view.detail = FileRecordDetail::ResidentData;
        view.detailHeading = kResidentHeading;
        view.detailBody = residentDump(info);
    }
    return view;
}

}  // namespace quenzar::ntfs
