// How far a long step over the file table (placing the folders, marking a subtree) has come,
// written by the worker that runs it and read by a progress dialog on the window thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace quenzar::recovery {

struct StepProgress {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};  // 0 until the step knows its size

    void start(std::uint64_t size) {
        done.store(0);
        total.store(size);
    }
    // The share done in percent; nothing while nothing is done yet or the size is unknown.
    int percent() const {
        const std::uint64_t size = total.load();
        const std::uint64_t reached = done.load();
        if (reached == 0 || size == 0) return -1;
        return static_cast<int>((reached >= size ? size : reached) * 100 / size);
    }
};

// A worker raises the count only once per this many entries, to keep the shared counter cheap.
inline constexpr std::uint64_t kStepProgressStride = 4096;

}  // namespace quenzar::recovery
