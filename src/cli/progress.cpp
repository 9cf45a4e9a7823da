#include "cli/progress.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <future>

#include "cli/command_texts.h"
#include "cli/terminal.h"
#include "recovery/analysis_texts.h"

namespace quenzar::cli {

namespace {

// Written by the signal handler, read by the progress loops: a lock-free atomic, as a handler
// may touch.
std::atomic<int> stopSignal{0};
// The stop request of the worker running now: the handler raises it at once, so the worker stops
// at its next piece rather than at the progress loop's next tick.
std::atomic<std::atomic<bool>*> stopTarget{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void noteStopSignal(int signalNumber) {
    stopSignal.store(signalNumber);
    if (std::atomic<bool>* target = stopTarget.load()) target->store(true);
}

// Hands stop signals to one worker's stop request while it runs; one that came before it started
// stops it at once.
class StopTarget {
public:
    explicit StopTarget(std::atomic<bool>& stopRequested) {
        stopTarget.store(&stopRequested);
        if (stopSignalled()) stopRequested.store(true);
    }
    ~StopTarget() { stopTarget.store(nullptr); }
    StopTarget(const StopTarget&) = delete;
    StopTarget& operator=(const StopTarget&) = delete;
};

constexpr auto kTick = std::chrono::milliseconds(200);

// "12.3 MB": bytes in the largest unit that keeps a number of at least 1, one decimal.
std::string bytesText(std::uint64_t bytes, text::Language language) {
    static constexpr text::TextPair kUnits[] = {{"Б", "B"}, {"КБ", "KB"}, {"МБ", "MB"}, {"ГБ", "GB"}, {"ТБ", "TB"}};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < std::size(kUnits)) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f " : "%.1f ", value);
    return text + textIn(language, kUnits[unit]);
}

// "1:02:03", "2:03".
std::string durationText(std::uint64_t seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(seconds / 60), static_cast<unsigned>(seconds % 60));
    }
    return text;
}

// The time left at the speed so far; empty while nothing is done or the speed is not yet known.
std::string timeLeftText(std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMs, text::Language language) {
    if (done == 0 || elapsedMs < 1000 || done >= total) return {};
    const double leftMs =
        static_cast<double>(total - done) * static_cast<double>(elapsedMs) / static_cast<double>(done);
    char text[64];
    std::snprintf(text, sizeof text, textIn(language, texts::kTimeLeft).c_str(), durationText(static_cast<std::uint64_t>(leftMs / 1000) + 1).c_str());
    return text;
}

}  // namespace

StopSignals::StopSignals() {
    stopSignal.store(0);
    std::signal(SIGINT, noteStopSignal);
    std::signal(SIGTERM, noteStopSignal);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool stopSignalled() { return stopSignal.load() != 0; }

int stoppedExitCode() { return 128 + stopSignal.load(); }

ProgressLine::ProgressLine(text::Language language)
    : language_(language), enabled_(stderrIsTerminal()), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { end(); }

std::uint64_t ProgressLine::elapsedMs() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
}

void ProgressLine::show(const std::string& text) {
    if (!enabled_) return;
    // Back to the line's start, the text, the rest of the line cleared.
    std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::end() {
    if (!shown_) return;
    std::fputc('\n', stderr);
    std::fflush(stderr);
    shown_ = false;
}

void ProgressLine::showAnalysis(const recovery::AnalysisProgress& progress) {
    const recovery::AnalysisStage stage = progress.stage.load();
    if (stage != recovery::AnalysisStage::Extraction && stage != recovery::AnalysisStage::Tree) return;
    const std::uint64_t position = progress.position.load();
    const std::uint64_t maximum = progress.maximum.load();
    const std::uint64_t elapsed = elapsedMs();
    char counts[160];
    std::snprintf(counts, sizeof counts, textIn(language_, texts::kAnalysisProgress).c_str(),
                  static_cast<unsigned long long>(position), static_cast<unsigned long long>(maximum),
                  static_cast<unsigned long long>(elapsed == 0 ? 0 : position * 1000 / elapsed));
    // The MFT is read as records of 1,024 bytes.
    std::string line = terminalText(recovery::stageText(stage, language_)) + "  " + counts + "  " +
                       bytesText(position * 1024, language_);
    const std::string left = timeLeftText(position, maximum, elapsed, language_);
    if (!left.empty()) line += "  " + left;
    show(line);
}

void ProgressLine::showRestore(const recovery::RestoreProgress& progress) {
    const std::uint64_t bytes = progress.bytesRestored.load();
    const std::uint64_t total = progress.bytesTotal.load();
    const std::uint64_t elapsed = elapsedMs();
    char counts[160];
    std::snprintf(counts, sizeof counts, textIn(language_, texts::kRestoreProgress).c_str(),
                  static_cast<unsigned long long>(progress.filesDone.load()),
                  static_cast<unsigned long long>(progress.filesTotal.load()), bytesText(bytes, language_).c_str(),
                  bytesText(total, language_).c_str(),
                  bytesText(elapsed == 0 ? 0 : bytes * 1000 / elapsed, language_).c_str());
    std::string line = counts;
    const std::string left = timeLeftText(bytes, total, elapsed, language_);
    if (!left.empty()) line += "  " + left;
    show(line);
}

void ProgressLine::showScan(const ntfs::ScanProgress& progress) {
    const std::uint64_t mib = progress.sectorsDone.load() / 2048;
    const std::uint64_t elapsed = elapsedMs();
    char line[160];
    std::snprintf(line, sizeof line, textIn(language_, texts::kScanProgress).c_str(), static_cast<unsigned long long>(mib),
                  static_cast<unsigned long long>(progress.sectorsTotal.load() / 2048),
                  elapsed == 0 ? 0.0 : static_cast<double>(mib) * 1000.0 / static_cast<double>(elapsed));
    show(line);
}

recovery::AnalysisResult analyseShowingProgress(const ChosenVolume& volume, recovery::AnalysisContext& context,
                                                text::Language language) {
    recovery::AnalysisResult result;
    ProgressLine line(language);
    const StopTarget stop(context.progress.stopRequested);
    std::future<void> worker = std::async(std::launch::async, [&] { result = volume.analyse(context); });
    // The worker shares its stage and counters through atomics; this thread only shows them, and
    // wakes as soon as the worker is done rather than at the next tick.
    while (worker.wait_for(kTick) != std::future_status::ready) line.showAnalysis(context.progress);
    worker.get();
    line.end();
    return result;
}

recovery::RestoreReport restoreShowingProgress(const std::function<recovery::RestoreReport()>& restore,
                                               recovery::RestoreProgress& progress, text::Language language) {
    recovery::RestoreReport report;
    ProgressLine line(language);
    const StopTarget stop(progress.stopRequested);
    std::future<void> worker = std::async(std::launch::async, [&] { report = restore(); });
    line.showRestore(progress);
    while (worker.wait_for(kTick) != std::future_status::ready) line.showRestore(progress);
    worker.get();
    // The last state: every file passed, or where the stop left it.
    line.showRestore(progress);
    line.end();
    return report;
}

ntfs::ScanReport scanShowingProgress(const std::function<ntfs::ScanReport()>& scan, ntfs::ScanProgress& progress,
                                     text::Language language) {
    ntfs::ScanReport report;
    ProgressLine line(language);
    const StopTarget stop(progress.stopRequested);
    std::future<void> worker = std::async(std::launch::async, [&] { report = scan(); });
    while (worker.wait_for(kTick) != std::future_status::ready) line.showScan(progress);
    worker.get();
    line.end();
    return report;
}

}  // namespace quenzar::cli
