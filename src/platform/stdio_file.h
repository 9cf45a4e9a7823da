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
