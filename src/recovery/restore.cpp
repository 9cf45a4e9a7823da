#include "recovery/restore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "disk/sector_access.h"
#include "ntfs/file_record.h"
#include "ntfs/data_streams.h"
#include "platform/code_page_1251.h"
#include "recovery/directory_tree.h"
#include "recovery/safe_names.h"

namespace quenzar::recovery {

namespace {

constexpr std::size_t kSectorBytes = 512;
// A FILE record is read as 4,096 bytes: the larger of the two record sizes.
constexpr std::size_t kRecordReadBytes = 4096;
// The full restore copies in pieces of this size.
constexpr std::size_t kCopyPieceBytes = 1 << 20;
// $DATA attribute flags whose clusters do not hold the file's bytes as they are.
constexpr std::uint16_t kCompressedMask = 0x00FF;
constexpr std::uint16_t kEncrypted = 0x4000;

std::string entryName(const FileTableEntry& entry) { return std::string(entry.name, strnlen(entry.name, kEntryNameBytes)); }

std::string recordName(const ntfs::FileRecordInfo& info) {
    return std::string(info.longName, strnlen(info.longName, ntfs::kLongNameBytes));
}

// The path of a code page 1251 name, through UTF-8, which both the Linux and the Windows build
// turn into their own file names.
std::filesystem::path pathOf(const std::string& cp1251) {
    const std::string utf8 = platform::cp1251ToUtf8(cp1251);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The disk opened once for the whole run, read through the mask rule as every read of a whole
// disk is.
class DiskReader {
public:
    explicit DiskReader(const RestoreSource& source) : source_(source), handle_(disk::DiskHandle::forDisk(source.diskNumber)) {
        disk::OpenPhysicalDisk(source.disks, handle_, platform::AccessMode::ReadOnly);
    }
    DiskReader(const DiskReader&) = delete;
    DiskReader& operator=(const DiskReader&) = delete;

    bool isOpen() const { return handle_.isOpen(); }

    // Whether all of the buffer arrived.
    bool read(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        disk::SeekToByte(handle_, byteOffset);
        const std::size_t arrived = disk::ReadSectors(handle_, buffer);
        if (disk::startsBeyondMaskGap(byteOffset)) disk::ApplySectorMask(source_.masks, buffer, source_.diskNumber);
        return arrived == buffer.size();
    }

    // Reads and decodes the FILE record at an LBA into the buffer; false when it did not arrive
    // or is no good record.
    bool readRecord(std::uint32_t recordLba, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info) {
        buffer.assign(kRecordReadBytes, 0);
        disk::SeekToByte(handle_, std::uint64_t{recordLba} * kSectorBytes);
        const std::size_t arrived = disk::ReadSectors(handle_, buffer);
        if (disk::startsBeyondMaskGap(std::uint64_t{recordLba} * kSectorBytes)) {
            disk::ApplySectorMask(source_.masks, buffer, source_.diskNumber);
        }
        if (recordLba == 0 || arrived < ntfs::kSmallRecordSize) return false;
        info = ntfs::FileRecordInfo{};
        return ntfs::decodeFileRecord(std::span<std::uint8_t>(buffer.data(), arrived), info) == ntfs::kRecordGood;
    }

    std::uint64_t clusterByte(std::uint64_t cluster) const {
        return (cluster * source_.sectorsPerCluster + source_.volumeStartLba) * kSectorBytes;
    }
    std::uint64_t clusterBytes() const { return std::uint64_t{source_.sectorsPerCluster} * kSectorBytes; }

private:
    const RestoreSource& source_;
    disk::DiskHandle handle_;
};

// The ancestor walk of a file and the names of its folders, each folder's record read once per
// run however many files lie below it.
class FolderNames {
public:
    FolderNames(const std::vector<FileTableEntry>& table, DiskReader& reader) : table_(table), reader_(reader) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i].isFolder()) firstFolder_.emplace(folderKey(table[i].generation, table[i].ownId), i);
        }
    }

    // From the far end of the chain down to the file's folder. The walk goes through every
    // folder up to the root folder or a lost one; a cycle of parent links or a chain deeper than
    // kAncestorChainMax ends at the lost folder of the record where it stopped, as in the tree.
    std::vector<std::string> components(const FileTableEntry& file) {
        std::vector<std::string> reversed;
        std::vector<std::size_t> chain;
        const char generation = file.generation;
        std::uint32_t target = file.parentId;
        for (;;) {
            if (target == kRootFolderRecord) {
                reversed.push_back(std::string("Razd") + generation);
                break;
            }
            const auto found = firstFolder_.find(folderKey(generation, target));
            if (found == firstFolder_.end() || chain.size() == kAncestorChainMax ||
                std::find(chain.begin(), chain.end(), found->second) != chain.end()) {
                reversed.push_back(entryName(makeLostFolder(target, generation)));
                break;
            }
            const FileTableEntry& folder = table_[found->second];
            if (isLostFolder(folder)) {
                reversed.push_back(entryName(folder));
                break;
            }
            chain.push_back(found->second);
            reversed.push_back(nameOnDisk(found->second));
            target = folder.parentId;
        }
        return {reversed.rbegin(), reversed.rend()};
    }

