// The Windows file device and the Windows disk system, on image files in a temporary folder:
// 64-bit offsets across the 4 GiB boundary, short and failed reads, writes, path encodings.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "disk/sector_access.h"
#include "disk/sector_mask.h"
#include "harness.h"
#include "platform/disk_system.h"
#include "platform/sector_device.h"
#include "platform/stdio_file.h"

namespace {

using quenzar::platform::AccessMode;
using quenzar::platform::openFileDevice;

constexpr std::uint64_t k4GiB = 0x100000000ull;
// Blocks written just below and just above 4 GiB, with the 512-byte hole [4 GiB, 4 GiB + 512)
// between them: a 32-bit truncation of any offset would read the wrong place.
constexpr std::uint64_t kLowBlockOffset = k4GiB - 512;
constexpr std::uint64_t kHighBlockOffset = k4GiB + 512;
constexpr std::uint64_t kImageSize = k4GiB + 1024;

std::vector<std::uint8_t> pattern(std::size_t byteCount, unsigned seed) {
    std::vector<std::uint8_t> bytes(byteCount);
    for (std::size_t i = 0; i < byteCount; ++i) bytes[i] = static_cast<std::uint8_t>(i * seed + seed);
    return bytes;
}
const std::vector<std::uint8_t> kLowBlock = pattern(512, 7);
const std::vector<std::uint8_t> kHighBlock = pattern(512, 13);

std::string toUtf8(const std::wstring& text) {
    const int charCount = static_cast<int>(text.size());
    const int byteCount = WideCharToMultiByte(CP_UTF8, 0, text.data(), charCount, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(byteCount), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), charCount, utf8.data(), byteCount, nullptr, nullptr);
    return utf8;
}

OVERLAPPED at(std::uint64_t byteOffset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(byteOffset);
    position.OffsetHigh = static_cast<DWORD>(byteOffset >> 32);
    return position;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"quenzar-wintests-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring file(const std::wstring& name) {
        files_.push_back(path_ + L"\\" + name);
        return files_.back();
    }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};

// A sparse image of kImageSize bytes holding the two known blocks, written with the plain Windows
// calls so that the device under test reads what another writer put there.
bool makeBoundaryImage(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);  // best effort
    bool written = true;
    for (const auto& [offset, block] : {std::pair{kLowBlockOffset, &kLowBlock}, std::pair{kHighBlockOffset, &kHighBlock}}) {
        OVERLAPPED position = at(offset);
        DWORD count = 0;
        written = written && WriteFile(file, block->data(), 512, &count, &position) && count == 512;
    }
    CloseHandle(file);
    return written;
}

bool sameBytes(std::span<const std::uint8_t> actual, std::span<const std::uint8_t> expected) {
    return std::equal(actual.begin(), actual.end(), expected.begin(), expected.end());
}
bool allBytesAre(std::span<const std::uint8_t> bytes, std::uint8_t value) {
    for (std::uint8_t byte : bytes) {
        if (byte != value) return false;
    }
    return true;
}

}  // namespace

TEST_CASE(fileDeviceReadsAnImageAcrossThe4GiBBoundary) {
    TempFolder folder;
    // A Cyrillic name with a blank: the UTF-8 path must reach CreateFileW intact.
    const std::wstring imagePath = folder.file(L"образ диска.img");
    REQUIRE(makeBoundaryImage(imagePath));

    auto device = openFileDevice(toUtf8(imagePath), AccessMode::ReadOnly);
    REQUIRE(device != nullptr);
    CHECK_EQ(device->byteSize(), kImageSize);

    // Low block, the hole, high block in one read; the buffer starts as 0xEE so the hole's zeros
    // must really have been read.
    std::vector<std::uint8_t> buffer(1536, 0xEE);
    auto result = device->readAt(kLowBlockOffset, buffer);
    CHECK_EQ(result.byteCount, std::size_t{1536});
    CHECK(result.complete);
    CHECK(sameBytes(std::span(buffer).first(512), kLowBlock));
    CHECK(allBytesAre(std::span(buffer).subspan(512, 512), 0));
    CHECK(sameBytes(std::span(buffer).last(512), kHighBlock));

    // Reads that reach past the end report what arrived.
    std::vector<std::uint8_t> tail(1024, 0xEE);
    result = device->readAt(kHighBlockOffset, tail);
    CHECK_EQ(result.byteCount, std::size_t{512});
    CHECK(!result.complete);
    CHECK(sameBytes(std::span(tail).first(512), kHighBlock));
    result = device->readAt(kImageSize, tail);
    CHECK_EQ(result.byteCount, std::size_t{0});
    CHECK(!result.complete);

    // The same through the disk layer, with the image as disk 0: a short read is zero-filled.
    quenzar::platform::ImageDiskSystem disks({toUtf8(imagePath)});
    quenzar::disk::SectorMaskTable masks;
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    CHECK_EQ(quenzar::disk::readDiskBytes(disks, masks, '0', kLowBlockOffset, buffer), std::size_t{1536});
    CHECK(sameBytes(std::span(buffer).first(512), kLowBlock));
    CHECK(allBytesAre(std::span(buffer).subspan(512, 512), 0));
    CHECK(sameBytes(std::span(buffer).last(512), kHighBlock));
    std::fill(tail.begin(), tail.end(), 0xEE);
    CHECK_EQ(quenzar::disk::readDiskBytes(disks, masks, '0', kHighBlockOffset, tail), std::size_t{512});
    CHECK(sameBytes(std::span(tail).first(512), kHighBlock));
    CHECK(allBytesAre(std::span(tail).last(512), 0));
}

