#include "recovery/work_file.h"

#include <array>

namespace quenzar::recovery {

WorkFileWriter::~WorkFileWriter() { close(); }

bool WorkFileWriter::open(const std::filesystem::path& path) {
    close();
    failed_ = false;
    entryCount_ = 0;
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"wb");
#else
    file_ = std::fopen(path.c_str(), "wb");
#endif
    if (file_ == nullptr) {
        failed_ = true;
        return false;
    }
    // The entries are gathered here, so stdio needs no buffer of its own.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.resize(kWorkFileBufferBytes / kFileTableEntryBytes * kFileTableEntryBytes);
    buffered_ = 0;
    return true;
}

void WorkFileWriter::flush() {
    if (buffered_ != 0 && std::fwrite(buffer_.data(), 1, buffered_, file_) != buffered_) failed_ = true;
    buffered_ = 0;
}

void WorkFileWriter::append(const FileTableEntry& entry) {
    if (file_ == nullptr) {
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
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
    return !failed_;
}

bool saveWorkFile(const DirectoryTree& tree, WorkFileWriter& workFile) {
    forEachSavedEntry(tree, [&](const FileTableEntry& entry) { workFile.append(entry); });
    return workFile.close();
}

bool readWorkFile(const std::filesystem::path& path, std::vector<FileTableEntry>& entries) {
    entries.clear();
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr) return false;
    std::vector<char> buffer(kWorkFileBufferBytes);
    std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    std::error_code error;
    const auto fileBytes = std::filesystem::file_size(path, error);
    if (!error) entries.reserve(static_cast<std::size_t>(fileBytes / kFileTableEntryBytes));
    EntryBytes bytes{};
    while (std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size()) {
        entries.push_back(decodeEntry(bytes));
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    return !readError;
}

}  // namespace quenzar::recovery
