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
