// Identification of Windows disks and drive letters: the drive geometry, IDENTIFY DEVICE through
// SMART_RCV_DRIVE_DATA or, for disks behind USB bridges, through the bridges' vendor commands
// sent with IOCTL_SCSI_PASS_THROUGH, and GetDriveTypeA with the volume devices for the letters.
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk_system.h"

namespace quenzar::platform {
namespace {

// The request bytes of disk_identity.h are the system's own structures, byte for byte.
static_assert(SMART_RCV_DRIVE_DATA == kSmartRcvDriveData);
static_assert(IOCTL_SCSI_PASS_THROUGH == kIoctlScsiPassThrough);
static_assert(sizeof(SENDCMDINPARAMS) - 1 == kSmartIdentifyRequest.size());
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == kSmartAnswerHeaderBytes);
static_assert(sizeof(DISK_GEOMETRY) == 24);

constexpr PassThroughLayout kLayout = passThroughLayout(sizeof(void*));
static_assert(sizeof(SCSI_PASS_THROUGH) == kLayout.headerBytes);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == kLayout.transferLengthAt);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == kLayout.timeoutAt);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == kLayout.dataOffsetAt);
static_assert(sizeof(SCSI_PASS_THROUGH::DataBufferOffset) == kLayout.dataOffsetBytes);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == kLayout.senseOffsetAt);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == kLayout.cdbAt);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == 2);
static_assert(kLayout.senseOffset + kPassThroughSenseBytes <= kPassThroughDataOffset);

// A device handle that closes itself, so that no device stays open after an identification.
class DeviceHandle {
public:
    explicit DeviceHandle(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~DeviceHandle() {
        if (isOpen()) CloseHandle(handle_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

std::optional<IdentifyBlock> smartIdentify(HANDLE device) {
    std::array<std::uint8_t, kSmartIdentifyRequest.size()> request = kSmartIdentifyRequest;
    std::array<std::uint8_t, kSmartAnswerBytes> answer{};
    DWORD returned = 0;
    if (DeviceIoControl(device, SMART_RCV_DRIVE_DATA, request.data(), static_cast<DWORD>(request.size()),
                        answer.data(), static_cast<DWORD>(answer.size()), &returned, nullptr) != TRUE) {
        return std::nullopt;
    }
    IdentifyBlock block{};
    std::copy_n(answer.begin() + kSmartAnswerHeaderBytes, block.size(), block.begin());
    return block;
}

// The bridge commands in their order; the first that succeeds with SCSI status 0 names the route.
std::optional<std::pair<ConnectionRoute, IdentifyBlock>> bridgeIdentify(HANDLE device) {
    for (const BridgeIdentifyCommand& command : kBridgeIdentifyCommands) {
        auto buffer = passThroughRequest(command, kLayout);
        DWORD returned = 0;
        const BOOL done = DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, buffer.data(),
                                          static_cast<DWORD>(buffer.size()), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), &returned, nullptr);
        const std::uint8_t scsiStatus = buffer[offsetof(SCSI_PASS_THROUGH, ScsiStatus)];
        if (done == TRUE && scsiStatus == 0) {
            IdentifyBlock block{};
            std::copy_n(buffer.begin() + kPassThroughDataOffset, block.size(), block.begin());
            return std::pair{command.route, block};
        }
    }
    return std::nullopt;
}

DeviceIdentity identifyDisk(const std::string& path) {
    const DeviceHandle device(path);
    if (!device.isOpen()) return {};
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    if (DeviceIoControl(device.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry,
                        &returned, nullptr) != TRUE) {
        return {};
    }
    DeviceIdentity identity;
    identity.answered = true;
    identity.cylinders = static_cast<std::uint64_t>(geometry.Cylinders.QuadPart);
    identity.tracksPerCylinder = geometry.TracksPerCylinder;
    identity.sectorsPerTrack = geometry.SectorsPerTrack;
    identity.bytesPerSector = geometry.BytesPerSector;
    identity.letters = LetterSource::System;
    switch (geometry.MediaType) {
        case RemovableMedia:
            identity.media = MediaKind::Removable;
            return identity;
        case FixedMedia:
            identity.media = MediaKind::Fixed;
            break;
        default:
            identity.media = MediaKind::Other;
            return identity;
    }
    if (auto block = smartIdentify(device.get())) {
        identity.route = ConnectionRoute::InternalAta;
        identity.identifyData = *block;
    } else if (auto bridged = bridgeIdentify(device.get())) {
        identity.route = bridged->first;
        identity.identifyData = bridged->second;
    } else {
        identity.route = ConnectionRoute::NotRecognized;
    }
    return identity;
}

DeviceIdentity identifyDriveLetter(char letter) {
    // The root with its backslash, as GetDriveTypeA documents it.
    const char root[] = {letter, ':', '\\', '\0'};
    DeviceIdentity identity;
    switch (GetDriveTypeA(root)) {
        case DRIVE_REMOVABLE:
            identity.answered = true;
            identity.media = MediaKind::Removable;
            break;
        case DRIVE_FIXED: {
            identity.answered = true;
            identity.media = MediaKind::Fixed;
            const DeviceHandle volume(std::string("\\\\.\\") + letter + ':');
            if (volume.isOpen()) identity.identifyData = smartIdentify(volume.get());
            break;
        }
        default:
            break;
    }
    return identity;
}

// A folder path the system wrote into a buffer of MAX_PATH characters; empty when it did not fit.
std::string folderText(const char* text, DWORD length) {
    return length > 0 && length <= MAX_PATH ? std::string(text, length) : std::string();
}

}  // namespace

DeviceIdentity identifySystemDevice(const DiskSystem& disks, char name) {
    if (name >= '0' && name <= '9') {
        const std::string path = disks.diskPath(name);
        return path.empty() ? DeviceIdentity{} : identifyDisk(path);
    }
    if (name >= 'a' && name <= 'z') name = static_cast<char>(name - 'a' + 'A');
    if (name < 'C' || name > 'Z') return {};
    return identifyDriveLetter(name);
}

ProtectedFolders protectedFolders() {
    char windowsFolder[MAX_PATH + 1] = {};
    char currentFolder[MAX_PATH + 1] = {};
    const DWORD windowsLength = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const DWORD currentLength = GetCurrentDirectoryA(MAX_PATH, currentFolder);
    return {folderText(windowsFolder, windowsLength), folderText(currentFolder, currentLength)};
}

std::optional<std::vector<char>> disksHoldingFolder(const DiskSystem& disks, const std::string& folder) {
    // Attached images never hold the running system, and a network folder lies on no local disk.
    if (dynamic_cast<const ImageDiskSystem*>(&disks) != nullptr) return std::vector<char>{};
    if (folder.rfind("\\\\", 0) == 0) return std::vector<char>{};
    return std::nullopt;
}

namespace {

// The disk numbers under a volume, from its extents (one for a plain partition, more for a
// spanned or striped volume); empty when the system does not tell. volumeDevice names the volume
// without a last backslash: "\\?\Volume{...}" or "\\.\C:".
std::vector<DWORD> disksOfVolume(const std::wstring& volumeDevice) {
    if (volumeDevice.empty()) return {};
    // No access is asked for: the extents are there for any handle of the volume.
    HANDLE handle = CreateFileW(volumeDevice.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    constexpr DWORD kMaxExtents = 32;
    std::vector<std::uint8_t> buffer(offsetof(VOLUME_DISK_EXTENTS, Extents) + kMaxExtents * sizeof(DISK_EXTENT));
    DWORD returned = 0;
    std::vector<DWORD> disks;
    if (DeviceIoControl(handle, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
        for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < kMaxExtents; ++i) {
            disks.push_back(extents->Extents[i].DiskNumber);
        }
    }
    CloseHandle(handle);
    return disks;
}

// The volume that holds a path ("C:\x", or a folder below a mount point), as the volume device
// "\\?\Volume{...}"; empty when the system does not tell (a network share).
std::wstring volumeHolding(const std::wstring& path) {
    wchar_t mountPoint[MAX_PATH + 1] = {};
    wchar_t volumeName[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), mountPoint, MAX_PATH) ||
        !GetVolumeNameForVolumeMountPointW(mountPoint, volumeName, MAX_PATH)) {
        return {};
    }
    std::wstring name(volumeName);
    if (!name.empty() && name.back() == L'\\') name.pop_back();
    return name;
}

bool sharesDisk(const std::vector<DWORD>& one, const std::vector<DWORD>& two) {
    return std::any_of(one.begin(), one.end(),
                       [&](DWORD disk) { return std::find(two.begin(), two.end(), disk) != two.end(); });
}

}  // namespace

