// Files and raw devices on Windows: disk image files, whole disks ("\\.\PhysicalDrive0") and
// volumes ("\\.\C:"), opened with CreateFileW and read and written at 64-bit offsets.
#include <windows.h>
#include <winioctl.h>
#include <fcntl.h>
#include <io.h>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sector_device.h"
#include "platform/stdio_file.h"

namespace quenzar::platform {
namespace {

// Paths arrive as UTF-8. A path that the C library took from the environment comes in the ANSI
// code page instead; a path that is not valid UTF-8 is therefore read in that code page, so that
// both kinds open (plain ASCII paths are the same in both).
std::wstring widePath(const std::string& path) {
    const int byteCount = static_cast<int>(path.size());
    UINT codePage = CP_UTF8;
    int charCount = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path.data(), byteCount,
                                        nullptr, 0);
    if (charCount <= 0) {
        codePage = CP_ACP;
        charCount = MultiByteToWideChar(codePage, 0, path.data(), byteCount, nullptr, 0);
        if (charCount <= 0) return {};
    }
    std::wstring wide(static_cast<std::size_t>(charCount), L'\0');
    MultiByteToWideChar(codePage, 0, path.data(), byteCount, wide.data(), charCount);
    return wide;
}

// "\\.\PhysicalDrive0", "\\.\C:" and other device names, whose size is not a file size.
bool isDevicePath(std::wstring_view path) { return path.starts_with(L"\\\\.\\"); }

// The most one ReadFile or WriteFile call moves: a multiple of every sector size, so raw devices
// accept each piece, and far below what the call's 32-bit count can hold.
constexpr std::size_t kMaxPieceBytes = 16u * 1024 * 1024;

OVERLAPPED offsetOf(std::uint64_t byteOffset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(byteOffset & 0xFFFFFFFFu);
    position.OffsetHigh = static_cast<DWORD>(byteOffset >> 32);
    return position;
}

// Files, disks and volumes are of the disk type; a pipe, the console, NUL or a serial port is not.
// A named path (not "\\.\...") must also be a file, not a folder.
bool holdsSectors(HANDLE handle, bool isDevice) {
    if (GetFileType(handle) != FILE_TYPE_DISK) return false;
    if (isDevice) return true;
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(handle, &information) &&
           (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// The logical sector size of a disk or volume device, which every transfer on it must be a whole
// number of, at an offset that is one too; 512 when the device does not tell (or tells a size
// that is no power of two, or one larger than a transfer piece).
std::uint32_t deviceSectorSize(HANDLE handle) {
    DISK_GEOMETRY_EX geometry{};
    DWORD returned = 0;
    std::uint32_t bytesPerSector = 0;
    if (DeviceIoControl(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry, sizeof geometry, &returned,
                        nullptr) &&
        returned >= sizeof(DISK_GEOMETRY)) {
        bytesPerSector = geometry.Geometry.BytesPerSector;
    } else {
        DISK_GEOMETRY plain{};
        if (DeviceIoControl(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &plain, sizeof plain, &returned,
                            nullptr)) {
            bytesPerSector = plain.BytesPerSector;
        }
    }
    const bool usable = bytesPerSector >= 512 && bytesPerSector <= kMaxPieceBytes &&
                        (bytesPerSector & (bytesPerSector - 1)) == 0;
    return usable ? bytesPerSector : 512;
}

// A buffer aligned to a page, as raw devices want the memory of a transfer to be.
struct AlignedFree {
    void operator()(std::uint8_t* bytes) const { _aligned_free(bytes); }
};
using AlignedBuffer = std::unique_ptr<std::uint8_t, AlignedFree>;
constexpr std::size_t kBufferAlignment = 4096;

class Win32FileDevice final : public SectorDevice {
public:
    Win32FileDevice(HANDLE handle, bool isDevice)
        : handle_(handle), isDevice_(isDevice), sectorBytes_(isDevice ? deviceSectorSize(handle) : 1) {}
    ~Win32FileDevice() override { CloseHandle(handle_); }
    Win32FileDevice(const Win32FileDevice&) = delete;
    Win32FileDevice& operator=(const Win32FileDevice&) = delete;

    // A device refuses a transfer that does not begin and end on its sector boundaries (a disk of
    // 4,096-byte sectors refuses the 512 bytes of a boot sector), so such a read goes through a
    // buffer of whole sectors around it. Files take any offset and length.
    TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        if (isAligned(byteOffset, buffer.size())) return readDirect(byteOffset, buffer);
        return readThroughSectors(byteOffset, buffer);
    }

    // Writes are the hiding's and restoring's, in whole 512-byte sectors; on a device of larger
    // sectors a write of part of a sector would need the rest read and written back, which these
    // writes never want: it is refused and nothing is written.
    TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
        if (!isAligned(byteOffset, data.size())) return {};
        TransferResult result;
        while (result.byteCount < data.size()) {
            const std::size_t pieceBytes = std::min(kMaxPieceBytes, data.size() - result.byteCount);
            OVERLAPPED position = offsetOf(byteOffset + result.byteCount);
            DWORD written = 0;
            if (!WriteFile(handle_, data.data() + result.byteCount, static_cast<DWORD>(pieceBytes),
                           &written, &position)) {
                break;
            }
            if (written == 0) break;
            result.byteCount += written;
        }
        result.complete = result.byteCount == data.size();
        return result;
    }

    std::uint64_t byteSize() const override {
        if (isDevice_) {
            GET_LENGTH_INFORMATION length{};
            DWORD returned = 0;
            if (!DeviceIoControl(handle_, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                                 sizeof(length), &returned, nullptr)) {
                return 0;
            }
            return static_cast<std::uint64_t>(length.Length.QuadPart);
        }
        LARGE_INTEGER size{};
        return GetFileSizeEx(handle_, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

    std::uint32_t reportedSectorSize() const override { return isDevice_ ? sectorBytes_ : 0; }

private:
    bool isAligned(std::uint64_t byteOffset, std::size_t byteCount) const {
        return byteOffset % sectorBytes_ == 0 && byteCount % sectorBytes_ == 0;
    }

    // The handle is synchronous: an OVERLAPPED given to ReadFile only carries the offset, and the
    // call returns when the transfer is over.
    TransferResult readDirect(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        TransferResult result;
        while (result.byteCount < buffer.size()) {
            const std::size_t pieceBytes = std::min(kMaxPieceBytes, buffer.size() - result.byteCount);
            OVERLAPPED position = offsetOf(byteOffset + result.byteCount);
            DWORD arrived = 0;
            // A failed call counts nothing: what it may have put into the buffer is not data.
            if (!ReadFile(handle_, buffer.data() + result.byteCount, static_cast<DWORD>(pieceBytes),
                          &arrived, &position)) {
                break;
            }
            if (arrived == 0) break;  // the end of the file or device
            result.byteCount += arrived;
        }
        result.complete = result.byteCount == buffer.size();
        return result;
    }

    // Reads the whole sectors that hold the request, piece by piece, and copies the requested
    // bytes out; the count that arrived ends where the first piece that failed or fell short does.
    TransferResult readThroughSectors(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        TransferResult result;
        if (buffer.empty()) {
            result.complete = true;
            return result;
        }
        const std::uint64_t requestEnd = byteOffset + buffer.size();
        const std::uint64_t first = byteOffset / sectorBytes_ * sectorBytes_;
        const std::uint64_t last = (requestEnd + sectorBytes_ - 1) / sectorBytes_ * sectorBytes_;
        const std::size_t bounceBytes = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxPieceBytes, last - first));
        const AlignedBuffer bounce(static_cast<std::uint8_t*>(_aligned_malloc(bounceBytes, kBufferAlignment)));
        if (!bounce) return result;

        for (std::uint64_t position = first; position < last;) {
            const std::size_t pieceBytes = static_cast<std::size_t>(std::min<std::uint64_t>(bounceBytes, last - position));
            OVERLAPPED at = offsetOf(position);
            DWORD arrived = 0;
            if (!ReadFile(handle_, bounce.get(), static_cast<DWORD>(pieceBytes), &arrived, &at) || arrived == 0) break;
            // The arrived part of this piece that lies inside the request.
            const std::uint64_t arrivedEnd = position + arrived;
            const std::uint64_t copyFrom = std::max(position, byteOffset);
            const std::uint64_t copyTo = std::min(arrivedEnd, requestEnd);
            if (copyTo > copyFrom) {
                std::copy_n(bounce.get() + static_cast<std::size_t>(copyFrom - position),
                            static_cast<std::size_t>(copyTo - copyFrom),
                            buffer.data() + static_cast<std::size_t>(copyFrom - byteOffset));
                result.byteCount = static_cast<std::size_t>(copyTo - byteOffset);
            }
            if (arrived < pieceBytes) break;  // the end of the device, or a failure within the piece
            position += pieceBytes;
        }
        result.complete = result.byteCount == buffer.size();
        return result;
    }

    HANDLE handle_;
    bool isDevice_;
    std::uint32_t sectorBytes_;  // 1 for files: any offset and length
};

}  // namespace

