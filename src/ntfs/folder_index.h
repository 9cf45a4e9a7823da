// The index of a folder's names ($I30): the $INDEX_ROOT (90h) inside the folder's FILE record and,
// for a folder of more than a few files, the INDX blocks of its $INDEX_ALLOCATION (A0h) in
// clusters of their own, those in use marked in its $BITMAP (B0h). Each entry names one file by
// its file reference and carries a copy of the file's $FILE_NAME: its parent folder and its name.
// That copy outlives the file's own FILE record when a sector of the record can no longer be read,
// and is read for that reason: to name such a file.
//
// $INDEX_ROOT content (resident):
//   00h  4  type of the indexed attribute: 30h for a folder's names
//   08h  4  bytes of one index block
//   10h     node header
// INDX block (its update sequence undone first, one word per 512 bytes):
//   00h  4  "INDX"
//   04h  2  offset of the update sequence array
//   06h  2  words of the array: the sequence number, then one per 512 bytes of the block
//   18h     node header
// Node header (offsets from the node header's own start):
//   00h  4  offset of the first entry
//   04h  4  end of the last entry
// Entry:
//   00h  8  file reference: record number (low 48 bits), sequence number (high 16 bits)
//   08h  2  entry length
//   0Ah  2  key length: the $FILE_NAME content that follows at 10h
//   0Ch  4  flags: 1 the entry ends with the VCN of a sub-node, 2 the node's last entry (no key)
// Key ($FILE_NAME content):
//   00h  8  parent folder reference
//   40h  1  name length in UTF-16 characters
//   41h  1  name space: 0 POSIX, 1 Win32, 2 DOS, 3 Win32 and DOS in one
//   42h     the name
//
// Every offset and length read from the disk is checked against the buffer it points into before
// it is used: a block that is no INDX block or whose update sequence does not match is skipped
// whole, a node stops at the first entry that does not fit it, and an entry whose key does not
// fit is passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ntfs/attribute_list.h"

namespace quenzar::ntfs {

inline constexpr std::uint32_t kIndexRootType = 0x90;
inline constexpr std::uint32_t kIndexAllocationType = 0xA0;
inline constexpr std::uint32_t kIndexBitmapType = 0xB0;

// One entry of a folder's index.
struct FolderIndexEntry {
    std::uint64_t recordNumber = 0;  // the file it names
    std::uint16_t sequence = 0;
    std::uint64_t parentRecord = 0;  // the folder its $FILE_NAME names (low 48 bits)
    std::uint8_t nameSpace = 0;
    std::u16string name;

    // The 8.3 twin of a long name, which names the same file once more.
    bool isDosName() const { return nameSpace == 2; }
};

// Called once per entry that carries a name; the entry is reused for the next one.
using FolderIndexVisitor = std::function<void(const FolderIndexEntry& entry)>;

// What a walk of an index met.
struct FolderIndexReport {
    bool rootRead = false;             // a $INDEX_ROOT of the folder's names was found and walked
    std::uint64_t entries = 0;         // entries handed over
    std::uint64_t blocksRead = 0;      // INDX blocks walked
    std::uint64_t blocksSkipped = 0;   // blocks in use that did not arrive, were no INDX block or
                                       // whose update sequence did not match
    std::uint64_t brokenNodes = 0;     // nodes whose walk stopped at an entry that did not fit
    std::uint64_t entriesSkipped = 0;  // entries whose key is no whole $FILE_NAME
    bool allocationUnusable = false;   // $INDEX_ALLOCATION present but its block size, sizes or runs
                                       // are damaged: none of its blocks was read
};

// Undoes the update sequence of one INDX block in place: every 512-byte part must end with the
// sequence number, and gets back the word the array keeps for it. False, with the block left as
// it may be, when it is no INDX block, its array does not lie in its first 512 bytes before the
// first word it guards or does not count one word per part, or a part's word does not match.
bool undoIndexBlockUpdateSequence(std::span<std::uint8_t> block);

// Undoes the block's update sequence and hands over the entries of its node. False when the block
// is skipped (see undoIndexBlockUpdateSequence); the report counts the block either way.
bool readIndexBlock(std::span<std::uint8_t> block, const FolderIndexVisitor& visit, FolderIndexReport& report);

// How the parts of a folder's index beyond its own record are read.
struct FolderIndexReading {
    // Bytes of the volume from its first sector: INDX blocks, a long attribute list, a long $BITMAP.
    VolumeBytesReader volume;
    std::uint64_t clusterBytes = 0;
    // Clusters of the volume; an $INDEX_ALLOCATION run beyond them is damage. 0: not known.
    std::uint64_t volumeClusters = 0;
    // The extension record of that number, update sequence undone (a folder of many files may keep
    // its index attributes there, named by its attribute list). Empty: only the record's own are read.
    std::function<bool(std::uint64_t recordNumber, std::vector<std::uint8_t>& bytes)> record;
};

// Hands over every entry of the folder's name index: the $INDEX_ROOT's, then those of each INDX
// block of $INDEX_ALLOCATION that its $BITMAP marks in use (every block when there is no readable
// bitmap), each block read once, in the order they lie in the allocation. The record is the
// folder's FILE record as decodeFileRecord leaves it (update sequence undone); recordNumber is its
// number, which the extension records holding its index attributes must name as their base.
FolderIndexReport readFolderIndex(std::span<const std::uint8_t> record, std::uint64_t recordNumber,
                                  const FolderIndexReading& reading, const FolderIndexVisitor& visit);

}  // namespace quenzar::ntfs