private:
    // The folder's name as its record gives it now; the table's (cut) name when the record no
    // longer reads.
    const std::string& nameOnDisk(std::size_t index) {
        const auto cached = names_.find(index);
        if (cached != names_.end()) return cached->second;
        ntfs::FileRecordInfo info;
        std::string name = entryName(table_[index]);
        reader_.readRecord(table_[index].recordLba, buffer_, info);
        // A record reused since by a file names that file, not the folder.
        if (info.stage >= ntfs::DecodeStage::FirstName && info.isFolder && info.longName[0] != 0) {
            name = recordName(info);
        }
        return names_.emplace(index, std::move(name)).first->second;
    }

    const std::vector<FileTableEntry>& table_;
    DiskReader& reader_;
    std::unordered_map<std::uint64_t, std::size_t> firstFolder_;
    std::unordered_map<std::size_t, std::string> names_;
    std::vector<std::uint8_t> buffer_;
};

// Makes each folder of the path in turn below the target. An existing folder is used; a symbolic
// link or a file in the way is not followed. Returns the folder, or an empty path on failure.
std::filesystem::path makeFolders(const std::filesystem::path& target, const std::vector<std::string>& components) {
    std::filesystem::path folder = target;
    for (const std::string& component : components) {
        folder /= pathOf(safeComponent(component));
        std::error_code error;
        const auto status = std::filesystem::symlink_status(folder, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            if (!std::filesystem::create_directory(folder, error) && error) return {};
        } else if (status.type() != std::filesystem::file_type::directory) {
            return {};
        }
    }
    return folder;
}

// Compressed or encrypted clusters do not hold the stream's bytes as they are.
bool copiedAsIs(std::uint16_t dataFlags) {
    return (dataFlags & kCompressedMask) == 0 && (dataFlags & kEncrypted) == 0;
}

// What one file's data is, as its record tells it, for the mode.
enum class DataPlan { Copy, NotCopied };

DataPlan planData(const ntfs::FileRecordInfo& info, RestoreMode mode) {
    if (!copiedAsIs(info.dataFlags)) return DataPlan::NotCopied;
    if (mode == RestoreMode::Full) return DataPlan::Copy;
    // The test restore: one run on the disk, read with one transfer.
    if (!info.nonResident || info.fragmentCount != 1 || info.runs[0].startCluster == ntfs::kSparseCluster) {
        return DataPlan::NotCopied;
    }
    return info.realSize <= kTestRestoreMaxBytes ? DataPlan::Copy : DataPlan::NotCopied;
}

