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
    buffer_.resize(kWorkFileBufferBytes);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    return true;
}

void WorkFileWriter::append(const FileTableEntry& entry) {
    if (file_ == nullptr) {
        failed_ = true;
        return;
    }
    if (mirror_ != nullptr) mirror_->push_back(entry);
    const EntryBytes bytes = encodeEntry(entry);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    ++entryCount_;
}

bool WorkFileWriter::close() {
    if (file_ != nullptr) {
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
    return !failed_;
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
