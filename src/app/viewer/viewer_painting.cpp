#include "app/viewer/viewer_painting.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/wide_text.h"
#include "ntfs/file_record.h"
#include "ntfs/file_record_view.h"
#include "viewer/adjustment.h"
#include "viewer/hex_view.h"
#include "viewer/structure_views.h"
#include "viewer/viewer_model.h"

namespace quenzar::app {
namespace {

constexpr COLORREF kGrey = RGB(153, 153, 153);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGridBackground = RGB(204, 204, 204);
constexpr COLORREF kColumnBackground = RGB(240, 240, 240);

// One block of code page 1251 text from (x, y) to the client's right and bottom edges; the
// background is painted only when one is given.
void drawBlock(HDC dc, const RECT& client, int x, int y, std::string_view text, COLORREF colour,
               std::optional<COLORREF> background = std::nullopt) {
    SetTextColor(dc, colour);
    if (background) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, *background);
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    const std::wstring wide = wideFrom1251(text);
    RECT area{x, y, client.right, client.bottom};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area, DT_NOPREFIX);
}

// A block with a thin black frame around it, as the position panels stand on the hex screen.
void drawFramedBlock(HDC dc, const RECT& client, int x, int y, std::string_view text, COLORREF colour) {
    const std::wstring wide = wideFrom1251(text);
    RECT extent{x, y, client.right, client.bottom};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &extent, DT_NOPREFIX | DT_CALCRECT);
    drawBlock(dc, client, x, y, text, colour);
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x - 3, y - 2, extent.right + 3, extent.bottom + 2);
    SelectObject(dc, previousBrush);
}

void frame(HDC dc, int left, int top, int right, int bottom) {
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, previousBrush);
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// The working copy over the hex presentation: every changed byte in the adjustment colour in both
// columns, the active column framed, the cursor's cells framed and a half-typed byte's first digit.
void paintAdjustment(const AppState& state, HDC dc, const RECT& client) {
    const viewer::ViewerState& shown = state.viewer;
    const viewer::AdjustmentState& adjustment = state.viewerAdjustment;
    const COLORREF marked = viewer::kAdjustmentRed;
    for (int offset = 0; offset < static_cast<int>(viewer::kViewSectorBytes); ++offset) {
        if (!viewer::byteChanged(shown, offset)) continue;
        const std::uint8_t value = shown.editSector[static_cast<std::size_t>(offset)];
        const viewer::CellPosition hex = viewer::hexCellPosition(offset / 16, offset % 16);
        const viewer::CellPosition character = viewer::charCellPosition(offset / 16, offset % 16);
        constexpr char kDigits[] = "0123456789ABCDEF";
        const char cell[2] = {kDigits[value >> 4], kDigits[value & 0x0F]};
        drawBlock(dc, client, hex.x, hex.y, std::string_view(cell, 2), marked, kGridBackground);
        const char shownChar = viewer::displayChar(value, shown.codingMode);
        drawBlock(dc, client, character.x, character.y, std::string_view(&shownChar, 1), marked, kColumnBackground);
    }
    HPEN activePen = CreatePen(PS_SOLID, 2, marked);
    HGDIOBJ previousPen = SelectObject(dc, activePen);
    if (adjustment.charColumnActive) {
        frame(dc, 573, 25, 716, 540);
    } else {
        frame(dc, 225, 25, 565, 540);
    }
    SelectObject(dc, previousPen);
    DeleteObject(activePen);
    const viewer::CellPosition hex = viewer::hexCellPosition(adjustment.cursor / 16, adjustment.cursor % 16);
    const viewer::CellPosition character = viewer::charCellPosition(adjustment.cursor / 16, adjustment.cursor % 16);
    frame(dc, hex.x - 1, hex.y, hex.x + 18, hex.y + 16);
    frame(dc, character.x, character.y + 2, character.x + 7, character.y + 14);
    if (adjustment.pendingNibble) {
        drawBlock(dc, client, hex.x, hex.y, std::string_view(&adjustment.firstNibble, 1), marked, kGridBackground);
    }
}

