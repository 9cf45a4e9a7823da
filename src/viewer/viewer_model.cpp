#include "viewer/viewer_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ntfs/file_record.h"
#include "text/number_texts.h"
#include "viewer/structure_views.h"

namespace quenzar::viewer {

using text::decimal13;

namespace {

constexpr text::TextPair kSectorPart{"Часть %u/%u из %u байт", "Part %u/%u of %u bytes"};
constexpr text::TextPair kPageStepLegend{"<Up> <Down> по 512 байт", "<Up> <Down>   512 bytes"};
// Panel and legend lines are 23 characters wide.
constexpr std::size_t kLineChars = 23;

bool pagedPresentation(const ViewerState& state) {
    return state.screenMode == static_cast<char>(Presentation::Hex) && state.pageCount() > 1;
}

}  // namespace

std::uint32_t viewerSectorBytes(std::uint32_t diskSectorBytes) {
    switch (diskSectorBytes) {
        case 1024:
        case 2048:
        case kLargestSectorBytes: return diskSectorBytes;
        default: return kViewPageBytes;
    }
}

std::size_t viewerReadBytes(std::uint32_t sectorBytes) {
    return std::max<std::size_t>(kViewerReadSectors * viewerSectorBytes(sectorBytes), ntfs::kLargeRecordSize);
}

disk::ChsAddress viewerChs(std::uint64_t lba, std::uint32_t sectorsPerTrack, std::uint32_t heads) {
    if (sectorsPerTrack == 0 || heads == 0) return {0, 0, 0};
    const std::uint64_t track = lba / sectorsPerTrack;
    return {static_cast<std::uint32_t>(track / heads), static_cast<std::uint32_t>(track % heads),
            static_cast<std::uint32_t>(lba % sectorsPerTrack + 1)};
}

void setPosition(ViewerState& state, char diskDigit, std::uint64_t lba, std::uint32_t sectorsPerTrack,
                 std::uint32_t heads) {
    state.position.diskDigit = diskDigit;
    state.position.lba = lba;
    state.position.chs = viewerChs(lba, sectorsPerTrack, heads);
    state.position.lbaText.assign(13, ' ');
    decimal13(lba, state.position.lbaText.data());
}

void savePosition(ViewerState& state) {
    state.saved = {state.position.chs, state.position.lba, state.position.diskDigit};
}

void restorePosition(ViewerState& state) {
    state.position.chs = state.saved.chs;
    state.position.lba = state.saved.lba;
    state.position.diskDigit = state.saved.diskDigit;
    state.position.lbaText.assign(13, ' ');
    decimal13(state.saved.lba, state.position.lbaText.data());
}

VolumeContext beginSectorView(ViewerState& state, ViewKind kind, const disk::LogicalDriveInfo* currentVolume) {
    state.viewSource = kind == ViewKind::Sector ? kViewSourceSector : kViewSourceCluster;
    savePosition(state);
    VolumeContext context;
    const disk::FileSystem fileSystem = currentVolume != nullptr ? currentVolume->fileSystem() : disk::FileSystem::Unknown;
    if (kind == ViewKind::Cluster && fileSystem == disk::FileSystem::Ntfs) {
        context.kind = "NTFS";
    } else {
        context.kind = fileSystem == disk::FileSystem::Fat32 ? "FAT2" : "FAT1";
    }
    if (currentVolume != nullptr) {
        context.volumeStart = currentVolume->startLba;
        context.sectorsPerCluster = currentVolume->sectorsPerCluster;
        if (context.kind != "NTFS") {
            context.reservedSectors = currentVolume->reservedSectors;
            context.sectorsPerFat = currentVolume->sectorsPerFat;
            context.rootEntries = currentVolume->rootEntries;
        }
    }
    return context;
}

bool finishSectorView(ViewerState& state, ViewKind kind, const std::optional<NavigationChoice>& choice,
                      std::uint32_t sectorsPerTrack, std::uint32_t heads) {
    state.screenMode = static_cast<char>(Presentation::Hex);
    if (!choice) {
        restorePosition(state);
        return false;
    }
    state.range.lower = choice->volumeStart;
    const bool wholeEnd = kind == ViewKind::Cluster && choice->ntfs;
    state.range.upper = wholeEnd || choice->volumeEnd == 0 ? choice->volumeEnd : choice->volumeEnd - 1;
    state.sectorsPerCluster = std::max<std::uint32_t>(choice->sectorsPerCluster, 1);
    state.fat32Volume = choice->fat32;
    setPosition(state, choice->diskDigit, choice->lba, sectorsPerTrack, heads);
    state.page = 0;
    state.adjustmentOn = false;
    return true;
}

bool enterRecordView(ViewerState& state, std::optional<std::uint64_t> recordLba, char diskDigit,
                     std::uint32_t sectorsPerTrack, std::uint32_t heads, std::uint32_t page) {
    savePosition(state);
    if (!recordLba) return false;
    state.viewSource = kViewSourceRecord;
    setPosition(state, diskDigit, *recordLba, sectorsPerTrack, heads);
    state.page = page;
    state.adjustmentOn = false;
    state.screenMode = static_cast<char>(Presentation::FileRecord);
    return true;
}

bool applyViewerKey(ViewerState& state, ViewerKey key, std::uint32_t sectorsPerTrack, std::uint32_t heads) {
    const auto show = [&](Presentation presentation) {
        state.screenMode = static_cast<char>(presentation);
        return false;
    };
    const std::uint64_t lba = state.position.lba;
    const ViewerRange& range = state.range;
    // A page step within the sector moves nothing to be read, inside the range or not.
    const bool paged = pagedPresentation(state);
    if (paged && key == ViewerKey::Up && state.page > 0) {
        --state.page;
        return false;
    }
    if (paged && key == ViewerKey::Down && state.page + 1 < state.pageCount()) {
        ++state.page;
        return false;
    }
    std::uint64_t target = lba;
    switch (key) {
        case ViewerKey::F2: return show(Presentation::Hex);
        case ViewerKey::F3: return show(Presentation::FileRecord);
        case ViewerKey::F4: return show(Presentation::FatDirectory);
        case ViewerKey::F5: return show(state.fat32Volume ? Presentation::Fat32Table : Presentation::Fat16Table);
        case ViewerKey::F6: return show(Presentation::FatBoot);
        case ViewerKey::F7: return show(Presentation::PartitionTable);
        case ViewerKey::F8: return show(Presentation::NtfsBoot);
        case ViewerKey::Up: target = lba > range.lower ? lba - 1 : lba; break;
        case ViewerKey::Down: target = lba < range.upper ? lba + 1 : lba; break;
        case ViewerKey::PageUp:
            target = lba - range.lower > state.sectorsPerCluster ? lba - state.sectorsPerCluster : range.lower;
            break;
        case ViewerKey::PageDown:
            target = range.upper - lba > state.sectorsPerCluster ? lba + state.sectorsPerCluster : range.upper;
            break;
        case ViewerKey::Home: target = range.lower; break;
        case ViewerKey::End: target = range.upper; break;
    }
    // A position outside the range (a record view, which sets none) is not pulled into it by a
    // step that cannot move.
    if (lba < range.lower || lba > range.upper) {
        if (key != ViewerKey::Home && key != ViewerKey::End) return false;
    }
    if (target == lba) return false;
    setPosition(state, state.position.diskDigit, target, sectorsPerTrack, heads);
    // Up on a sector's first page goes on at the last page of the sector before it.
    state.page = paged && key == ViewerKey::Up ? state.pageCount() - 1 : 0;
    return true;
}

std::uint32_t recordPage(std::uint64_t recordNumber, std::uint32_t recordBytes, std::uint32_t sectorBytes) {
    if (recordBytes == 0 || recordBytes >= sectorBytes) return 0;
    return static_cast<std::uint32_t>(recordNumber * recordBytes % sectorBytes / kViewPageBytes);
}

std::size_t recordOffsetInSector(const ViewerState& state) {
    const std::uint32_t recordBytes = ntfs::fileRecordSizeOf(state.viewedSector());
    if (recordBytes == 0 || recordBytes >= state.sectorBytes) return 0;
    const std::size_t shownByte = std::size_t{state.page} * kViewPageBytes;
    return shownByte - shownByte % recordBytes;
}

std::string sectorPartLine(const ViewerState& state, text::Language language) {
    if (state.pageCount() <= 1) return {};
    char line[64];
    std::snprintf(line, sizeof line, kSectorPart.in(language).data(), state.page + 1, state.pageCount(),
                  state.sectorBytes);
    std::string text(line);
    text.resize(std::max(text.size(), kLineChars), ' ');
    return text;
}

std::string_view pageStepLegend(const ViewerState& state, text::Language language) {
    return state.pageCount() <= 1 ? std::string_view() : kPageStepLegend.in(language);
}

std::vector<LegendBlock> hexLegends(bool adjustmentOn) {
    std::vector<LegendBlock> blocks{{20, 350, kPresentationLegend, kLegendGrey}};
    if (adjustmentOn) {
        blocks.push_back({20, 485, kAdjustmentOnHeading, kAdjustmentRed});
        blocks.push_back({20, 500, kAdjustmentOnLegend, kAdjustmentRed});
    } else {
        blocks.push_back({20, 500, kAdjustmentOffLegend, kLegendGrey});
    }
    return blocks;
}

}  // namespace quenzar::viewer
