#include "disk/bad_sector_map.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quenzar::disk {

void BadSectorMap::add(std::uint64_t firstByte, std::uint64_t endByte) {
    if (firstByte >= endByte) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    // The ranges that overlap or touch the new one are taken into it.
    auto it = ends_.upper_bound(firstByte);
    if (it != ends_.begin() && std::prev(it)->second >= firstByte) --it;
    while (it != ends_.end() && it->first <= endByte) {
        firstByte = std::min(firstByte, it->first);
        endByte = std::max(endByte, it->second);
        it = ends_.erase(it);
    }
    ends_.emplace(firstByte, endByte);
}

std::uint64_t BadSectorMap::firstBadIn(std::uint64_t firstByte, std::uint64_t endByte) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = ends_.upper_bound(firstByte);
    if (it != ends_.begin() && std::prev(it)->second > firstByte) return firstByte;
    return it != ends_.end() && it->first < endByte ? it->first : endByte;
}

std::uint64_t BadSectorMap::badEndFrom(std::uint64_t byte) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = ends_.upper_bound(byte);
    if (it == ends_.begin()) return byte;
    --it;
    return it->second > byte ? it->second : byte;
}

std::uint64_t BadSectorMap::badStartBefore(std::uint64_t byte) const {
    if (byte == 0) return 0;
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = ends_.upper_bound(byte - 1);
    if (it == ends_.begin()) return byte;
    --it;
    return it->second >= byte ? it->first : byte;
}

std::vector<BadSectorMap::Range> BadSectorMap::ranges() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Range> ranges;
    ranges.reserve(ends_.size());
    for (const auto& [first, end] : ends_) ranges.push_back({first, end});
    return ranges;
}

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::pair<const platform::DiskSystem*, std::string>, std::shared_ptr<BadSectorMap>> maps;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

std::shared_ptr<BadSectorMap> badSectorMapOf(const platform::DiskSystem& disks, const std::string& devicePath) {
    Registry& maps = registry();
    const std::lock_guard<std::mutex> lock(maps.mutex);
    std::shared_ptr<BadSectorMap>& map = maps.maps[{&disks, devicePath}];
    if (map == nullptr) map = std::make_shared<BadSectorMap>();
    return map;
}

void forgetBadSectors(const platform::DiskSystem& disks) {
    Registry& maps = registry();
    const std::lock_guard<std::mutex> lock(maps.mutex);
    std::erase_if(maps.maps, [&](const auto& entry) { return entry.first.first == &disks; });
}

}  // namespace quenzar::disk
