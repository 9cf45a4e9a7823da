// Drives the program's dialogs as a person would: finds a dialog when it opens, types into its
// edits, clicks its boxes and buttons, presses keys, and reads every control's text and state
// back. Modal dialogs are driven from inside their own message loop: a script given before the
// command that opens the dialog runs once the dialog is on screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace quenzar::wintest {

class DialogProbe {
public:
    explicit DialogProbe(HWND dialog) : dialog_(dialog) {}

    HWND window() const { return dialog_; }
    bool isOpen() const { return IsWindow(dialog_) != FALSE; }
    std::wstring title() const;
    bool exists(int controlId) const { return GetDlgItem(dialog_, controlId) != nullptr; }
    std::wstring text(int controlId) const;
    bool enabled(int controlId) const;
    bool checked(int controlId) const;
    bool focused(int controlId) const;
    // The position of a progress bar.
    int barPosition(int controlId) const;

    // A click of the mouse on a button or box, with the notices a click sends.
    void click(int controlId);
    // Replaces an edit's text as typing would, with its change notice.
    void type(int controlId, std::wstring_view text);
    // A key pressed while `controlId` has the focus, through the dialog's own message loop.
    void press(int controlId, WPARAM virtualKey);
    // A key pressed on a row of a list view (the row focused and selected first), and a double
    // click on the row.
    void pressOnRow(int listId, int row, WPARAM virtualKey);
    void doubleClickRow(int listId, int row);
    // A click on a column header of a list view, as its header control reports it to the list.
    void clickListHeader(int listId, int column);
    // The window's close box.
    void close();
    // Sends the dialog a tick of its timer.
    void tick(UINT_PTR timerId);

private:
    HWND dialog_;
};

// Runs `script` on the next dialog that this thread opens, from inside the dialog's own message
// loop; returns at once. The script must end a modal dialog (a click on its button, close()),
// else the dialog is closed for it when the script returns. A REQUIRE that fails in the script
// closes the dialog too.
// Without `title` the script takes the first dialog that was not open when it was given; with
// `title`, only a dialog of that title (another one, such as a progress dialog that opens
// meanwhile, is left alone). A script for a window that opens after a progress dialog must name
// its title.
void onNextDialog(std::function<void(DialogProbe&)> script, std::wstring title = L"");
// Whether the last script given to onNextDialog has run; whether one waits for its dialog.
bool dialogScriptRan();
bool dialogScriptPending();
// Forgets a script whose dialog did not open.
void cancelDialogScript();

// The open dialog of this thread whose template caption or title is `title`; null when none.
HWND findDialog(std::wstring_view title);
// The first visible dialog window of this thread; null when none.
HWND findOpenDialog();
// A dialog of this thread owned by `owner` (a modeless progress dialog over its window); null
// when none.
HWND findOwnedDialog(HWND owner);

// Dispatches this thread's messages until `done` is true or `timeoutMs` passed; returns `done`.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20'000);

}  // namespace quenzar::wintest