// Where one stream's bytes are: in the record (resident) or in runs of clusters.
struct StreamLayout {
    bool nonResident = false;
    std::uint64_t realSize = 0;
    std::uint64_t initialized = 0;  // bytes beyond it read as zeros
    const std::uint8_t* residentData = nullptr;
    std::span<const ntfs::DataRun> runs;
};

StreamLayout layoutOf(const ntfs::FileRecordInfo& info, std::uint64_t initialized) {
    const std::size_t runCount = std::min<std::size_t>(info.fragmentCount, ntfs::kRunListMaxFragments);
    return {info.nonResident != 0, info.realSize, initialized, info.residentData,
            std::span<const ntfs::DataRun>(info.runs, runCount)};
}

StreamLayout layoutOf(const ntfs::NamedStream& stream) {
    return {stream.nonResident, stream.realSize, stream.initializedSize, stream.residentData.data(), stream.runs};
}

// Writes a stream's data: resident bytes from the record, or its runs in order up to the real
// size. Sparse runs and the part beyond the initialized size are zeros: they are skipped and
// the file is extended over them, which leaves holes where the file system allows.
class FileCopy {
public:
    FileCopy(DiskReader& reader, RestoreProgress& progress) : reader_(reader), progress_(progress) {}

    // Returns false with readFailed set when the disk did not deliver, or when the runs end
    // before the real size (a run list cut short).
    bool copy(const StreamLayout& info, std::ofstream& out, bool& readFailed) {
        readFailed = false;
        const std::uint64_t initialized = info.initialized;
        if (!info.nonResident) {
            if (info.residentData == nullptr && info.realSize != 0) return readFailed = true, false;
            out.write(reinterpret_cast<const char*>(info.residentData), static_cast<std::streamsize>(info.realSize));
            progress_.bytesRestored += info.realSize;
            return out.good();
        }
        std::uint64_t fileOffset = 0;
        for (std::size_t r = 0; r < info.runs.size() && fileOffset < info.realSize; ++r) {
            const ntfs::DataRun& run = info.runs[r];
            const std::uint64_t runEnd = std::min<std::uint64_t>(info.realSize, fileOffset + run.clusterCount * reader_.clusterBytes());
            for (std::uint64_t runOffset = 0; fileOffset < runEnd;) {
                const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(runEnd - fileOffset, kCopyPieceBytes));
                if (run.startCluster == ntfs::kSparseCluster || fileOffset >= initialized) {
                    out.seekp(static_cast<std::streamoff>(piece), std::ios::cur);
                } else {
                    // Whole sectors are read; only the file's bytes are written.
                    buffer_.assign((piece + kSectorBytes - 1) / kSectorBytes * kSectorBytes, 0);
                    if (!reader_.read(reader_.clusterByte(run.startCluster) + runOffset, buffer_)) {
                        return readFailed = true, false;
                    }
                    if (initialized - fileOffset < piece) {
                        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(initialized - fileOffset), buffer_.end(), 0);
                    }
                    out.write(reinterpret_cast<const char*>(buffer_.data()), static_cast<std::streamsize>(piece));
                }
                if (!out.good()) return false;
                progress_.bytesRestored += piece;
                fileOffset += piece;
                runOffset += piece;
            }
        }
        if (fileOffset != info.realSize) return readFailed = true, false;
        return true;
    }

private:
    DiskReader& reader_;
    RestoreProgress& progress_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

bool entryQualifies(const FileTableEntry& entry, RestoreMode mode) {
    // The whole 48-bit size counts: a file of exactly 4 GiB is not empty, and one of 4 GiB and
    // 100 bytes is not small.
    if (entry.folderFlag != kFileFlag || entry.size() == 0 || entry.mark != kMarked) return false;
    if (std::strncmp(entry.name, "$MFT", 4) == 0) return false;
    return mode == RestoreMode::Full || entry.size() <= kTestRestoreMaxBytes;
}

std::uint64_t markedBytes(const std::vector<FileTableEntry>& table) {
    std::uint64_t total = 0;
    for (const FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.mark == kMarked) total += entry.size();
    }
    return total;
}

