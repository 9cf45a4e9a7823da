// Files of the machine's own file systems (work files, restored files) through stdio, opened by
// their path in the way of the running system: wide on Windows, whatever the code page, and the
// path's bytes elsewhere.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace quenzar::platform {

struct StdioFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A stdio file that closes itself. To learn whether the close succeeded (the last buffered
// bytes reach the file then), close it by hand: std::fclose(file.release()).
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

// Opens a file in a stdio mode ("rb", "wb", ...); null when it cannot be opened.
StdioFile openStdioFile(const std::filesystem::path& path, const char* mode);

// Which file a path named when the program made it: the file system's own number of the file
// (Linux: device and inode; Windows: volume serial number and file index). The same path may
// name another file later, one the program must leave alone.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool known = false;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Why a file of the program's own (the work file, the listing) was not written.
enum class WriteProblem {
    None,
    Link,          // the name is a symbolic link (Windows: a reparse point): nothing goes through it
    NotPlainFile,  // a folder, a device, a pipe or the like has the name
    OtherNames,    // the file has more names (hard links) than this one: emptying it would empty those
    NotCreated,    // the system refused to make the file (no such folder, no rights, ...)
    NotWritten,    // made, but not every byte reached it
};

// A short English text of the problem for messages, after the file's path: "is a symbolic link
// ...".
const char* writeProblemText(WriteProblem problem);

struct CreatedFile {
    StdioFile file;  // open for writing at its start, empty; null when not created
    FileIdentity identity;
    WriteProblem problem = WriteProblem::NotCreated;
};

// Creates a plain file for writing, or empties the plain file of that name, without ever
// following a link: a link, anything but a plain file, or a file with other names at the path is
// refused and left exactly as it is. A planted link can thus never turn a write of the program's
// into a write on another file.
CreatedFile createPlainFile(const std::filesystem::path& path);

// Removes the file at the path only when it still is the file of that identity (a file this run
// made); anything else there, a link that replaced it included, stays. Returns whether it was
// removed.
bool removeCreatedFile(const std::filesystem::path& path, const FileIdentity& identity);

// Marks an existing file as sparse, so that the parts of it that are skipped, never written,
// stay holes that take no space. Windows needs this before the holes are made: NTFS fills a
// skipped part of a file that is not sparse with zeros, on the disk. Elsewhere a skip past the
// end makes a hole by itself. Returns false where the file system has no sparse files (FAT): the
// skipped parts are then zeros written by the system.
bool markSparse(const std::filesystem::path& file);

// Sets the length of an existing file without writing to it: a longer file ends in a hole
// where the file system allows one. Returns whether the file has that length now.
bool setFileLength(const std::filesystem::path& file, std::uint64_t byteCount);

}  // namespace quenzar::platform
