#include "harness.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "dialog_driver.h"

namespace quenzar::wintest {
namespace {

struct TestCase {
    const char* name;
    TestFunction function;
};

std::vector<TestCase>& registeredCases() {
    static std::vector<TestCase> cases;
    return cases;
}

const char* runningCase = nullptr;
std::atomic<bool> runningCaseOverran{false};
int failuresInCase = 0;
std::vector<std::string> notes;

// How long one case may take before the watchdog ends it: far above what any case needs on a
// loaded machine, far below the limit of the whole run, so that a case that cannot reach its
// window fails with its name instead of stopping the run. QUENZAR_CASE_SECONDS sets another.
std::chrono::seconds caseTimeLimit() {
    const char* text = std::getenv("QUENZAR_CASE_SECONDS");
    const long seconds = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 120);
}

// The titles of the windows of a thread that are on screen, for the message of a case that hung.
std::string visibleWindowTitles(DWORD threadId) {
    std::string titles;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM parameter) -> BOOL {
            if (!IsWindowVisible(window)) return TRUE;
            wchar_t title[256] = {};
            GetWindowTextW(window, title, 256);
            auto& list = *reinterpret_cast<std::string*>(parameter);
            list += (list.empty() ? "" : ", ") + describe(std::wstring_view(title));
            if (!IsWindowEnabled(window)) list += " (disabled)";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&titles));
    return titles.empty() ? "none" : titles;
}

// Watches one case from a thread of its own. When the case overruns its time, the watchdog says
// which windows are open and cancels its dialogs, once a second, so that the modal loops the case waits in
// end and the case fails with a message; a case that still does not end ends the whole run.
class CaseWatchdog {
public:
    CaseWatchdog(const char* name, std::chrono::seconds limit)
        : name_(name), testThread_(GetCurrentThreadId()), thread_([this, limit] { watch(limit); }) {}
    ~CaseWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    CaseWatchdog(const CaseWatchdog&) = delete;
    CaseWatchdog& operator=(const CaseWatchdog&) = delete;

    bool overran() const { return runningCaseOverran.load(); }
    const std::string& windowsAtTimeout() const { return windowsAtTimeout_; }

private:
    void watch(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, limit, [this] { return finished_; })) return;
        windowsAtTimeout_ = visibleWindowTitles(testThread_);
        runningCaseOverran = true;
        for (int round = 0; round < 30; ++round) {
            EnumThreadWindows(
                testThread_,
                [](HWND window, LPARAM) -> BOOL {
                    // Cancel, as Escape would: it ends a dialog even where its close box is
                    // refused while a job runs.
                    wchar_t className[16] = {};
                    GetClassNameW(window, className, 16);
                    if (IsWindowVisible(window) && std::wstring_view(className) == L"#32770") {
                        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
                    }
                    return TRUE;
                },
                0);
            if (wake_.wait_for(lock, std::chrono::seconds(1), [this] { return finished_; })) return;
        }
        std::printf("FAILED %s: did not end within %lld s, nor once its windows were closed (open: %s)\n", name_,
                    static_cast<long long>(limit.count()), windowsAtTimeout_.c_str());
        std::printf("the run was stopped in %s\n", name_);
        std::fflush(stdout);
        ExitProcess(3);
    }

    const char* name_;
    DWORD testThread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    std::string windowsAtTimeout_;
    std::thread thread_;
};