namespace {

// One restore run: the open disk, the folders made so far, the names written and the report.
class RestoreRun {
public:
    RestoreRun(const RestoreSource& source, std::vector<FileTableEntry>& table, const std::filesystem::path& target,
               RestoreMode mode, RestoreProgress& progress, bool withNamedStreams)
        : target_(target), mode_(mode), withNamedStreams_(withNamedStreams), reader_(source),
          folderNames_(table, reader_), fileCopy_(reader_, progress), progress_(progress) {
        report_.diskOpened = reader_.isOpen();
    }

    RestoreReport& report() { return report_; }

    // Restores one qualifying entry: its folders, then its data and, when asked, its named streams.
    void restoreEntry(const FileTableEntry& entry) {
        ++report_.filesQualified;
        if (!report_.diskOpened) {
            ++report_.readFailures;
            return;
        }
        const std::vector<std::string> components = folderNames_.components(entry);
        const std::filesystem::path folder = makeFolders(target_, components);
        ntfs::FileRecordInfo info;
        if (!reader_.readRecord(entry.recordLba, recordBuffer_, info)) {
            ++report_.readFailures;
        } else if (folder.empty()) {
            ++report_.writeFailures;
        } else if (planData(info, mode_) == DataPlan::NotCopied) {
            ++report_.filesNotCopied;
        } else {
            std::string folderPrefix;
            for (const std::string& component : components) folderPrefix += foldedName(safeComponent(component)) + "/";
            const std::string name = recordName(info);
            std::string shownFolder;
            for (const std::string& component : components) shownFolder += safeComponent(component) + "/";
            progress_.setCurrentFile(shownFolder, name);
            const std::uint64_t initialized = ntfs::initializedDataSize(recordBuffer_, info.realSize);
            writeStream(folder, folderPrefix, name, layoutOf(info, initialized));
            if (withNamedStreams_ && mode_ == RestoreMode::Full) writeNamedStreams(folder, folderPrefix, name);
        }
    }

private:
    // Each named stream as a file of its own beside the file: "a.doc:extra" becomes "a.doc_extra",
    // which any target file system can hold.
    void writeNamedStreams(const std::filesystem::path& folder, const std::string& folderPrefix,
                           const std::string& name) {
        for (const ntfs::NamedStream& stream : ntfs::findNamedStreams(recordBuffer_)) {
            ++report_.streamsFound;
            if (!copiedAsIs(stream.flags)) {
                ++report_.filesNotCopied;
                continue;
            }
            writeStream(folder, folderPrefix, name + ":" + stream.name, layoutOf(stream));
        }
    }

    // The name a stream is written under: its name made safe, numbered when a namesake was written
    // earlier in this run (names compared as Windows compares them) or when a folder or a link of
    // that name is in the way. A plain file left by an earlier run is replaced.
    std::string freeName(const std::filesystem::path& folder, const std::string& folderPrefix,
                         const std::string& wantedName) {
        const std::string name = safeComponent(wantedName);
        std::string chosen = name;
        for (unsigned n = 2;; ++n) {
            std::error_code error;
            const auto type = std::filesystem::symlink_status(folder / pathOf(chosen), error).type();
            const bool inWay =
                type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular;
            if (!inWay && !writtenNames_.count(folderPrefix + foldedName(chosen))) break;
            chosen = numberedName(name, n);
        }
        if (chosen != name) ++report_.renamedFiles;
        writtenNames_.insert(folderPrefix + foldedName(chosen));
        return chosen;
    }

