// File table entries made by hand for the tests of the tree and of marking: a folder or a file
// with its record number, its parent's, its name and generation (and a file's size).
#pragma once

#include <cstdint>
#include <cstring>

#include "recovery/file_table_entry.h"

namespace quenzar::recovery::testing {

inline FileTableEntry folder(std::uint32_t own, std::uint32_t parent, const char* name, char generation = '1') {
    FileTableEntry entry;
    entry.ownId = own;
    entry.parentId = parent;
    entry.folderFlag = kFolderFlag;
    entry.generation = generation;
    std::memcpy(entry.name, name, std::strlen(name));
    return entry;
}

inline FileTableEntry file(std::uint32_t own, std::uint32_t parent, const char* name, std::uint32_t size = 100,
                           char generation = '1') {
    FileTableEntry entry = folder(own, parent, name, generation);
    entry.folderFlag = kFileFlag;
    entry.sizeLow = size;
    return entry;
}

}  // namespace quenzar::recovery::testing
