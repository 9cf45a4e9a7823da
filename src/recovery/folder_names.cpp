#include "recovery/folder_names.h"

#include <algorithm>
#include <cstring>

#include "ntfs/record_names.h"
#include "platform/code_page_1251.h"
#include "recovery/directory_tree.h"

namespace quenzar::recovery {

namespace {

std::u16string tableName(const FileTableEntry& entry) {
    return platform::cp1251ToUtf16(std::string(entry.name, strnlen(entry.name, kEntryNameBytes)));
}

}  // namespace

std::u16string recordName(std::span<const std::uint8_t> record, const ntfs::FileRecordInfo& info) {
    std::u16string name = ntfs::recordLongName(record);
    if (name.empty()) name = platform::cp1251ToUtf16(std::string(info.longName, strnlen(info.longName, ntfs::kLongNameBytes)));
    return name;
}

FolderNames::FolderNames(const std::vector<FileTableEntry>& table, RecordReading readRecord)
    : table_(table), readRecord_(std::move(readRecord)) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].isFolder()) firstFolder_.emplace(folderKey(table[i].generation, table[i].ownId), i);
    }
}

FolderChain FolderNames::chain(const FileTableEntry& file) {
    FolderChain result;
    result.generation = file.generation;
    std::vector<std::u16string>& reversed = result.names;
    std::vector<std::size_t> chain;
    std::uint32_t target = file.parentId;
    while (target != kRootFolderRecord) {
        const auto found = firstFolder_.find(folderKey(file.generation, target));
        if (found == firstFolder_.end() || chain.size() == kAncestorChainMax ||
            std::find(chain.begin(), chain.end(), found->second) != chain.end()) {
            reversed.push_back(tableName(makeLostFolder(target, file.generation)));
            result.underRoot = false;
            break;
        }
        const FileTableEntry& folder = table_[found->second];
        if (isLostFolder(folder)) {
            reversed.push_back(tableName(folder));
            result.underRoot = false;
            break;
        }
        chain.push_back(found->second);
        reversed.push_back(nameOnDisk(found->second));
        target = folder.parentId;
    }
    std::reverse(reversed.begin(), reversed.end());
    return result;
}

// The folder's name as its record gives it now; the table's (cut) name when the record no longer
// reads.
const std::u16string& FolderNames::nameOnDisk(std::size_t index) {
    const auto cached = names_.find(index);
    if (cached != names_.end()) return cached->second;
    ntfs::FileRecordInfo info;
    std::u16string name = tableName(table_[index]);
    readRecord_(table_[index], buffer_, info);
    // A record reused since by a file names that file, not the folder.
    if (info.stage >= ntfs::DecodeStage::FirstName && info.isFolder && info.longName[0] != 0) {
        name = recordName(buffer_, info);
    }
    return names_.emplace(index, std::move(name)).first->second;
}

}  // namespace quenzar::recovery
