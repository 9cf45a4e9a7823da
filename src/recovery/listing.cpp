#include "recovery/listing.h"

#include <cstdio>
#include <cstring>

namespace quenzar::recovery {

std::string listingHeader(text::Language language) {
    constexpr text::TextPair kHeader{
        "№ Физ.сект.|Рас|   Длина   | Дата создания  |Дата модификации|Р|Собст.Ид.|Ид. папки|П|У|Кл.нач.дан.|Фр.| Наименование                  ",
        "Phys.sector|Ext|   Size    | Date creation  | Date adjustment|R|  Own ID |ID parent|F|D|Kl.Beg.data|Fr.| Name                          "};
    return std::string(kHeader.in(language)) + "\r\n";
}

std::string tableName(const FileTableEntry& entry) { return std::string(entry.name, strnlen(entry.name, kEntryNameBytes)); }

std::string listingLine(const FileTableEntry& entry, std::string_view fullName, text::Language language) {
    const bool russian = text::isRussian(language);
    char number[32];
    std::string line;
    line.reserve(kListingColumnsChars + fullName.size() + 2);

    std::snprintf(number, sizeof number, "%11u", static_cast<unsigned>(entry.recordLba));
    line += number;
    line += '|';
    line.append(entry.ext, 3);
    line += '|';
    const std::uint64_t size = entry.isFolder() ? 0 : entry.size();
    if (size == 0) {
        line += std::string(11, ' ');
    } else {
        std::snprintf(number, sizeof number, "%11llu", static_cast<unsigned long long>(size));
        line += number;
    }
    line += '|';
    line.append(entry.created, kEntryTimeChars);
    line += '|';
    line.append(entry.modified, kEntryTimeChars);
    line += '|';
    line += entry.generation;
    line += '|';
    std::snprintf(number, sizeof number, "%9u|%9u|", static_cast<unsigned>(entry.ownId), static_cast<unsigned>(entry.parentId));
    line += number;
    line += entry.isFolder() ? (russian ? "П" : "F") : " ";
    line += '|';
    line += entry.isDeleted() ? (russian ? "У" : "D") : " ";
    line += '|';
    if (entry.fragments != 0) {
        std::snprintf(number, sizeof number, "%11u|%3u|", static_cast<unsigned>(entry.firstCluster),
                      static_cast<unsigned>(entry.fragments));
        line += number;
    } else {
        line += std::string(11, ' ') + "|   |";
    }
    line += fullName;
    line += "\r\n";
    return line;
}

platform::WriteProblem writeListing(const std::filesystem::path& file, const std::vector<FileTableEntry>& entries,
                                   text::Language language,
                                   const std::function<std::string(const FileTableEntry&)>& fullName) {
    platform::CreatedFile created = platform::createPlainFile(file);
    if (created.file == nullptr) return created.problem;
    std::FILE* out = created.file.get();
    const std::string header = listingHeader(language);
    bool written = std::fwrite(header.data(), 1, header.size(), out) == header.size();
    for (const FileTableEntry& entry : entries) {
        const std::string name = strnlen(entry.name, kEntryNameBytes) == kEntryNameBytes ? fullName(entry) : tableName(entry);
        const std::string line = listingLine(entry, name, language);
        written = std::fwrite(line.data(), 1, line.size(), out) == line.size() && written;
    }
    // Closed by hand: the close writes what stdio still holds, and may fail.
    written = std::fclose(created.file.release()) == 0 && written;
    return written ? platform::WriteProblem::None : platform::WriteProblem::NotWritten;
}

}  // namespace quenzar::recovery
