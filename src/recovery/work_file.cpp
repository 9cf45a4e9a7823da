#include "recovery/work_file.h"

#include <array>
#include <utility>

#include "platform/stdio_file.h"

namespace quenzar::recovery {

WorkFileWriter::~WorkFileWriter() { close(); }

bool WorkFileWriter::open(const std::filesystem::path& path) {
    close();
    failed_ = false;
    entryCount_ = 0;
    platform::CreatedFile created = platform::createPlainFile(path);
    identity_ = created.identity;
    if (created.file == nullptr) {
        failed_ = true;
        problem_ = created.problem;
        return false;
    }
    file_ = std::move(created.file);
    problem_ = platform::WriteProblem::NotWritten;  // what a later failure means
    // The entries are gathered here, so stdio needs no buffer of its own.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    buffer_.resize(kWorkFileBufferBytes / kFileTableEntryBytes * kFileTableEntryBytes);
    buffered_ = 0;
    return true;
}

void WorkFileWriter::flush() {
    if (buffered_ != 0 && std::fwrite(buffer_.data(), 1, buffered_, file_.get()) != buffered_) failed_ = true;
    buffered_ = 0;
}

void WorkFileWriter::append(const FileTableEntry& entry) {
    if (file_ == nullptr) {
        if (!failed_) problem_ = platform::WriteProblem::NotCreated;
        failed_ = true;
        return;
    }
    if (buffered_ == buffer_.size()) flush();
    encodeEntryInto(entry, std::span<std::uint8_t, kFileTableEntryBytes>(buffer_.data() + buffered_,
                                                                         kFileTableEntryBytes));
    buffered_ += kFileTableEntryBytes;
    ++entryCount_;
}

bool WorkFileWriter::close() {
    if (file_ != nullptr) {
        flush();
        // Closed by hand: the close writes what stdio still holds, and may fail.
        if (std::fclose(file_.release()) != 0) failed_ = true;
    }
    return !failed_;
}

bool saveWorkFile(const DirectoryTree& tree, WorkFileWriter& workFile) {
    forEachSavedEntry(tree, [&](const FileTableEntry& entry) { workFile.append(entry); });
    return workFile.close();
}

bool readWorkFile(const std::filesystem::path& path, std::vector<FileTableEntry>& entries) {
    entries.clear();
    std::vector<char> buffer(kWorkFileBufferBytes);
    const platform::StdioFile file = platform::openStdioFile(path, "rb");
    if (file == nullptr) return false;
    std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
    std::error_code error;
    const auto fileBytes = std::filesystem::file_size(path, error);
    if (!error) entries.reserve(static_cast<std::size_t>(fileBytes / kFileTableEntryBytes));
    EntryBytes bytes{};
    while (std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size()) {
        entries.push_back(decodeEntry(bytes));
    }
    return std::ferror(file.get()) == 0;
}

}  // namespace quenzar::recovery