    // Writes one stream of a file and counts the outcome.
    void writeStream(const std::filesystem::path& folder, const std::string& folderPrefix,
                     const std::string& wantedName, const StreamLayout& layout) {
        const std::filesystem::path file = folder / pathOf(freeName(folder, folderPrefix, wantedName));
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        bool readFailed = false;
        const bool opened = out.is_open();
        bool copied = opened && fileCopy_.copy(layout, out, readFailed);
        out.close();
        copied = copied && !out.fail();
        if (copied) {
            // Zeros skipped at the end still belong to the file.
            std::error_code error;
            std::filesystem::resize_file(file, layout.realSize, error);
            copied = !error;
        }
        if (copied) {
            ++report_.filesWritten;
            report_.bytesWritten += layout.realSize;
            report_.written.push_back(file);
        } else {
            // No half-written file is left that could pass for a restored one.
            std::error_code error;
            if (opened) std::filesystem::remove(file, error);
            ++(readFailed ? report_.readFailures : report_.writeFailures);
        }
    }

    const std::filesystem::path& target_;
    RestoreMode mode_;
    bool withNamedStreams_;
    RestoreReport report_;
    DiskReader reader_;
    FolderNames folderNames_;
    FileCopy fileCopy_;
    RestoreProgress& progress_;
    // Every file written in this run, by folder and name as Windows compares them.
    std::unordered_set<std::string> writtenNames_;
    std::vector<std::uint8_t> recordBuffer_;
};

}  // namespace

void RestoreProgress::setCurrentFile(const std::string& folder, const std::string& name) {
    const std::lock_guard<std::mutex> lock(currentMutex_);
    currentFolder_ = folder;
    currentName_ = name;
}

std::pair<std::string, std::string> RestoreProgress::currentFile() const {
    const std::lock_guard<std::mutex> lock(currentMutex_);
    return {currentFolder_, currentName_};
}

RestoreReport restoreMarkedFiles(const RestoreSource& source, std::vector<FileTableEntry>& table,
                                 const std::filesystem::path& targetFolder, RestoreMode mode,
                                 RestoreProgress& progress, bool withNamedStreams) {
    progress.entriesTotal = table.size();
    progress.entriesDone = 0;
    progress.bytesRestored = 0;
    RestoreRun run(source, table, targetFolder, mode, progress, withNamedStreams);
    for (FileTableEntry& entry : table) {
        if (entryQualifies(entry, mode)) run.restoreEntry(entry);
        entry.mark = kMarkCleared;
        ++progress.entriesDone;
    }
    progress.finished = true;
    return std::move(run.report());
}

RestoreMessage restoreFinishedMessage(const std::string& targetPath, const RestoreReport& report,
                                      text::Language language) {
    const bool russian = text::isRussian(language);
    RestoreMessage message;
    message.title = russian ? "Извлечение файлов завершено" : "Extract files completed    ";
    message.text = russian ? "Отмеченные файлы, с деревон каталогов, записаны в папку:\r\n\r\n"
                           : "Marked files, with деревон directory, stored in folder: \r\n\r\n";
    constexpr std::size_t kLineChars = 56;
    for (std::size_t line = 0; line < 5; ++line) {
        std::string part = line * kLineChars < targetPath.size() ? targetPath.substr(line * kLineChars, kLineChars) : "";
        part.resize(kLineChars, ' ');
        message.text += part + "\r\n";
    }
    if (report.failures() != 0 || !report.diskOpened) {
        message.title = russian ? "Извлечение файлов завершено с ошибками" : "Extract files completed with errors";
        char counts[200];
        if (!report.diskOpened) {
            std::snprintf(counts, sizeof counts, "%s",
                          russian ? "\r\nНе удалось открыть исходный диск для чтения.\r\n"
                                  : "\r\nThe source disk could not be opened for reading.\r\n");
        } else {
            std::snprintf(counts, sizeof counts,
                          russian ? "\r\nНе прочитано с диска: %llu, не записано: %llu.\r\n"
                                  : "\r\nNot read from the disk: %llu, not written: %llu.\r\n",
                          static_cast<unsigned long long>(report.readFailures),
                          static_cast<unsigned long long>(report.writeFailures));
        }
        message.text += counts;
    }
    return message;
}

}  // namespace quenzar::recovery
