#include "support/temp_folder.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace quenzar::testsupport {

TempFolder::TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("quenzar-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string runCommand(const std::string& command, int* exitCode) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (exitCode != nullptr) *exitCode = -1;
        return output;
    }
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
    const int status = ::pclose(pipe);
    if (exitCode != nullptr) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

std::string runSalvage(const std::string& arguments, int* exitCode) {
    return runCommand(std::string("'") + QUENZAR_SALVAGE_EXE + "' " + arguments + " 2>&1", exitCode);
}

std::set<std::string> filesWithMd5(const std::filesystem::path& folder) {
    std::set<std::string> files;
    if (!std::filesystem::exists(folder)) return files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        const std::string md5 = runCommand("md5sum < '" + item.path().string() + "'").substr(0, 32);
        files.insert(std::filesystem::relative(item.path(), folder).generic_string() + " " + md5);
    }
    return files;
}

std::filesystem::path fixtureDir() { return QUENZAR_FIXTURE_DIR; }

}  // namespace quenzar::testsupport
