#include "recovery/mft_reader.h"

#include <algorithm>

namespace quenzar::recovery {

namespace {

// Reads the records [first, first + count) of a piece whose first byte lies at pieceOffset on the
// volume; a part that fails is read again in two halves until single records remain. Marks each
// record that never arrives in `unreadable` (indexes relative to the piece).
void readWithRetry(disk::DiskHandle& volume, std::uint64_t pieceOffset, std::span<std::uint8_t> piece,
                   std::size_t firstRecord, std::size_t recordCount, std::vector<std::uint8_t>& unreadable) {
    const std::size_t pieceBytes = recordCount * kMftRecordBytes;
    auto part = piece.subspan(firstRecord * kMftRecordBytes, pieceBytes);
    const disk::BulkReadReport report =
        disk::readBulk(volume, pieceOffset + firstRecord * kMftRecordBytes, part, pieceBytes);
    if (report.missing.empty()) return;
    if (recordCount == 1) {
        unreadable[firstRecord] = 1;
        return;
    }
    const std::size_t firstHalf = recordCount / 2;
    // Only the records that the missing ranges touch are read again.
    for (std::size_t half = 0; half < 2; ++half) {
        const std::size_t start = half == 0 ? firstRecord : firstRecord + firstHalf;
        const std::size_t count = half == 0 ? firstHalf : recordCount - firstHalf;
        const std::uint64_t startByte = (start - firstRecord) * std::uint64_t{kMftRecordBytes};
        const std::uint64_t endByte = startByte + count * std::uint64_t{kMftRecordBytes};
        const bool touched = std::any_of(report.missing.begin(), report.missing.end(), [&](const auto& gap) {
            return gap.firstByte < endByte && gap.firstByte + gap.byteCount > startByte;
        });
        if (touched) readWithRetry(volume, pieceOffset, piece, start, count, unreadable);
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
            readWithRetry(volume, pieceOffset, piece, 0, count, unreadable);
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
