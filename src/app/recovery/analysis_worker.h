// The analysis as the desktop program runs it: on a worker thread behind the progress dialog,
// ending with command 801 to the main window when a tree was built, or with a message box of the
// reason when it was not.
#pragma once

#include <windows.h>

#include "app/app_state.h"

namespace quenzar::app {

// Posted by the worker to the main window when an analysis ended without a tree (a refusal, no
// file found, ...): the window shows the reason. A built tree is announced by command 801.
inline constexpr UINT kAnalysisFailedMessage = WM_APP + 1;

// Takes the worker's copies (inventory, language), resets the progress, opens the progress
// dialog and starts the worker. The main window is disabled meanwhile: one operation at a time.
void startAnalysis(AppState& state, AnalysisMode mode);

// After the worker's message: waits for the thread to return, closes the progress dialog and
// enables the main window again. Does nothing when no worker ran.
void finishAnalysis(AppState& state);

// kAnalysisFailedMessage: finishAnalysis, then the message box of the outcome.
void reportFailedAnalysis(AppState& state);

void closeAnalysisProgressDialog(AppState& state);

// The stop button and the close box of the progress dialog: the worker is asked to stop and given
// a moment to close its files, the work file it made is deleted, and the program ends with exit
// code 0.
void stopAnalysisAndExit(AppState& state);

}  // namespace quenzar::app
