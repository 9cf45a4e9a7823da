// Files and raw devices on Windows: disk image files, whole disks ("\\.\PhysicalDrive0") and
// volumes ("\\.\C:"), opened with CreateFileW and read and written at 64-bit offsets.
#include <windows.h>
#include <winioctl.h>

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

class Win32FileDevice final : public SectorDevice {
public:
    Win32FileDevice(HANDLE handle, bool isDevice) : handle_(handle), isDevice_(isDevice) {}
    ~Win32FileDevice() override { CloseHandle(handle_); }
    Win32FileDevice(const Win32FileDevice&) = delete;
    Win32FileDevice& operator=(const Win32FileDevice&) = delete;

    // The handle is synchronous: an OVERLAPPED given to ReadFile only carries the offset, and the
    // call returns when the transfer is over.
    TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
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

    TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
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

private:
    HANDLE handle_;
    bool isDevice_;
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
    return std::make_unique<Win32FileDevice>(handle, isDevicePath(wide));
}

StdioFile openStdioFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return StdioFile(_wfopen(path.c_str(), wideMode.c_str()));
}

namespace {

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
