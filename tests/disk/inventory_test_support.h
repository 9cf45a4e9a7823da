// What the inventory tests share: the real-Windows disk images, unpacked at test time; the
// partition list of The Sleuth Kit's mmls; and screen lines written as text at columns.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/windows_images.h"

namespace quenzar::testsupport {

// One allocated partition row of mmls: "002:  000:000   0000002048   0000296959   0000294912   NTFS / exFAT (0x07)".
struct MmlsPartition {
    std::string slot;         // "000:001" (table 0, entry 1) for DOS tables, "002" for GPT
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::string description;  // DOS: the type text with "(0xNN)"; GPT: the partition name
    int table() const { return slot.find(':') == std::string::npos ? 0 : std::stoi(slot.substr(0, 3)); }
    int typeByte() const {
        const auto at = description.rfind("(0x");
        return at == std::string::npos ? -1 : std::stoi(description.substr(at + 3, 2), nullptr, 16);
    }
};

// The partitions mmls finds, in table order (primaries by entry, then each extended record's);
// none when mmls finds no partition table. mmls says "no table" by exiting with 1 and printing
// nothing; any other failure (no such image, mmls missing, an unreadable table) fails the test
// instead of passing as an empty list.
inline std::vector<MmlsPartition> mmlsPartitions(const std::string& image) {
    int exitCode = 0;
    const std::string output = runCommand("mmls '" + image + "' 2>&1", &exitCode);
    std::vector<MmlsPartition> rows;
    if (exitCode == 1 && output.find_first_not_of(" \t\r\n") == std::string::npos) return rows;
    if (exitCode != 0) {
        ADD_FAILURE() << "mmls failed on " << image << " (exit " << exitCode << "): " << output;
        return rows;
    }
    const std::regex row(R"(^\d+:\s+(\d{3}(?::\d{3})?)\s+(\d+)\s+(\d+)\s+(\d+)\s+(.*)$)");
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, row)) continue;
        rows.push_back({match[1], std::stoull(match[2]), std::stoull(match[4]), match[5]});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.slot < b.slot; });
    return rows;
}

// A 124-character screen line with texts placed at columns, blanks elsewhere.
inline std::string screenLine(std::initializer_list<std::pair<std::size_t, std::string>> pieces) {
    std::string line(124, ' ');
    for (const auto& [column, text] : pieces) {
        EXPECT_LE(column + text.size(), line.size()) << text;
        line.replace(column, text.size(), text);
    }
    return line;
}

}  // namespace quenzar::testsupport
