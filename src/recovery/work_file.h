// The work file "~DI_Tmp.tmp": a plain sequence of 128-byte file table entries in MFT order,
// without a header. The analysis writes it once its table is final; the program reads it whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/stdio_file.h"
#include "recovery/directory_tree.h"
#include "recovery/file_table_entry.h"

namespace quenzar::recovery {

inline constexpr char kWorkFileName[] = "~DI_Tmp.tmp";
// The work file is written and read through buffers of this size.
inline constexpr std::size_t kWorkFileBufferBytes = 1u << 20;

// Writes entries one after another, encoded straight into a buffer of its own that goes to the
// file in whole blocks. A failed open or write is remembered, so the analysis can report it
// instead of leaving a short work file unnoticed.
class WorkFileWriter {
public:
    WorkFileWriter() = default;
    ~WorkFileWriter();
    WorkFileWriter(const WorkFileWriter&) = delete;
    WorkFileWriter& operator=(const WorkFileWriter&) = delete;

    // Creates the file anew (an old plain file of the name is replaced). A link, anything but a
    // plain file, or a file of more names at the path is refused and left as it is (problem()
    // tells which).
    bool open(const std::filesystem::path& path);
    void append(const FileTableEntry& entry);
    // Flushes and closes; returns whether every entry reached the file.
    bool close();

    bool failed() const { return failed_; }
    std::uint64_t entryCount() const { return entryCount_; }
    // Why the file was not made or not written whole; None while all is well.
    platform::WriteProblem problem() const { return failed_ ? problem_ : platform::WriteProblem::None; }
    // The file this writer made, so that only it is removed later; unknown when none was made.
    const platform::FileIdentity& identity() const { return identity_; }

private:
    void flush();

    platform::StdioFile file_;
    platform::FileIdentity identity_;
    platform::WriteProblem problem_ = platform::WriteProblem::None;
    std::vector<std::uint8_t> buffer_;  // a million entries in few system calls
    std::size_t buffered_ = 0;
    bool failed_ = false;
    std::uint64_t entryCount_ = 0;
};

// Writes the table of a built tree through an opened writer, as savedTable gives it (placed
// folders with sizeLow 0, every file, lost folders last), and closes it. Returns whether every
// entry reached the file.
bool saveWorkFile(const DirectoryTree& tree, WorkFileWriter& workFile);

// Reads every whole entry of a work file. Returns false when the file cannot be read; a trailing
// part shorter than one entry is ignored.
bool readWorkFile(const std::filesystem::path& path, std::vector<FileTableEntry>& entries);

}  // namespace quenzar::recovery
