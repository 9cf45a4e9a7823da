#include "platform/volume_window.h"

#include <algorithm>

namespace quenzar::platform {
namespace {

class VolumeWindow final : public SectorDevice {
public:
    VolumeWindow(std::unique_ptr<SectorDevice> disk, std::uint64_t startByte, std::uint64_t byteCount)
        : disk_(std::move(disk)), startByte_(startByte), byteCount_(byteCount) {
        if (byteCount_ == 0) {
            const std::uint64_t diskSize = disk_->byteSize();
            byteCount_ = diskSize > startByte_ ? diskSize - startByte_ : 0;
        }
    }

    TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        const std::size_t allowed = allowedLength(byteOffset, buffer.size());
        TransferResult result = disk_->readAt(startByte_ + byteOffset, buffer.first(allowed));
        result.complete = result.complete && allowed == buffer.size();
        return result;
    }

    TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
        const std::size_t allowed = allowedLength(byteOffset, data.size());
        TransferResult result = disk_->writeAt(startByte_ + byteOffset, data.first(allowed));
        result.complete = result.complete && allowed == data.size();
        return result;
    }

    std::uint64_t byteSize() const override { return byteCount_; }
    std::uint32_t reportedSectorSize() const override { return disk_->reportedSectorSize(); }

private:
    // How much of a transfer at this offset stays inside the volume.
    std::size_t allowedLength(std::uint64_t byteOffset, std::size_t length) const {
        if (byteOffset >= byteCount_) return 0;
        return static_cast<std::size_t>(std::min<std::uint64_t>(length, byteCount_ - byteOffset));
    }

    std::unique_ptr<SectorDevice> disk_;
    std::uint64_t startByte_;
    std::uint64_t byteCount_;
};

}  // namespace

std::unique_ptr<SectorDevice> makeVolumeWindow(std::unique_ptr<SectorDevice> disk,
                                               std::uint64_t startByte, std::uint64_t byteCount) {
    if (!disk) return nullptr;
    return std::make_unique<VolumeWindow>(std::move(disk), startByte, byteCount);
}

}  // namespace quenzar::platform
