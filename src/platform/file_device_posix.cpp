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

private:
    int fd_;
};

}  // namespace

std::unique_ptr<SectorDevice> openFileDevice(const std::string& path, AccessMode mode) {
    const int flags = (mode == AccessMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFileDevice>(fd);
}

StdioFile openStdioFile(const std::filesystem::path& path, const char* mode) {
    return StdioFile(std::fopen(path.c_str(), mode));
}

bool markSparse(const std::filesystem::path& /*file*/) { return true; }

bool setFileLength(const std::filesystem::path& file, std::uint64_t byteCount) {
    if (byteCount > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return ::truncate(file.c_str(), static_cast<off_t>(byteCount)) == 0;
}

}  // namespace quenzar::platform