bool runCase(const TestCase& testCase) {
    runningCase = testCase.name;
    failuresInCase = 0;
    notes.clear();
    runningCaseOverran = false;
    const auto started = std::chrono::steady_clock::now();
    {
        const std::chrono::seconds limit = caseTimeLimit();
        CaseWatchdog watchdog(testCase.name, limit);
        try {
            testCase.function();
        } catch (const RequireFailed&) {
            // The failure is recorded already; the case ends here.
        } catch (const std::exception& error) {
            fail(__FILE__, __LINE__, std::string("unexpected exception: ") + error.what());
        } catch (...) {
            fail(__FILE__, __LINE__, "unexpected exception");
        }
        if (watchdog.overran()) {
            fail(__FILE__, __LINE__, "did not end within " + std::to_string(limit.count()) +
                                         " s; its windows were closed for it (open: " + watchdog.windowsAtTimeout() + ")");
        }
    }
    // A script whose dialog never opened must not run in the next case.
    if (dialogScriptPending()) {
        fail(__FILE__, __LINE__, "a dialog script was left waiting for a dialog that never opened");
        cancelDialogScript();
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::printf("   %.1f s\n", static_cast<double>(elapsed.count()) / 1000.0);
    return failuresInCase == 0;
}

int runCases(const std::vector<TestCase>& cases) {
    int passed = 0;
    int failed = 0;
    for (const TestCase& testCase : cases) {
        // Named before it runs, so that a case that hangs can be told from the output.
        std::printf("-- %s\n", testCase.name);
        std::fflush(stdout);
        if (runCase(testCase)) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAILED %s\n", testCase.name);
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

// Proves that a failing case is reported and fails the run: one case passes, one fails.
void selfCheckPasses() { CHECK(1 + 1 == 2); }
void selfCheckFails() {
    CHECK_EQ(1 + 1, 3);
    REQUIRE(false);
    fail(__FILE__, __LINE__, "REQUIRE did not end the case");
}

}  // namespace

bool caseOverran() { return runningCaseOverran.load(); }

Registrar::Registrar(const char* name, TestFunction function) {
    registeredCases().push_back({name, function});
}

namespace {

struct ChildEntry {
    const char* name;
    ChildProgram program;
};
std::vector<ChildEntry>& registeredChildren() {
    static std::vector<ChildEntry> children;
    return children;
}

}  // namespace

ChildRegistrar::ChildRegistrar(const char* name, ChildProgram program) {
    registeredChildren().push_back({name, program});
}

int runChild(const char* name, const std::vector<std::wstring>& arguments, unsigned timeoutMs) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child " +
                               std::wstring(name, name + std::strlen(name));
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

void fail(const char* file, int line, const std::string& what) {
    ++failuresInCase;
    std::printf("%s:%d: failure in %s: %s\n", file, line, runningCase ? runningCase : "?", what.c_str());
    for (const std::string& note : notes) std::printf("    while: %s\n", note.c_str());
}

Note::Note(std::string text) { notes.push_back(std::move(text)); }
Note::~Note() {
    if (!notes.empty()) notes.pop_back();
}

std::string describe(std::wstring_view text) {
    if (text.empty()) return "\"\"";
    const int charCount = static_cast<int>(text.size());
    const int byteCount = WideCharToMultiByte(CP_UTF8, 0, text.data(), charCount, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(byteCount), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), charCount, utf8.data(), byteCount, nullptr, nullptr);
    return "\"" + utf8 + "\"";
}

std::string describe(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace quenzar::wintest

int main(int argc, char** argv) {
    using namespace quenzar::wintest;
    if (argc > 1 && std::strcmp(argv[1], "--harness-self-check") == 0) {
        return runCases({{"selfCheckPasses", selfCheckPasses}, {"selfCheckFails", selfCheckFails}});
    }
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) {
        std::vector<std::wstring> arguments;
        int wideCount = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        for (int i = 3; i < wideCount; ++i) arguments.emplace_back(wide[i]);
        LocalFree(wide);
        for (const ChildEntry& child : registeredChildren()) {
            if (std::strcmp(child.name, argv[2]) == 0) return child.program(arguments);
        }
        return -1;
    }
    // "--only TEXT": the cases whose names contain TEXT, for working on one part.
    if (argc > 2 && std::strcmp(argv[1], "--only") == 0) {
        std::vector<TestCase> chosen;
        for (const TestCase& testCase : registeredCases()) {
            if (std::strstr(testCase.name, argv[2]) != nullptr) chosen.push_back(testCase);
        }
        return runCases(chosen);
    }
    return runCases(registeredCases());
}
