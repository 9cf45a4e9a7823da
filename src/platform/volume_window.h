// A volume seen through a byte range of its disk: offset 0 is the volume's first byte.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sector_device.h"

namespace quenzar::platform {

// byteCount 0 means "up to the end of the disk". Reads and writes never leave the range.
std::unique_ptr<SectorDevice> makeVolumeWindow(std::unique_ptr<SectorDevice> disk,
                                               std::uint64_t startByte, std::uint64_t byteCount);

}  // namespace quenzar::platform
