// A folder of its own for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace quenzar::testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs a shell command and returns its standard output; exitCode receives its exit status.
std::string runCommand(const std::string& command, int* exitCode = nullptr);

// Runs the command-line program built beside the tests with these arguments (as a shell reads
// them) and returns what it wrote on both of its outputs.
std::string runSalvage(const std::string& arguments, int* exitCode = nullptr);

// Every regular file below the folder as "PATH MD5", the path relative to the folder with "/"
// between names (UTF-8 on Linux); empty when the folder does not exist.
std::set<std::string> filesWithMd5(const std::filesystem::path& folder);

// Where the unpacked fixture images lie (set by the build).
std::filesystem::path fixtureDir();

}  // namespace quenzar::testsupport