void paintHex(const AppState& state, HDC dc, const RECT& client) {
    const viewer::ViewerState& shown = state.viewer;
    const text::Language language = state.texts.uiLanguage;
    drawBlock(dc, client, 235, 10, viewer::kHexColumnHeading, kGrey);
    // A sector larger than 512 bytes is shown a page at a time: the physical panel says which
    // page, the offsets beside the grid are the page's bytes in the sector, and a legend line
    // between the panels and the presentations names the keys that step the pages.
    const std::string part = viewer::sectorPartLine(shown, language);
    const std::string physical = part.empty() ? state.viewerPanels.physical : state.viewerPanels.physical + "\r\n" + part;
    drawFramedBlock(dc, client, 20, 10, physical, kGrey);
    drawFramedBlock(dc, client, 20, 114, state.viewerPanels.logical, kGrey);
    drawFramedBlock(dc, client, 20, 204, state.viewerPanels.virtualDisk, kGrey);
    drawBlock(dc, client, 20, 318, viewer::pageStepLegend(shown, language), kGrey);
    for (const viewer::LegendBlock& legend : viewer::hexLegends(shown.adjustmentOn)) {
        drawBlock(dc, client, legend.x, legend.y, legend.text, legend.colour);
    }
    drawBlock(dc, client, 200, 27, viewer::offsetColumn(std::size_t{shown.page} * viewer::kViewPageBytes), kGrey);
    viewer::HexText hexText = viewer::initialHexText();
    viewer::CharText charText = viewer::initialCharText();
    viewer::buildHexText(shown.shownPage(), hexText);
    viewer::buildCharText(shown.shownPage(), shown.codingMode, charText);
    drawBlock(dc, client, 227, 27, std::string_view(hexText.data(), hexText.size()), kBlack, kGridBackground);
    drawBlock(dc, client, 575, 27, std::string_view(charText.data(), charText.size()), kBlack, kColumnBackground);
    frame(dc, 225, 25, 565, 540);
    frame(dc, 573, 25, 716, 540);
    if (shown.adjustmentOn) paintAdjustment(state, dc, client);
}

// The FILE record that begins in the viewed sector (of 1,024 or 4,096 bytes, as its header gives
// its size; several records share a sector larger than they are, and the one of the page shown is
// taken), decoded from a copy so that the fixups never touch the viewer's own bytes.
void paintFileRecord(const AppState& state, HDC dc, const RECT& client) {
    const viewer::ViewerState& shown = state.viewer;
    std::array<std::uint8_t, ntfs::kLargeRecordSize> record{};
    const std::size_t offset = viewer::recordOffsetInSector(shown);
    std::copy_n(shown.viewBytes.begin() + static_cast<std::ptrdiff_t>(offset),
                std::min(record.size(), shown.viewBytes.size() - offset), record.begin());
    ntfs::FileRecordInfo info;
    ntfs::decodeFileRecord(record, info);
    const ntfs::FileRecordView view = ntfs::buildFileRecordView(info);
    if (!view.integrity.empty()) drawBlock(dc, client, 240, 430, view.integrity, kRed);
    drawBlock(dc, client, 60, 3, view.labels, kGrey);
    drawBlock(dc, client, 230, 3, view.values, kBlack);
    drawBlock(dc, client, 0, 269, view.longNameRest, kBlack);
    if (view.detail == ntfs::FileRecordDetail::None) return;
    const bool fragments = view.detail == ntfs::FileRecordDetail::Fragments;
    const int bottom = fragments ? 429 : 416;
    HBRUSH background = CreateSolidBrush(kGridBackground);
    const RECT area{59, 301, 670, bottom};
    FillRect(dc, &area, background);
    DeleteObject(background);
    drawBlock(dc, client, 60, 302, view.detailHeading, kGrey);
    drawBlock(dc, client, 60, fragments ? 334 : 318, view.detailBody, kBlack);
    frame(dc, 59, 301, 670, bottom);
    frame(dc, 57, 299, 672, bottom + 2);
    line(dc, 59, 317, 670, 317);
    if (!fragments) return;
    line(dc, 59, 333, 670, 333);
    for (const int x : {150, 304, 458, 615}) line(dc, x, 317, x, 333);
    for (const int x : {207, 362, 517}) line(dc, x, 317, x, 429);
}

// The panels and legends in grey, the structure's own blocks in black.
void paintStructure(const AppState& state, HDC dc, const RECT& client, viewer::Presentation presentation) {
    const viewer::PanelTexts& panels = state.viewerPanels;
    const std::string_view legends[] = {viewer::kPresentationLegend, viewer::kNavigationLegend,
                                        viewer::kAdjustmentOffLegend};
    const viewer::ViewerState& shown = state.viewer;
    const viewer::ViewBytes read = std::span(shown.viewBytes).first(viewer::viewerReadBytes(shown.sectorBytes));
    for (const viewer::TextBlock& block : viewer::structureBlocks(presentation, read, panels, shown.sectorBytes)) {
        bool framing = block.text == panels.physical || block.text == panels.logical || block.text == panels.virtualDisk;
        for (const std::string_view legend : legends) framing = framing || block.text == legend;
        drawBlock(dc, client, block.x, block.y, block.text, framing ? kGrey : kBlack);
    }
}

}  // namespace

void paintViewerScreen(const AppState& state, HDC dc, const RECT& client) {
    const auto presentation = static_cast<viewer::Presentation>(state.viewer.screenMode);
    switch (presentation) {
        case viewer::Presentation::FileRecord: paintFileRecord(state, dc, client); return;
        case viewer::Presentation::PartitionTable:
        case viewer::Presentation::NtfsBoot:
        case viewer::Presentation::FatBoot:
        case viewer::Presentation::Fat16Table:
        case viewer::Presentation::Fat32Table:
        case viewer::Presentation::FatDirectory: paintStructure(state, dc, client, presentation); return;
        case viewer::Presentation::Hex: break;
    }
    paintHex(state, dc, client);
}

}  // namespace quenzar::app
