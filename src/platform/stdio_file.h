// Files of the machine's own file systems (work files, restored files) through stdio, opened by
// their path in the way of the running system: wide on Windows, whatever the code page, and the
// path's bytes elsewhere.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace quenzar::platform {

struct StdioFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A stdio file that closes itself. To learn whether the close succeeded (the last buffered
// bytes reach the file then), close it by hand: std::fclose(file.release()).
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

// Opens a file in a stdio mode ("rb", "wb", ...); null when it cannot be opened.
StdioFile openStdioFile(const std::filesystem::path& path, const char* mode);

}  // namespace quenzar::platform
