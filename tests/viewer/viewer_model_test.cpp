// The viewer's position, range and saved position through sector, cluster and record entry, the
// keys, and the legends of the hex presentation.
#include <gtest/gtest.h>

#include <cstring>

#include "viewer/structure_views.h"
#include "viewer/viewer_model.h"

namespace quenzar::viewer {
namespace {

disk::LogicalDriveInfo volumeWithLabel(const char* label) {
    disk::LogicalDriveInfo drive;
    std::memcpy(drive.fileSystemLabel.data(), label, 6);
    drive.startLba = 2048;
    drive.endLba = 2048 + 40960;
    drive.sectorsPerCluster = 8;
    drive.reservedSectors = 32;
    drive.sectorsPerFat = 1000;
    drive.rootEntries = 512;
    return drive;
}

TEST(ViewerModel, ChsOfLba) {
    struct Case {
        std::uint64_t lba;
        std::uint32_t sectorsPerTrack, heads;
        disk::ChsAddress chs;
    };
    const Case cases[] = {
        {0, 63, 255, {0, 0, 1}},
        {16'065, 63, 255, {1, 0, 1}},
        {16'064, 63, 255, {0, 254, 63}},
        {1'000'000, 32, 16, {1953, 2, 1}},
        {123, 0, 255, {0, 0, 0}},  // unknown geometry
        {123, 63, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(viewerChs(c.lba, c.sectorsPerTrack, c.heads), c.chs) << c.lba;
}

TEST(ViewerModel, CancelledNavigationRestoresTheFiveSavedValues) {
    ViewerState state;
    ASSERT_TRUE(finishSectorView(state, ViewKind::Sector,
                                 NavigationChoice{20'000, '1', 2048, 42'000, true, false, 8}, 63, 255));
    state.viewBytes[0] = 0x5A;
    const ViewerPosition shown = state.position;
    const ViewerRange range = state.range;

    // A second navigation is opened and cancelled: the previous sector stays, nothing is read.
    const disk::LogicalDriveInfo ntfs = volumeWithLabel("  NTFS");
    beginSectorView(state, ViewKind::Cluster, &ntfs);
    EXPECT_EQ(state.saved, (SavedPosition{shown.chs, 20'000, '1'}));
    state.position.lba = 99;  // what a dialog might have left behind
    state.position.diskDigit = '3';
    state.position.chs = {7, 7, 7};
    EXPECT_FALSE(finishSectorView(state, ViewKind::Cluster, std::nullopt, 63, 255));
    EXPECT_EQ(state.position.lba, shown.lba);
    EXPECT_EQ(state.position.diskDigit, shown.diskDigit);
    EXPECT_EQ(state.position.chs, shown.chs);
    EXPECT_EQ(state.position.lbaText, "        20000");
    EXPECT_EQ(state.range, range);
    EXPECT_EQ(state.viewBytes[0], 0x5A);
    EXPECT_EQ(state.viewSource, kViewSourceCluster);
    EXPECT_EQ(state.screenMode, 'H');
}

TEST(ViewerModel, AcceptedNavigationTakesVolumeRangeAndPosition) {
    struct Case {
        ViewKind kind;
        bool ntfs;
        std::uint64_t upper;
    };
    // The range ends at the volume's last sector, except for cluster navigation on NTFS, which
    // keeps the end LBA itself.
    const Case cases[] = {{ViewKind::Sector, true, 42'999}, {ViewKind::Cluster, true, 43'000},
                          {ViewKind::Sector, false, 42'999}, {ViewKind::Cluster, false, 42'999}};
    for (const Case& c : cases) {
        ViewerState state;
        state.adjustmentOn = true;
        ASSERT_TRUE(finishSectorView(state, c.kind, NavigationChoice{16'065, '2', 2048, 43'000, c.ntfs, false, 8}, 63,
                                     255));
        EXPECT_EQ(state.range, (ViewerRange{2048, c.upper})) << c.ntfs;
        EXPECT_EQ(state.position.diskDigit, '2');
        EXPECT_EQ(state.position.chs, (disk::ChsAddress{1, 0, 1}));
        EXPECT_EQ(state.position.lbaText, "        16065");
        EXPECT_FALSE(state.adjustmentOn);
        EXPECT_EQ(state.screenMode, 'H');
    }
}

TEST(ViewerModel, VolumeContextForTheDialog) {
    const disk::LogicalDriveInfo ntfs = volumeWithLabel("  NTFS");
    const disk::LogicalDriveInfo fat32 = volumeWithLabel("FAT-32");
    const disk::LogicalDriveInfo fat16 = volumeWithLabel("FAT-16");
    struct Case {
        ViewKind kind;
        const disk::LogicalDriveInfo* volume;
        const char* context;
        std::string_view source;
    };
    const Case cases[] = {
        {ViewKind::Cluster, &ntfs, "NTFS", kViewSourceCluster}, {ViewKind::Sector, &ntfs, "FAT1", kViewSourceSector},
        {ViewKind::Sector, &fat32, "FAT2", kViewSourceSector},  {ViewKind::Cluster, &fat16, "FAT1", kViewSourceCluster},
        {ViewKind::Sector, nullptr, "FAT1", kViewSourceSector},
    };
    for (const Case& c : cases) {
        ViewerState state;
        const VolumeContext context = beginSectorView(state, c.kind, c.volume);
        EXPECT_EQ(context.kind, c.context);
        EXPECT_EQ(state.viewSource, c.source);
        EXPECT_EQ(context.volumeStart, c.volume ? 2048u : 0u);
        EXPECT_EQ(context.sectorsPerFat, c.volume && context.kind != "NTFS" ? 1000u : 0u);
    }
}

TEST(ViewerModel, RecordViewPositionsAtTheRecord) {
    ViewerState state;
    setPosition(state, '0', 500, 63, 255);
    ASSERT_TRUE(enterRecordView(state, 2048 + 32 + 2 * 73, '1', 63, 255));
    EXPECT_EQ(state.position.lba, 2226u);
    EXPECT_EQ(state.position.diskDigit, '1');
    EXPECT_EQ(state.saved.lba, 500u);
    EXPECT_EQ(state.viewSource, kViewSourceRecord);
    EXPECT_EQ(state.screenMode, 'M');

    // No $MFT table: nothing to read, the position stays.
    EXPECT_FALSE(enterRecordView(state, std::nullopt, '1', 63, 255));
    EXPECT_EQ(state.position.lba, 2226u);
}

TEST(ViewerModel, KeysStepWithinTheRangeAndChoosePresentations) {
    ViewerState state;
    ASSERT_TRUE(finishSectorView(state, ViewKind::Sector, NavigationChoice{1000, '0', 1000, 1020, false, true, 8},
                                 63, 255));
    struct Step {
        ViewerKey key;
        std::uint64_t lba;
        bool moved;
    };
    const Step steps[] = {
        {ViewerKey::Up, 1000, false},      {ViewerKey::Down, 1001, true},    {ViewerKey::PageDown, 1009, true},
        {ViewerKey::PageDown, 1017, true}, {ViewerKey::PageDown, 1019, true}, {ViewerKey::Down, 1019, false},
        {ViewerKey::PageUp, 1011, true},   {ViewerKey::Home, 1000, true},    {ViewerKey::PageUp, 1000, false},
        {ViewerKey::End, 1019, true},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(applyViewerKey(state, step.key, 63, 255), step.moved) << step.lba;
        EXPECT_EQ(state.position.lba, step.lba);
    }
    EXPECT_EQ(state.position.chs, viewerChs(1019, 63, 255));

    const std::pair<ViewerKey, char> presentations[] = {
        {ViewerKey::F2, 'H'}, {ViewerKey::F3, 'M'}, {ViewerKey::F4, 'D'}, {ViewerKey::F5, 'F'},
        {ViewerKey::F6, 'B'}, {ViewerKey::F7, 'P'}, {ViewerKey::F8, 'N'},
    };
    for (const auto& [key, mode] : presentations) {
        EXPECT_FALSE(applyViewerKey(state, key, 63, 255));
        EXPECT_EQ(state.screenMode, mode);
    }
    state.fat32Volume = false;
    applyViewerKey(state, ViewerKey::F5, 63, 255);
    EXPECT_EQ(state.screenMode, 'f');
    EXPECT_EQ(state.position.lba, 1019u);
}

// A 4,096-byte sector is shown in eight pages of 512 bytes: in the hex presentation Up and Down
// step through them and on into the sectors around it, so that every byte is reached in order;
// the cluster and end keys step sectors and show a sector's first page.
TEST(ViewerModel, HexPagesOfALargeSectorAreSteppedInOrder) {
    ViewerState state;
    ASSERT_TRUE(finishSectorView(state, ViewKind::Cluster, NavigationChoice{300, '0', 256, 10'496, true, false, 1},
                                 63, 255));
    state.sectorBytes = 4096;
    struct Step {
        ViewerKey key;
        std::uint64_t lba;
        std::uint32_t page;
        bool read;  // a new sector is to be read
    };
    const Step steps[] = {
        {ViewerKey::Down, 300, 1, false}, {ViewerKey::Down, 300, 2, false}, {ViewerKey::Up, 300, 1, false},
        {ViewerKey::Up, 300, 0, false},   {ViewerKey::Up, 299, 7, true},    {ViewerKey::Down, 300, 0, true},
        {ViewerKey::PageDown, 301, 0, true}, {ViewerKey::Home, 256, 0, true}, {ViewerKey::Up, 256, 0, false},
        {ViewerKey::End, 10'496, 0, true},  {ViewerKey::Down, 10'496, 1, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "to LBA " << step.lba << " page " << step.page);
        EXPECT_EQ(applyViewerKey(state, step.key, 63, 255), step.read);
        EXPECT_EQ(state.position.lba, step.lba);
        EXPECT_EQ(state.page, step.page);
    }
    // The last sector's pages go on to its end; past that nothing moves.
    for (int i = 0; i < 10; ++i) applyViewerKey(state, ViewerKey::Down, 63, 255);
    EXPECT_EQ(state.position.lba, 10'496u);
    EXPECT_EQ(state.page, 7u);

    // The page shown is the one the hex grid and the adjustment take.
    state.viewBytes[7 * 512] = 0xA7;
    EXPECT_EQ(state.shownPage()[0], 0xA7);
    EXPECT_EQ(state.shownPage().data(), state.viewBytes.data() + 7 * 512);

    // The other presentations present a sector whole: Up and Down step sectors.
    applyViewerKey(state, ViewerKey::F8, 63, 255);
    EXPECT_TRUE(applyViewerKey(state, ViewerKey::Up, 63, 255));
    EXPECT_EQ(state.position.lba, 10'495u);
    EXPECT_EQ(state.page, 0u);

    // A disk of 512-byte sectors has one page a sector: Up and Down step sectors as ever.
    ViewerState small;
    ASSERT_TRUE(finishSectorView(small, ViewKind::Sector, NavigationChoice{1000, '0', 1000, 1020, false, true, 8},
                                 63, 255));
    EXPECT_EQ(small.pageCount(), 1u);
    EXPECT_TRUE(applyViewerKey(small, ViewerKey::Down, 63, 255));
    EXPECT_EQ(small.position.lba, 1001u);
    EXPECT_TRUE(applyViewerKey(small, ViewerKey::Up, 63, 255));
    EXPECT_EQ(small.page, 0u);
}

TEST(ViewerModel, PartLineAndPageLegendOfALargeSector) {
    ViewerState state;
    EXPECT_EQ(sectorPartLine(state, text::Language::English), "");
    EXPECT_EQ(pageStepLegend(state, text::Language::Russian), "");
    state.sectorBytes = 4096;
    state.page = 2;
    EXPECT_EQ(sectorPartLine(state, text::Language::English), "Part 3/8 of 4096 bytes ");
    EXPECT_EQ(sectorPartLine(state, text::Language::Russian), "Часть 3/8 из 4096 байт ");
    EXPECT_EQ(pageStepLegend(state, text::Language::English), "<Up> <Down>   512 bytes");
    EXPECT_EQ(pageStepLegend(state, text::Language::Russian), "<Up> <Down> по 512 байт");
    state.sectorBytes = 1024;
    state.page = 1;
    EXPECT_EQ(sectorPartLine(state, text::Language::English), "Part 2/2 of 1024 bytes ");
}

TEST(ViewerModel, ReadSizesOfEachSectorSize) {
    struct Case {
        std::uint32_t diskSectorBytes;
        std::uint32_t viewed;
        std::size_t read;
    };
    // Four sectors, and never less than a FILE record of 4,096 bytes; a size no disk has is read as 512.
    const Case cases[] = {{512, 512, 4096}, {1024, 1024, 4096}, {2048, 2048, 8192}, {4096, 4096, 16'384},
                          {0, 512, 4096},   {8192, 512, 4096},  {520, 512, 4096}};
    for (const Case& c : cases) {
        EXPECT_EQ(viewerSectorBytes(c.diskSectorBytes), c.viewed) << c.diskSectorBytes;
        EXPECT_EQ(viewerReadBytes(c.diskSectorBytes), c.read) << c.diskSectorBytes;
        EXPECT_LE(viewerReadBytes(c.diskSectorBytes), kViewerReadMaxBytes);
    }
}

// Where a FILE record begins in its sector: records smaller than the disk's sectors share one.
TEST(ViewerModel, RecordPagesAndOffsetsInASector) {
    struct Case {
        std::uint64_t record;
        std::uint32_t recordBytes, sectorBytes, page;
    };
    const Case cases[] = {
        {5, 1024, 512, 0}, {5, 4096, 512, 0}, {5, 4096, 4096, 0},
        {4, 1024, 4096, 0}, {5, 1024, 4096, 2}, {7, 1024, 4096, 6}, {3, 2048, 4096, 4}, {5, 0, 4096, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recordPage(c.record, c.recordBytes, c.sectorBytes), c.page)
            << c.record << " " << c.recordBytes << " " << c.sectorBytes;
    }

    // The record presentation decodes the record of the page shown.
    const auto fileRecordOf = [](std::uint32_t recordBytes) {
        ViewerState state;
        state.sectorBytes = 4096;
        for (std::size_t at = 0; at < 4096; at += recordBytes) {
            std::memcpy(state.viewBytes.data() + at, "FILE", 4);
            state.viewBytes[at + 0x1C] = static_cast<std::uint8_t>(recordBytes);
            state.viewBytes[at + 0x1D] = static_cast<std::uint8_t>(recordBytes >> 8);
        }
        return state;
    };
    ViewerState small = fileRecordOf(1024);
    small.page = 5;
    EXPECT_EQ(recordOffsetInSector(small), 2048u);
    small.page = 1;
    EXPECT_EQ(recordOffsetInSector(small), 0u);
    ViewerState whole = fileRecordOf(4096);
    whole.page = 5;
    EXPECT_EQ(recordOffsetInSector(whole), 0u);
    // A sector that does not begin with a FILE record is decoded from its start.
    ViewerState other;
    other.sectorBytes = 4096;
    other.page = 3;
    EXPECT_EQ(recordOffsetInSector(other), 0u);
}

TEST(ViewerModel, RecordViewOnAPageOfItsSector) {
    ViewerState state;
    state.page = 4;
    ASSERT_TRUE(enterRecordView(state, 300, '1', 63, 255, 2));
    EXPECT_EQ(state.page, 2u);
    ASSERT_TRUE(enterRecordView(state, 301, '1', 63, 255));
    EXPECT_EQ(state.page, 0u);
}

TEST(ViewerModel, HexLegends) {
    EXPECT_EQ(hexLegends(false), (std::vector<LegendBlock>{{20, 350, kPresentationLegend, 0x999999},
                                                           {20, 500, "Correct             F9 ", 0x999999}}));
    EXPECT_EQ(hexLegends(true),
              (std::vector<LegendBlock>{{20, 350, kPresentationLegend, 0x999999},
                                        {20, 485, "ADJUSTMENT ON          ", 0xFF0033},
                                        {20, 500, "View Hex/Sym     <Tab> \r\nCancel           <Esc> \r\nSave               F12 ",
                                         0xFF0033}}));
    EXPECT_EQ(kPresentationLegend,
              "FORM  OF PRESENTATION: \r\nHex                 F2 \r\nFILE Record         F3 \r\nDIR FAT             F4 "
              "\r\nTable FAT           F5 \r\nBOOT FAT            F6 \r\nTable partitioning  F7 \r\nBOOT NTFS           F8 ");
}

}  // namespace
}  // namespace quenzar::viewer
