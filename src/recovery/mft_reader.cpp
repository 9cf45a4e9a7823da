#include "recovery/mft_reader.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace quenzar::recovery {

namespace {

// A stretch of consecutive records: read from one place of the disk, or handed over as
// unreadable without a read (a sparse run, records no run holds).
struct Stretch {
    std::uint64_t firstIndex = 0;
    std::size_t count = 0;
    bool read = false;
    std::uint64_t byteOffset = 0;  // through the handle
    bool unmask = false;           // beyond the partition gap of a whole disk
};

// The stretches of records 0 to recordCount - 1, each read no larger than a piece.
std::vector<Stretch> planStretches(const MftSource& source, const std::vector<MftRun>& runs, std::uint32_t recordBytes,
                                   std::uint64_t recordCount, std::size_t pieceRecords) {
    std::vector<Stretch> plan;
    std::uint64_t next = 0;
    for (const MftRun& run : runs) {
        if (next >= recordCount) break;
        if (run.recordCount() == 0) continue;
        const std::uint64_t runEnd = std::min(run.lastRecord + 1, recordCount);
        if (next >= runEnd) continue;
        if (run.sparse) {
            plan.push_back({next, static_cast<std::size_t>(runEnd - next), false, 0, false});
            next = runEnd;
            continue;
        }
        const bool unmask = source.masks != nullptr && disk::startsBeyondMaskGap(source.baseByte + run.volumeByte);
        while (next < runEnd) {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(pieceRecords, runEnd - next));
            const std::uint64_t offset = source.baseByte + run.volumeByte + recordBytes * (next - run.firstRecord);
            plan.push_back({next, count, true, offset, unmask});
            next += count;
        }
    }
    if (next < recordCount) plan.push_back({next, static_cast<std::size_t>(recordCount - next), false, 0, false});
    return plan;
}

// One piece read: its bytes and which of its records lost a sector.
struct PieceBuffer {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> unreadable;
    bool full = false;
};

// Reads the pieces of the plan on a thread of its own, one piece ahead of the caller, into two
// buffers taken in turn: while the caller decodes one piece the next one is being read, so an
// analysis takes about as long as the longer of reading and decoding, not their sum.
class ReadAhead {
public:
    ReadAhead(disk::DiskHandle& volume, const MftSource& source, const std::vector<Stretch>& plan,
              std::uint32_t recordBytes, std::size_t pieceRecords)
        : volume_(volume), source_(source), plan_(plan), recordBytes_(recordBytes) {
        for (PieceBuffer& buffer : buffers_) buffer.bytes.resize(pieceRecords * recordBytes);
        thread_ = std::thread([this] { readAll(); });
    }
    ~ReadAhead() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The n-th piece read (counting read stretches only), once it is there.
    PieceBuffer& take(std::size_t n) {
        PieceBuffer& buffer = buffers_[n % buffers_.size()];
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return buffer.full || failure_; });
        if (failure_) std::rethrow_exception(failure_);
        return buffer;
    }
    // The caller is done with the piece: its buffer may take the next one.
    void release(PieceBuffer& buffer) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            buffer.full = false;
        }
        changed_.notify_all();
    }

private:
    void readAll() {
        try {
            std::size_t n = 0;
            for (const Stretch& stretch : plan_) {
                if (!stretch.read) continue;
                PieceBuffer& buffer = buffers_[n++ % buffers_.size()];
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return !buffer.full || cancelled_; });
                    if (cancelled_) return;
                }
                readPiece(stretch, buffer);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    buffer.full = true;
                }
                changed_.notify_all();
            }
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                failure_ = std::current_exception();
            }
            changed_.notify_all();
        }
    }

    // Keeps every sector that can be read (disk::readSalvaging) and marks each record that lost
    // a sector.
    void readPiece(const Stretch& stretch, PieceBuffer& buffer) {
        const auto piece = std::span<std::uint8_t>(buffer.bytes).first(stretch.count * recordBytes_);
        buffer.unreadable.assign(stretch.count, 0);
        const disk::BulkReadReport report = disk::readSalvaging(volume_, stretch.byteOffset, piece, piece.size());
        for (const disk::MissingRange& gap : report.missing) {
            const std::uint64_t last = (gap.firstByte + gap.byteCount - 1) / recordBytes_;
            for (std::uint64_t record = gap.firstByte / recordBytes_; record <= last; ++record) {
                buffer.unreadable[static_cast<std::size_t>(record)] = 1;
            }
        }
        if (stretch.unmask) disk::ApplySectorMask(*source_.masks, piece, source_.diskNumber);
    }

    disk::DiskHandle& volume_;
    const MftSource& source_;
    const std::vector<Stretch>& plan_;
    std::uint32_t recordBytes_;
    std::array<PieceBuffer, 2> buffers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace

MftReadReport readMftRecords(disk::DiskHandle& volume, const MftSource& source, const std::vector<MftRun>& runs,
                             std::uint32_t recordBytes, std::uint64_t recordCount, const MftRecordVisitor& visit,
                             std::size_t pieceMaxBytes) {
    MftReadReport report;
    if (recordBytes == 0) return report;
    const std::size_t pieceRecords =
        std::max<std::size_t>(1, std::min(pieceMaxBytes, disk::kBulkPieceMaxBytes) / recordBytes);
    const std::vector<Stretch> plan = planStretches(source, runs, recordBytes, recordCount, pieceRecords);

    // The reader stops and is waited for when this returns, also when a visit throws.
    ReadAhead reader(volume, source, plan, recordBytes, pieceRecords);
    std::size_t piecesTaken = 0;
    for (const Stretch& stretch : plan) {
        if (!stretch.read) {
            for (std::size_t k = 0; k < stretch.count; ++k) {
                ++report.unreadableRecords;
                ++report.recordsVisited;
                visit(stretch.firstIndex + k, {});
            }
            continue;
        }
        PieceBuffer& piece = reader.take(piecesTaken++);
        for (std::size_t k = 0; k < stretch.count; ++k) {
            ++report.recordsVisited;
            if (piece.unreadable[k]) {
                ++report.unreadableRecords;
                visit(stretch.firstIndex + k, {});
            } else {
                visit(stretch.firstIndex + k, std::span<std::uint8_t>(piece.bytes).subspan(k * recordBytes, recordBytes));
            }
        }
        reader.release(piece);
    }
    return report;
}

}  // namespace quenzar::recovery
