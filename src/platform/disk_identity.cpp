// The portable part of disk identification: the geometry reported for disks without a real one,
// and the byte image of the bridge requests.
#include "platform/disk_identity.h"

#include <algorithm>
#include <system_error>

namespace quenzar::platform {
namespace {

void putLe(std::uint8_t* at, std::uint64_t value, std::size_t byteCount) {
    for (std::size_t i = 0; i < byteCount; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The folder itself when it exists, else the nearest folder above it that does: where a folder
// yet to be made would be made. Links and ".." are resolved as the system will resolve them.
std::filesystem::path nearestExisting(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path existing = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, error), error);
    if (error) return {};
    while (!std::filesystem::exists(existing, error) && existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    return existing;
}

}  // namespace

bool folderReachesSource(const std::string& sourcePath, const std::filesystem::path& folder, SourceExtent extent) {
    const std::filesystem::path existing = nearestExisting(folder);
    if (existing.empty()) return false;
    // The image itself (or a path through it) is no folder: its bytes are what is recovered.
    std::error_code error;
    if (std::filesystem::is_regular_file(sourcePath, error) && std::filesystem::equivalent(existing, sourcePath, error)) {
        return true;
    }
    return systemFolderReachesSource(sourcePath, existing, extent);
}

DeviceIdentity fixedDiskIdentity(std::uint64_t byteCount, std::uint32_t bytesPerSector) {
    DeviceIdentity identity;
    identity.answered = true;
    identity.media = MediaKind::Fixed;
    identity.bytesPerSector = bytesPerSector;
    identity.tracksPerCylinder = kReportedTracksPerCylinder;
    identity.sectorsPerTrack = kReportedSectorsPerTrack;
    identity.exactSectorCount = byteCount / bytesPerSector;
    identity.cylinders = identity.exactSectorCount / (kReportedTracksPerCylinder * kReportedSectorsPerTrack);
    identity.route = ConnectionRoute::NotRecognized;
    return identity;
}

std::array<std::uint8_t, kPassThroughBufferBytes> passThroughRequest(const BridgeIdentifyCommand& command,
                                                                     const PassThroughLayout& layout) {
    std::array<std::uint8_t, kPassThroughBufferBytes> buffer{};
    putLe(&buffer[0], layout.headerBytes, 2);                    // Length
    buffer[6] = command.cdbLength;                               // CdbLength
    buffer[7] = static_cast<std::uint8_t>(kPassThroughSenseBytes);  // SenseInfoLength
    buffer[8] = 1;                                               // DataIn: SCSI_IOCTL_DATA_IN
    putLe(&buffer[layout.transferLengthAt], 512, 4);
    putLe(&buffer[layout.timeoutAt], kPassThroughTimeoutSeconds, 4);
    putLe(&buffer[layout.dataOffsetAt], kPassThroughDataOffset, layout.dataOffsetBytes);
    putLe(&buffer[layout.senseOffsetAt], layout.senseOffset, 4);
    std::copy_n(command.cdb.begin(), command.cdbLength, &buffer[layout.cdbAt]);
    return buffer;
}

}  // namespace quenzar::platform
