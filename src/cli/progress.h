// How far a long command is, and Ctrl+C while it runs.
//
// The progress line goes to standard error, and only when standard error is a terminal: a script
// that keeps the messages gets no stream of carriage returns. It shows the count, the bytes, the
// speed and the time left, as the desktop program's progress windows do.
//
// While a StopSignals object lives, Ctrl+C (SIGINT) and a termination request (SIGTERM) do not end
// the process at once: they only raise a flag, which the command's progress loop passes on to the
// worker as its stop request. The worker removes its work file or the file it was copying, the
// command prints its summary and ends with 128 + the signal's number (130 for Ctrl+C).
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "cli/volume_choice.h"
#include "ntfs/lost_volumes.h"
#include "recovery/analysis.h"
#include "recovery/restore.h"
#include "text/language.h"

namespace quenzar::cli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

// Whether a stop signal arrived while a StopSignals object lived.
bool stopSignalled();
// The exit code of a command stopped by it: 128 + the signal's number.
int stoppedExitCode();

// The line on standard error, rewritten in place.
class ProgressLine {
public:
    explicit ProgressLine(text::Language language);
    ~ProgressLine();

    void showAnalysis(const recovery::AnalysisProgress& progress);
    void showRestore(const recovery::RestoreProgress& progress);
    void showScan(const ntfs::ScanProgress& progress);
    // Ends the line with a line feed when one was shown.
    void end();

private:
    void show(const std::string& text);
    std::uint64_t elapsedMs() const;

    text::Language language_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
};

// Runs the analysis on a worker thread and shows its progress until it is done; a stop signal
// stops it (its outcome is then Stopped and its work file is gone).
recovery::AnalysisResult analyseShowingProgress(const ChosenVolume& volume, recovery::AnalysisContext& context,
                                                text::Language language);

// Runs `restore` on a worker thread and shows the progress it reports until it is done; a stop
// signal asks it to stop.
recovery::RestoreReport restoreShowingProgress(const std::function<recovery::RestoreReport()>& restore,
                                               recovery::RestoreProgress& progress, text::Language language);

// Runs `scan` on a worker thread and shows how far it has read until it is done; a stop signal
// asks it to stop, and it still gives what the part read holds.
ntfs::ScanReport scanShowingProgress(const std::function<ntfs::ScanReport()>& scan, ntfs::ScanProgress& progress,
                                     text::Language language);

}  // namespace quenzar::cli
