#include "recovery/mft_reader.h"

#include <algorithm>

namespace quenzar::recovery {

namespace {

// Reads the records of a piece whose first byte lies at pieceOffset, keeping every sector that
// can be read (disk::readSalvaging); marks each record that lost a sector in `unreadable`.
void readPiece(disk::DiskHandle& volume, std::uint64_t pieceOffset, std::span<std::uint8_t> piece,
               std::vector<std::uint8_t>& unreadable) {
    const disk::BulkReadReport report = disk::readSalvaging(volume, pieceOffset, piece, piece.size());
    for (const disk::MissingRange& gap : report.missing) {
        const std::uint64_t last = (gap.firstByte + gap.byteCount - 1) / kMftRecordBytes;
        for (std::uint64_t record = gap.firstByte / kMftRecordBytes; record <= last; ++record) {
            unreadable[static_cast<std::size_t>(record)] = 1;
        }
    }
}

}  // namespace

MftReadReport readMftRecords(disk::DiskHandle& volume, const MftSource& source, const std::vector<MftRun>& runs,
                             std::uint64_t recordCount, const MftRecordVisitor& visit,
                             std::size_t pieceMaxBytes) {
    MftReadReport report;
    const std::size_t piecesRecords =
        std::max<std::size_t>(1, std::min(pieceMaxBytes, disk::kBulkPieceMaxBytes) / kMftRecordBytes);
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint8_t> unreadable;

    auto visitUnreadable = [&](std::uint64_t index) {
        ++report.unreadableRecords;
        ++report.recordsVisited;
        visit(index, {});
    };

    std::uint64_t next = 0;  // the next record index to hand over
    for (const MftRun& run : runs) {
        if (next >= recordCount) break;
        if (run.recordCount() == 0) continue;
        const std::uint64_t runEnd = std::min(run.lastRecord + 1, recordCount);
        if (run.sparse) {
            while (next < runEnd) visitUnreadable(next++);
            continue;
        }
        while (next < runEnd) {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(piecesRecords, runEnd - next));
            buffer.resize(std::max(buffer.size(), count * kMftRecordBytes));
            unreadable.assign(count, 0);
            const std::uint64_t pieceOffset =
                (source.baseSector + run.volumeSector + kSectorsPerRecord * (next - run.firstRecord)) *
                disk::kSystemSectorSize;
            auto piece = std::span<std::uint8_t>(buffer).first(count * kMftRecordBytes);
            readPiece(volume, pieceOffset, piece, unreadable);
            if (source.masks != nullptr &&
                disk::startsBeyondMaskGap((source.baseSector + run.volumeSector) * disk::kSystemSectorSize)) {
                disk::ApplySectorMask(*source.masks, piece, source.diskNumber);
            }
            for (std::size_t k = 0; k < count; ++k, ++next) {
                if (unreadable[k]) {
                    visitUnreadable(next);
                } else {
                    ++report.recordsVisited;
                    visit(next, piece.subspan(k * kMftRecordBytes, kMftRecordBytes));
                }
            }
        }
    }
    while (next < recordCount) visitUnreadable(next++);
    return report;
}

}  // namespace quenzar::recovery
