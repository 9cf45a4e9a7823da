#include "harness.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

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
int failuresInCase = 0;
std::vector<std::string> notes;

bool runCase(const TestCase& testCase) {
    runningCase = testCase.name;
    failuresInCase = 0;
    notes.clear();
    try {
        testCase.function();
    } catch (const RequireFailed&) {
        // The failure is recorded already; the case ends here.
    } catch (const std::exception& error) {
        fail(__FILE__, __LINE__, std::string("unexpected exception: ") + error.what());
    } catch (...) {
        fail(__FILE__, __LINE__, "unexpected exception");
    }
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