TEST_CASE(aMissingImageOpensNothingAndReadsAsZeros) {
    TempFolder folder;
    const std::string missing = toUtf8(folder.file(L"missing.img"));
    CHECK(openFileDevice(missing, AccessMode::ReadOnly) == nullptr);
    CHECK(openFileDevice(missing, AccessMode::ReadWrite) == nullptr);

    quenzar::platform::ImageDiskSystem disks({missing});
    quenzar::disk::SectorMaskTable masks;
    std::vector<std::uint8_t> buffer(4096, 0xEE);
    CHECK_EQ(quenzar::disk::readDiskBytes(disks, masks, '0', 0, buffer), std::size_t{0});
    CHECK(allBytesAre(buffer, 0));
}

// Only files and disk devices are sources of sectors: the NUL device and a folder given as an
// image open nothing.
TEST_CASE(whatHoldsNoSectorsIsNotOpened) {
    using quenzar::platform::SourceKind;
    using quenzar::platform::sourceKindOf;
    TempFolder folder;
    const std::wstring image = folder.file(L"image.img");
    HANDLE file = CreateFileW(image.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    CHECK(WriteFile(file, kLowBlock.data(), 512, &written, nullptr) && written == 512);
    CloseHandle(file);
    const std::wstring base = image.substr(0, image.rfind(L'\\'));
    const std::pair<std::string, SourceKind> cases[] = {
        {"NUL", SourceKind::NotADisk},
        {toUtf8(base), SourceKind::NotADisk},
        {toUtf8(folder.file(L"missing.img")), SourceKind::Missing},
        {toUtf8(image), SourceKind::Disk},
    };
    for (const auto& [path, kind] : cases) {
        CHECK(sourceKindOf(path) == kind);
        CHECK((openFileDevice(path, AccessMode::ReadOnly) != nullptr) == (kind == SourceKind::Disk));
    }
}

TEST_CASE(fileDeviceWritesOnlyWhenOpenedForWriting) {
    TempFolder folder;
    const std::wstring imagePath = folder.file(L"writable.img");
    REQUIRE(makeBoundaryImage(imagePath));
    const std::vector<std::uint8_t> data = pattern(1024, 29);
    // Above 4 GiB: a write at a truncated offset would land near the start of the file instead.
    const std::uint64_t offset = k4GiB + 256;

    {
        auto readOnly = openFileDevice(toUtf8(imagePath), AccessMode::ReadOnly);
        REQUIRE(readOnly != nullptr);
        const auto refused = readOnly->writeAt(offset, data);
        CHECK_EQ(refused.byteCount, std::size_t{0});
        CHECK(!refused.complete);
    }
    {
        auto readWrite = openFileDevice(toUtf8(imagePath), AccessMode::ReadWrite);
        REQUIRE(readWrite != nullptr);
        const auto written = readWrite->writeAt(offset, data);
        CHECK_EQ(written.byteCount, data.size());
        CHECK(written.complete);
    }  // closed here: the check below opens the file afresh

    // Read back with SetFilePointerEx and ReadFile, not through the device.
    HANDLE file = CreateFileW(imagePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    std::vector<std::uint8_t> readBack(data.size());
    DWORD count = 0;
    const bool read = SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
                      ReadFile(file, readBack.data(), static_cast<DWORD>(readBack.size()), &count, nullptr);
    CloseHandle(file);
    CHECK(read);
    CHECK_EQ(count, DWORD{1024});
    CHECK(sameBytes(readBack, data));
}

TEST_CASE(pathsInTheAnsiCodePageOpenToo) {
    // What the C library's getenv gives for QUENZAR_DISK_IMAGES is in the ANSI code page, not UTF-8.
    TempFolder folder;
    const std::wstring imagePath = folder.file(L"диск.img");
    REQUIRE(makeBoundaryImage(imagePath));

    const int charCount = static_cast<int>(imagePath.size());
    BOOL lossy = FALSE;
    const int byteCount = WideCharToMultiByte(CP_ACP, 0, imagePath.data(), charCount, nullptr, 0, nullptr, &lossy);
    std::string ansiPath(static_cast<std::size_t>(byteCount), '\0');
    WideCharToMultiByte(CP_ACP, 0, imagePath.data(), charCount, ansiPath.data(), byteCount, nullptr, &lossy);
    if (lossy) {
        std::printf("note: the ANSI code page %u cannot spell Cyrillic names; checked UTF-8 only\n", GetACP());
    } else {
        auto device = openFileDevice(ansiPath, AccessMode::ReadOnly);
        REQUIRE(device != nullptr);
        CHECK_EQ(device->byteSize(), kImageSize);
    }
    CHECK(openFileDevice(toUtf8(imagePath), AccessMode::ReadOnly) != nullptr);
}

TEST_CASE(windowsDisksArePhysicalDrivesAndAssignedLettersTakePrecedence) {
    auto disks = quenzar::platform::makeSystemDiskSystem();
    const std::array<std::pair<char, const char*>, 5> paths = {{
        {'0', "\\\\.\\PhysicalDrive0"},
        {'7', "\\\\.\\PhysicalDrive7"},
        {'8', ""},
        {'/', ""},
        {'C', ""},
    }};
    for (const auto& [diskNumber, expected] : paths) {
        quenzar::wintest::Note note(std::string("disk number ") + diskNumber);
        CHECK_EQ(disks->diskPath(diskNumber), std::string(expected));
    }

    // A letter the inventory assigned opens what it was assigned, even in lower case.
    TempFolder folder;
    const std::wstring imagePath = folder.file(L"volume.img");
    REQUIRE(makeBoundaryImage(imagePath));
    quenzar::platform::VolumeSource source;
    source.devicePath = toUtf8(imagePath);
    disks->assignVolume('E', source);
    for (char letter : {'E', 'e'}) {
        quenzar::wintest::Note note(std::string("drive letter ") + letter);
        auto volume = disks->openVolume(letter, AccessMode::ReadOnly);
        REQUIRE(volume != nullptr);
        std::vector<std::uint8_t> block(512);
        CHECK(volume->readAt(kHighBlockOffset, block).complete);
        CHECK(sameBytes(block, kHighBlock));
    }
    CHECK(disks->openVolume('1', AccessMode::ReadOnly) == nullptr);
}

// The program's own files (work file, listing) are made through the wide API without going
// through another name of a file, and removed only while the path still names the file made.
TEST_CASE(plainFilesAreMadeWithoutWritingThroughOtherNames) {
    using quenzar::platform::WriteProblem;
    TempFolder folder;
    const std::wstring victim = folder.file(L"victim.txt");
    const std::wstring secondName = folder.file(L"second-name");
    const std::wstring work = folder.file(L"~DI_Tmp.tmp");
    const std::wstring link = folder.file(L"link");
    const auto contentOf = [](const std::wstring& path) {
        std::string text;
        if (std::FILE* file = _wfopen(path.c_str(), L"rb")) {
            for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
            std::fclose(file);
        }
        return text;
    };
    if (std::FILE* file = _wfopen(victim.c_str(), L"wb")) {
        std::fputs("precious", file);
        std::fclose(file);
    }
    REQUIRE(CreateHardLinkW(secondName.c_str(), victim.c_str(), nullptr));

    // A file of more names is left whole; an old plain file is replaced.
    quenzar::platform::CreatedFile created = quenzar::platform::createPlainFile(secondName);
    CHECK(created.file == nullptr);
    CHECK(created.problem == WriteProblem::OtherNames);
    CHECK_EQ(contentOf(victim), std::string("precious"));
    for (const char* content : {"first run", "new"}) {
        created = quenzar::platform::createPlainFile(work);
        REQUIRE(created.file != nullptr);
        CHECK(created.problem == WriteProblem::None);
        std::fputs(content, created.file.get());
        created.file.reset();
        CHECK_EQ(contentOf(work), std::string(content));
    }

    // Only the file made goes: not another file put under its name (the one made is moved aside,
    // so its number stays taken), and nothing when no file was made.
    const quenzar::platform::FileIdentity made = created.identity;
    CHECK(made.known);
    const std::wstring moved = folder.file(L"moved");
    REQUIRE(MoveFileW(work.c_str(), moved.c_str()));
    HANDLE other = CreateFileW(work.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(other != INVALID_HANDLE_VALUE);
    CloseHandle(other);
    CHECK(!quenzar::platform::removeCreatedFile(work, made));
    CHECK(!quenzar::platform::removeCreatedFile(work, quenzar::platform::FileIdentity{}));
    CHECK(GetFileAttributesW(work.c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(quenzar::platform::removeCreatedFile(moved, made));
    CHECK_EQ(GetFileAttributesW(moved.c_str()), INVALID_FILE_ATTRIBUTES);

    // A symbolic link, where the system lets one be made, is refused as a link.
    if (CreateSymbolicLinkW(link.c_str(), victim.c_str(), 0) &&
        (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
        created = quenzar::platform::createPlainFile(link);
        CHECK(created.file == nullptr);
        CHECK(created.problem == WriteProblem::Link);
        CHECK_EQ(contentOf(victim), std::string("precious"));
    } else {
        std::printf("note: this system makes no symbolic links; the link refusal is checked on Linux only\n");
    }
}