bool systemFolderReachesSource(const std::string& sourcePath, const std::filesystem::path& existingFolder,
                               SourceExtent extent) {
    std::string lower = sourcePath;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    const std::wstring folderVolume = volumeHolding(existingFolder.wstring());
    if (folderVolume.empty()) return false;
    const std::vector<DWORD> folderDisks = disksOfVolume(folderVolume);

    constexpr std::string_view kDiskPrefix = "\\\\.\\physicaldrive";
    if (lower.starts_with(kDiskPrefix) && lower.size() > kDiskPrefix.size() &&
        std::all_of(lower.begin() + kDiskPrefix.size(), lower.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const DWORD disk = static_cast<DWORD>(std::stoul(lower.substr(kDiskPrefix.size())));
        return std::find(folderDisks.begin(), folderDisks.end(), disk) != folderDisks.end();
    }
    // A volume device "\\.\X:": the same volume, or with Disk any volume of its disks.
    if (lower.size() == 6 && lower.starts_with("\\\\.\\") && std::isalpha(static_cast<unsigned char>(lower[4])) &&
        lower[5] == ':') {
        const std::wstring sourceVolume = volumeHolding(std::wstring{static_cast<wchar_t>(lower[4]), L':', L'\\'});
        if (sourceVolume.empty()) return false;
        if (sourceVolume == folderVolume) return true;
        return extent == SourceExtent::Disk && sharesDisk(disksOfVolume(sourceVolume), folderDisks);
    }
    return false;  // an image: only the image itself counts, which the portable part checks
}

std::string restartCommandLine() { return "shutdown -t 0 -r -f"; }

std::string shutDownCommandLine() { return "shutdown -t 0 -s -f"; }

bool startSystemCommand(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace quenzar::platform
