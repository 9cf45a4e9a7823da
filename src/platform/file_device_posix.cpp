// Files and block devices on Linux, read and written with pread/pwrite at 64-bit offsets.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/sector_device.h"
#include "platform/stdio_file.h"

namespace quenzar::platform {
namespace {

class PosixFileDevice final : public SectorDevice {
public:
    explicit PosixFileDevice(int fd) : fd_(fd) {}
    ~PosixFileDevice() override { ::close(fd_); }
    PosixFileDevice(const PosixFileDevice&) = delete;
    PosixFileDevice& operator=(const PosixFileDevice&) = delete;

    TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        TransferResult result;
        while (result.byteCount < buffer.size()) {
            const ssize_t got = ::pread(fd_, buffer.data() + result.byteCount,
                                        buffer.size() - result.byteCount,
                                        static_cast<off_t>(byteOffset + result.byteCount));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;  // end of the file or a read error: the rest did not arrive
            result.byteCount += static_cast<std::size_t>(got);
        }
        result.complete = result.byteCount == buffer.size();
        return result;
    }

    TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
        TransferResult result;
        while (result.byteCount < data.size()) {
            const ssize_t put = ::pwrite(fd_, data.data() + result.byteCount,
                                         data.size() - result.byteCount,
                                         static_cast<off_t>(byteOffset + result.byteCount));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) break;
            result.byteCount += static_cast<std::size_t>(put);
        }
        result.complete = result.byteCount == data.size();
        return result;
    }

    std::uint64_t byteSize() const override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) return 0;
        if (S_ISBLK(info.st_mode)) {
            std::uint64_t size = 0;
            return ::ioctl(fd_, BLKGETSIZE64, &size) == 0 ? size : 0;
        }
        return static_cast<std::uint64_t>(info.st_size);
    }

    std::uint32_t reportedSectorSize() const override {
        struct stat info {};
        int sectorSize = 0;
        if (::fstat(fd_, &info) != 0 || !S_ISBLK(info.st_mode) || ::ioctl(fd_, BLKSSZGET, &sectorSize) != 0 ||
            sectorSize < 512) {
            return 0;
        }
        return static_cast<std::uint32_t>(sectorSize);
    }

private:
    int fd_;
};

bool holdsSectors(const struct stat& info) { return S_ISREG(info.st_mode) || S_ISBLK(info.st_mode); }

}  // namespace

std::unique_ptr<SectorDevice> openFileDevice(const std::string& path, AccessMode mode) {
    // Opened without waiting, so that a FIFO given as an image is refused at once instead of
    // blocking until some writer opens it; files and block devices read as usual afterwards.
    const int flags = (mode == AccessMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !holdsSectors(info) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFileDevice>(fd);
}

SourceKind sourceKindOf(const std::string& path) {
    struct stat info {};
    // A path that cannot be looked at for another reason is left to the open, which says so.
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? SourceKind::Missing : SourceKind::Disk;
    }
    return holdsSectors(info) ? SourceKind::Disk : SourceKind::NotADisk;
}

StdioFile openStdioFile(const std::filesystem::path& path, const char* mode) {
    return StdioFile(std::fopen(path.c_str(), mode));
}

CreatedFile createPlainFile(const std::filesystem::path& path) {
    CreatedFile created;
    // O_NOFOLLOW refuses a link in the name's place; O_NONBLOCK keeps a planted pipe from holding
    // the open up; the file is emptied only once it is known to be a plain file of one name.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        created.problem = errno == ELOOP                      ? WriteProblem::Link
                          : errno == ENXIO || errno == EISDIR ? WriteProblem::NotPlainFile
                                                              : WriteProblem::NotCreated;
        return created;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        created.problem = WriteProblem::NotCreated;
    } else if (!S_ISREG(info.st_mode)) {
        created.problem = WriteProblem::NotPlainFile;
    } else if (info.st_nlink > 1) {
        created.problem = WriteProblem::OtherNames;
    } else if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, 0) != 0) {
        created.problem = WriteProblem::NotCreated;
    } else if (std::FILE* file = ::fdopen(fd, "wb")) {
        created.file.reset(file);
        created.identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), true};
        created.problem = WriteProblem::None;
        return created;
    }
    ::close(fd);
    return created;
}

bool removeCreatedFile(const std::filesystem::path& path, const FileIdentity& identity) {
    if (!identity.known) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_dev) != identity.volume ||
        static_cast<std::uint64_t>(info.st_ino) != identity.index) {
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

bool markSparse(const std::filesystem::path& /*file*/) { return true; }

bool setFileLength(const std::filesystem::path& file, std::uint64_t byteCount) {
    if (byteCount > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return ::truncate(file.c_str(), static_cast<off_t>(byteCount)) == 0;
}

}  // namespace quenzar::platform