std::unique_ptr<SectorDevice> openFileDevice(const std::string& path, AccessMode mode) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) return nullptr;
    const DWORD access = mode == AccessMode::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    // Sharing both ways: the system and other programs keep their own handles on disks and
    // volumes, and an open that insisted on exclusive use would fail.
    HANDLE handle = CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (!holdsSectors(handle, isDevicePath(wide))) {
        CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<Win32FileDevice>(handle, isDevicePath(wide));
}

SourceKind sourceKindOf(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) return SourceKind::Missing;
    // Opened for reading, as an image is, only to ask what it is; folders open too.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A path that cannot be looked at for another reason is left to the open, which says so.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SourceKind::Missing
                                                                               : SourceKind::Disk;
    }
    const bool disk = holdsSectors(handle, isDevicePath(wide));
    CloseHandle(handle);
    return disk ? SourceKind::Disk : SourceKind::NotADisk;
}

StdioFile openStdioFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return StdioFile(_wfopen(path.c_str(), wideMode.c_str()));
}

namespace {

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow, true};
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// An existing file opened for changing it, shared with a stream that may hold it open; null when
// it cannot be opened.
OwnedHandle openForChange(const std::filesystem::path& file) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return OwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace

CreatedFile createPlainFile(const std::filesystem::path& path) {
    CreatedFile created;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link in the name's place as itself, so that it is seen
    // and refused instead of followed; the file is emptied only once it is known to be a plain
    // file of one name. Shared for reading and writing, as the C library opens files.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return created;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information)) {
        created.problem = WriteProblem::NotPlainFile;
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        created.problem = WriteProblem::Link;
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        created.problem = WriteProblem::NotPlainFile;
    } else if (information.nNumberOfLinks > 1) {
        created.problem = WriteProblem::OtherNames;
    } else if (!SetEndOfFile(handle)) {  // a new handle stands at offset 0
        created.problem = WriteProblem::NotCreated;
    } else {
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (descriptor < 0) {
            CloseHandle(handle);
            return created;
        }
        // From here the descriptor owns the handle.
        std::FILE* file = _fdopen(descriptor, "wb");
        if (file == nullptr) {
            _close(descriptor);
            return created;
        }
        created.file.reset(file);
        created.identity = identityOf(information);
        created.problem = WriteProblem::None;
        return created;
    }
    CloseHandle(handle);
    return created;
}

bool removeCreatedFile(const std::filesystem::path& path, const FileIdentity& identity) {
    if (!identity.known) return false;
    HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool same = GetFileInformationByHandle(handle, &information) &&
                      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
                      identityOf(information) == identity;
    CloseHandle(handle);
    return same && DeleteFileW(path.c_str());
}

bool markSparse(const std::filesystem::path& file) {
    const OwnedHandle handle = openForChange(file);
    DWORD returned = 0;
    return handle && DeviceIoControl(handle.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

// SetEndOfFile rather than the C library's ftruncate, which refuses a length beyond the free
// space of the volume even where the new part would be a hole.
bool setFileLength(const std::filesystem::path& file, std::uint64_t byteCount) {
    const OwnedHandle handle = openForChange(file);
    LARGE_INTEGER length{};
    length.QuadPart = static_cast<LONGLONG>(byteCount);
    return handle && byteCount <= static_cast<std::uint64_t>(INT64_MAX) &&
           SetFilePointerEx(handle.get(), length, nullptr, FILE_BEGIN) != 0 && SetEndOfFile(handle.get()) != 0;
}

}  // namespace quenzar::platform
