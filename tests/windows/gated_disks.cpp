#include "gated_disks.h"

namespace quenzar::wintest {
namespace {

class GatedDevice final : public platform::SectorDevice {
public:
    GatedDevice(std::unique_ptr<platform::SectorDevice> device, std::shared_ptr<GatedDiskSystem::Gate> gate)
        : device_(std::move(device)), gate_(std::move(gate)) {}

    platform::TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        const bool counted = gate_->countedReadBytes == 0 ? buffer.size() > 4096 : buffer.size() == gate_->countedReadBytes;
        if (counted && gate_->bulkReadsLeft.fetch_sub(1) <= 0) {
            SetEvent(gate_->held);
            WaitForSingleObject(gate_->opened, INFINITE);
        }
        return device_->readAt(byteOffset, buffer);
    }
    platform::TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
        return device_->writeAt(byteOffset, data);
    }
    std::uint64_t byteSize() const override { return device_->byteSize(); }

private:
    std::unique_ptr<platform::SectorDevice> device_;
    std::shared_ptr<GatedDiskSystem::Gate> gate_;
};

}  // namespace

GatedDiskSystem::GatedDiskSystem(std::vector<std::string> imagePaths, int bulkReadsBeforeHold,
                                 std::size_t countedReadBytes)
    : images_(std::move(imagePaths)),
      gate_(std::make_shared<Gate>(bulkReadsBeforeHold, countedReadBytes, CreateEventW(nullptr, TRUE, FALSE, nullptr),
                                   CreateEventW(nullptr, TRUE, FALSE, nullptr))) {}

GatedDiskSystem::~GatedDiskSystem() {
    openGate();
    CloseHandle(gate_->opened);
    CloseHandle(gate_->held);
}

std::unique_ptr<platform::SectorDevice> GatedDiskSystem::openDisk(char diskNumber, platform::AccessMode mode) {
    std::unique_ptr<platform::SectorDevice> device = images_.openDisk(diskNumber, mode);
    if (device == nullptr) return nullptr;
    return std::make_unique<GatedDevice>(std::move(device), gate_);
}

bool GatedDiskSystem::waitUntilHeld(DWORD timeoutMs) const {
    return WaitForSingleObject(gate_->held, timeoutMs) == WAIT_OBJECT_0;
}

void GatedDiskSystem::openGate() const { SetEvent(gate_->opened); }

}  // namespace quenzar::wintest
