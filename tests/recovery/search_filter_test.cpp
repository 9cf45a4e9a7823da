// The filter rules in their order, as a table of decoded records and filter settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "recovery/search_filter.h"

namespace quenzar::recovery {
namespace {

ntfs::FileRecordInfo record(const char* name, const char* ext, bool inUse) {
    ntfs::FileRecordInfo info;
    std::strncpy(info.longName, name, sizeof info.longName - 1);
    std::memcpy(info.ext, ext, 3);
    info.inUse = inUse ? 1 : 0;
    return info;
}

struct FilterCase {
    const char* what;
    const char* name;
    const char* ext;
    bool inUse;
    std::function<void(SearchFilter&)> setUp;
    bool expected;
};

TEST(SearchFilterTest, DefaultsAreThoseOfAFreshStart) {
    const SearchFilter filter;
    const char* on[] = {"DOC", "RTF", "XLS", "MDB", "PPT", "ARJ", "RAR", "ZIP", "JPG"};
    for (std::size_t i = 0; i < kCatalogueExtensions.size(); ++i) {
        const std::string ext(kCatalogueExtensions[i].data(), 3);
        const bool expectedOn = std::find(std::begin(on), std::end(on), ext) != std::end(on);
        EXPECT_EQ(filter.extensionOn[i], expectedOn ? 1 : 0) << ext;
    }
    EXPECT_EQ(filter.allExtensions, 0);
    EXPECT_EQ(filter.noSystemFiles, 1);
    EXPECT_EQ(filter.allNames, 1);
    EXPECT_EQ(filter.searchExisting, 1);
    EXPECT_EQ(filter.searchDeleted, 0);
    EXPECT_EQ(filter.writeListing, 0);
    for (const UserExtension& user : filter.userExt) {
        EXPECT_EQ(user.on, 0);
        EXPECT_EQ(std::string(user.ext.data(), 3), "   ");
    }
}

TEST(SearchFilterTest, SystemExtensionsAreTheFixedList) {
    EXPECT_EQ(kSystemExtensions.size(), 112u);
    EXPECT_EQ(std::string(kSystemExtensions.front().data(), 3), "EXE");
    EXPECT_EQ(std::string(kSystemExtensions.back().data(), 3), "ASP");
    EXPECT_TRUE(isSystemExtension({'A', 'X', ' '}));
    EXPECT_TRUE(isSystemExtension({'D', 'B', '$'}));
    EXPECT_TRUE(isSystemExtension({'_', 'D', 'D'}));
    EXPECT_FALSE(isSystemExtension({'A', 'X', 'E'}));
    EXPECT_FALSE(isSystemExtension({'D', 'O', 'C'}));
    for (std::size_t i = 0; i < kSystemExtensions.size(); ++i) {
        for (std::size_t j = i + 1; j < kSystemExtensions.size(); ++j) {
            EXPECT_NE(kSystemExtensions[i], kSystemExtensions[j]) << i << " " << j;
        }
    }
}

TEST(SearchFilterTest, UserExtensionsAreNormalised) {
    auto text = [](std::string_view typed) {
        const Extension ext = normaliseUserExtension(typed);
        return std::string(ext.data(), 3);
    };
    EXPECT_EQ(text("jp"), "JP ");
    EXPECT_EQ(text("jpeg"), "JPE");
    EXPECT_EQ(text(""), "   ");
    EXPECT_EQ(text("7z"), "7Z ");
    EXPECT_EQ(text("$$$"), "$$$");
    EXPECT_EQ(text("дат"), "ДАТ");  // code page 1251: lower case E0h-FFh, capitals C0h-DFh
    EXPECT_EQ(text(std::string_view("a\0b", 3)), "A  ");
}

TEST(SearchFilterTest, RulesDecideInOrder) {
    auto deleted = [](SearchFilter& f) { f.searchDeleted = 1; };
    auto allFiles = [](SearchFilter& f) {
        f.allExtensions = 1;
        std::fill(f.extensionOn.begin(), f.extensionOn.end(), 0);
    };
    const FilterCase cases[] = {
        {"$MFT matches whatever the filter", "$MFT", "   ", true,
         [](SearchFilter& f) { f.searchExisting = 0; }, true},
        {"a name beginning with $MFT is an ordinary file", "$MFTMirr", "   ", true, {}, false},
        {"default: a .doc in use", "report.doc", "DOC", true, {}, true},
        {"default: a deleted .doc is not found", "report.doc", "DOC", false, {}, false},
        {"a deleted .doc once deleted files are searched", "report.doc", "DOC", false, deleted, true},
        {"only deleted files searched: a .doc in use is left out", "report.doc", "DOC", true,
         [](SearchFilter& f) { f.searchDeleted = 1; f.searchExisting = 0; }, false},
        {"catalogue box off", "photo.gif", "GIF", true, {}, false},
        {"catalogue box on", "photo.gif", "GIF", true, [](SearchFilter& f) { f.extensionOn[17] = 1; }, true},
        {"an extension outside every list", "notes.txt", "TXT", true, {}, false},
        {"user extension on", "notes.txt", "TXT", true,
         [](SearchFilter& f) { f.userExt[2] = {1, normaliseUserExtension("txt")}; }, true},
        {"user extension \"jp\" does not match JPG once JPG is off", "a.jpg", "JPG", true,
         [](SearchFilter& f) { f.extensionOn[19] = 0; f.userExt[0] = {1, normaliseUserExtension("jp")}; },
         false},
        {"user extension \"jp\" matches JP", "a.jp", "JP ", true,
         [](SearchFilter& f) { f.userExt[0] = {1, normaliseUserExtension("jp")}; }, true},
        {"a user extension cannot bring back a catalogue box that is off", "photo.gif", "GIF", true,
         [](SearchFilter& f) { f.userExt[0] = {1, normaliseUserExtension("gif")}; }, false},
        {"the first equal user extension decides", "notes.txt", "TXT", true,
         [](SearchFilter& f) {
             f.userExt[0] = {0, normaliseUserExtension("txt")};
             f.userExt[1] = {1, normaliseUserExtension("txt")};
         },
         false},
        {"a prefix is ignored while the extension filter is on", "Invoice-1.txt", "TXT", true,
         [](SearchFilter& f) { f.allNames = 0; f.prefix[0].on = 1; setNamePrefix(f.prefix[0], "Inv"); }, false},
        {"name filter: enabled prefix matches", "Invoice-1.txt", "TXT", true,
         [&](SearchFilter& f) {
             allFiles(f);
             f.allNames = 0;
             f.prefix[1].on = 1;
             setNamePrefix(f.prefix[1], "Inv");
         },
         true},
        {"name filter: the comparison is case-sensitive", "invoice-1.txt", "TXT", true,
         [&](SearchFilter& f) {
             allFiles(f);
             f.allNames = 0;
             f.prefix[0].on = 1;
             setNamePrefix(f.prefix[0], "Inv");
         },
         false},
        {"name filter: a prefix whose box is off", "Invoice-1.txt", "TXT", true,
         [&](SearchFilter& f) { allFiles(f); f.allNames = 0; setNamePrefix(f.prefix[0], "Inv"); }, false},
        {"name filter: an empty prefix never matches", "Invoice-1.txt", "TXT", true,
         [&](SearchFilter& f) { allFiles(f); f.allNames = 0; f.prefix[2].on = 1; }, false},
        {"name filter: system files are not left out", "setup.exe", "EXE", true,
         [&](SearchFilter& f) {
             allFiles(f);
             f.allNames = 0;
             f.prefix[0].on = 1;
             setNamePrefix(f.prefix[0], "set");
         },
         true},
        {"all files: a system extension is left out", "setup.exe", "EXE", true, allFiles, false},
        {"all files: a two-letter system extension", "x.js", "JS ", true, allFiles, false},
        {"all files: system files kept when the box is cleared", "setup.exe", "EXE", true,
         [&](SearchFilter& f) { allFiles(f); f.noSystemFiles = 0; }, true},
        {"all files: a file without extension", "README", "   ", true, allFiles, true},
        {"all files: deleted files still need their box", "notes.txt", "TXT", false, allFiles, false},
    };
    for (const FilterCase& c : cases) {
        SearchFilter filter;
        if (c.setUp) c.setUp(filter);
        EXPECT_EQ(fileMatchesFilter(filter, record(c.name, c.ext, c.inUse)), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace quenzar::recovery
