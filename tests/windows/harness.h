// A small test harness for the Windows test program, which runs under Wine where GoogleTest is not
// built. Test cases register themselves; CHECK records a failure with its file and line and lets
// the case go on, REQUIRE ends the case. The program prints every failure and closes with the line
// "N passed, N failed"; its exit code is 0 only when no case failed.
#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quenzar::wintest {

using TestFunction = void (*)();

struct Registrar {
    Registrar(const char* name, TestFunction function);
};

// A program that a test starts as a process of its own (the test program run with
// "--child NAME ARGUMENTS..."), for what only a whole process can show, such as its exit code.
using ChildProgram = int (*)(const std::vector<std::wstring>& arguments);
struct ChildRegistrar {
    ChildRegistrar(const char* name, ChildProgram program);
};
// Runs this test program as child NAME with the arguments; returns its exit code, or -1 when it
// could not be started or did not end within the time.
int runChild(const char* name, const std::vector<std::wstring>& arguments, unsigned timeoutMs = 60'000);

// Whether the running case overran its time and the watchdog is closing its windows: waits
// end at once then, so that the case fails instead of waiting on.
bool caseOverran();

// Records a failure of the running case.
void fail(const char* file, int line, const std::string& what);

// Thrown by REQUIRE to leave the running case; the harness catches it.
struct RequireFailed {};

// Describes the situation (a table row, the language tried) in the failures recorded while it
// exists.
class Note {
public:
    explicit Note(std::string text);
    ~Note();
    Note(const Note&) = delete;
    Note& operator=(const Note&) = delete;
};

// Values in failure messages: wide texts as UTF-8, characters and bytes as numbers.
std::string describe(std::wstring_view text);
std::string describe(std::string_view text);
inline std::string describe(const wchar_t* text) { return describe(std::wstring_view(text)); }
inline std::string describe(const char* text) { return describe(std::string_view(text)); }
inline std::string describe(const std::wstring& text) { return describe(std::wstring_view(text)); }
inline std::string describe(const std::string& text) { return describe(std::string_view(text)); }
template <typename T>
    requires std::is_arithmetic_v<T>
std::string describe(T value) {
    std::ostringstream out;
    if constexpr (sizeof(T) == 1) {
        out << static_cast<int>(value);
    } else {
        out << value;
    }
    return out.str();
}
template <typename T>
    requires std::is_pointer_v<T> || std::is_null_pointer_v<T>
std::string describe(T value) {
    std::ostringstream out;
    out << static_cast<const void*>(value);
    return out.str();
}

template <typename A, typename B>
bool checkEqual(const A& actual, const B& expected, const char* actualText, const char* expectedText,
                const char* file, int line) {
    if (actual == expected) return true;
    fail(file, line, std::string(actualText) + " == " + expectedText + "\n    actual:   " +
                         describe(actual) + "\n    expected: " + describe(expected));
    return false;
}

}  // namespace quenzar::wintest

#define QW_JOIN2(a, b) a##b
#define QW_JOIN(a, b) QW_JOIN2(a, b)

#define TEST_CASE(name)                                                                  \
    static void name();                                                                  \
    static const ::quenzar::wintest::Registrar QW_JOIN(name, _registrar)(#name, name);   \
    static void name()

#define CHILD_PROGRAM(name)                                                                          \
    static int name(const std::vector<std::wstring>& arguments);                                     \
    static const ::quenzar::wintest::ChildRegistrar QW_JOIN(name, _child_registrar)(#name, name);    \
    static int name(const std::vector<std::wstring>& arguments)

#define CHECK(condition) \
    ((condition) ? (void)0 : ::quenzar::wintest::fail(__FILE__, __LINE__, "CHECK(" #condition ")"))

#define CHECK_EQ(actual, expected) \
    ((void)::quenzar::wintest::checkEqual((actual), (expected), #actual, #expected, __FILE__, __LINE__))

#define REQUIRE(condition)                                                                  \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            ::quenzar::wintest::fail(__FILE__, __LINE__, "REQUIRE(" #condition ")");        \
            throw ::quenzar::wintest::RequireFailed{};                                      \
        }                                                                                   \
    } while (0)
