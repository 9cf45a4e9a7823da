// The portable part of disk identification: the geometry reported for disks without a real one,
// and the byte image of the bridge requests.
#include "platform/disk_identity.h"

#include <algorithm>

namespace quenzar::platform {
namespace {

void putLe(std::uint8_t* at, std::uint64_t value, std::size_t byteCount) {
    for (std::size_t i = 0; i < byteCount; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

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
