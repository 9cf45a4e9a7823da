#include "support/faulty_disks.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "disk/bad_sector_map.h"


namespace quenzar::testsupport {
namespace {

constexpr std::uint64_t kSectorBytes = 512;
// What a failed read leaves where no data arrived: anything but zeros, so that a reader that
// takes it for data shows.
constexpr std::uint8_t kGarbage = 0xEE;

class FaultyDevice final : public platform::SectorDevice {
public:
    FaultyDevice(std::unique_ptr<platform::SectorDevice> inner, char diskNumber,
                 std::shared_ptr<FaultyDisks::State> state)
        : inner_(std::move(inner)), diskNumber_(diskNumber), state_(std::move(state)) {}

    platform::TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        const std::uint64_t endByte = byteOffset + buffer.size();
        std::uint64_t firstBad = endByte;
        std::chrono::microseconds delay{0};
        {
            const std::lock_guard<std::mutex> lock(state_->mutex);
            ++state_->reads;
            for (FaultyDisks::Trigger& trigger : state_->triggers) {
                if (trigger.diskNumber != diskNumber_ || !trigger.action) continue;
                if (trigger.byte < byteOffset || trigger.byte >= endByte) continue;
                std::exchange(trigger.action, nullptr)();
            }
            for (FaultyDisks::Fault& fault : state_->faults) {
                if (fault.diskNumber != diskNumber_ || fault.timesLeft == 0) continue;
                if (fault.firstByte >= endByte || fault.endByte <= byteOffset) continue;
                firstBad = std::min(firstBad, std::max(fault.firstByte, byteOffset));
                if (fault.timesLeft > 0) --fault.timesLeft;
            }
            if (firstBad == endByte) return inner_->readAt(byteOffset, buffer);
            ++state_->failedReads;
            delay = state_->failureDelay;
        }
        if (delay.count() > 0) std::this_thread::sleep_for(delay);
        std::size_t prefix = 0;
        if (state_->shape == FaultyDisks::Shape::PrefixArrives) {
            prefix = static_cast<std::size_t>((firstBad - byteOffset) / kSectorBytes * kSectorBytes);
        }
        const platform::TransferResult before = inner_->readAt(byteOffset, buffer.first(prefix));
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(before.byteCount), buffer.end(), kGarbage);
        return {before.byteCount, false};
    }

    platform::TransferResult writeAt(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override {
        return inner_->writeAt(byteOffset, data);
    }

    std::uint64_t byteSize() const override { return inner_->byteSize(); }

private:
    std::unique_ptr<platform::SectorDevice> inner_;
    char diskNumber_;
    std::shared_ptr<FaultyDisks::State> state_;
};

}  // namespace

FaultyDisks::FaultyDisks(std::unique_ptr<platform::DiskSystem> inner, Shape shape)
    : inner_(std::move(inner)), state_(std::make_shared<State>()) {
    state_->shape = shape;
}

FaultyDisks::FaultyDisks(std::vector<std::string> imagePaths, Shape shape)
    : FaultyDisks(std::make_unique<platform::ImageDiskSystem>(std::move(imagePaths)), shape) {}

FaultyDisks::~FaultyDisks() { disk::forgetBadSectors(*this); }

void FaultyDisks::failSectors(std::uint64_t firstSector, std::uint64_t sectorCount, int times, char diskNumber) {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->faults.push_back(
        {diskNumber, firstSector * kSectorBytes, (firstSector + sectorCount) * kSectorBytes, times});
}

void FaultyDisks::whenRead(std::uint64_t sector, std::function<void()> action, char diskNumber) {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->triggers.push_back({diskNumber, sector * kSectorBytes, std::move(action)});
}

void FaultyDisks::delayFailedReads(std::chrono::microseconds delay) {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->failureDelay = delay;
}

std::uint64_t FaultyDisks::reads() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->reads;
}

std::uint64_t FaultyDisks::failedReads() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->failedReads;
}

std::unique_ptr<platform::SectorDevice> FaultyDisks::openDisk(char diskNumber, platform::AccessMode mode) {
    std::unique_ptr<platform::SectorDevice> device = inner_->openDisk(diskNumber, mode);
    if (device == nullptr) return nullptr;
    return std::make_unique<FaultyDevice>(std::move(device), diskNumber, state_);
}

}  // namespace quenzar::testsupport
