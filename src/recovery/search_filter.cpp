#include "recovery/search_filter.h"

#include <algorithm>
#include <cstring>

namespace quenzar::recovery {

const std::array<Extension, kCatalogueExtensionCount> kCatalogueExtensions{{
    {'D', 'O', 'C'}, {'R', 'T', 'F'}, {'X', 'L', 'S'}, {'M', 'D', 'B'}, {'P', 'P', 'T'},
    {'A', 'R', 'J'}, {'R', 'A', 'R'}, {'Z', 'I', 'P'},
    {'D', 'B', 'X'}, {'P', 'S', 'T'},
    {'P', 'S', 'D'}, {'A', 'I', ' '}, {'C', 'D', 'R'}, {'D', 'W', 'G'}, {'P', 'L', 'A'}, {'P', 'D', 'F'},
    {'P', 'G', 'D'},
    {'G', 'I', 'F'}, {'T', 'I', 'F'},
    {'J', 'P', 'G'},
    {'A', 'V', 'I'}, {'M', 'P', '3'}, {'W', 'A', 'W'},
    {'N', 'E', 'F'}, {'C', 'R', '2'},
}};

namespace {

constexpr Extension ext3(const char (&text)[4]) { return Extension{text[0], text[1], text[2]}; }

}  // namespace

const std::array<Extension, kSystemExtensionCount> kSystemExtensions{{
    ext3("EXE"), ext3("DLL"), ext3("INF"), ext3("CPX"), ext3("CPL"), ext3("TLB"), ext3("SRG"), ext3("MUI"),
    ext3("SYS"), ext3("OCX"), ext3("DAT"), ext3("ROM"), ext3("UCE"), ext3("NLS"), ext3("MSC"), ext3("WSC"),
    ext3("HLP"), ext3("VBS"), ext3("SEP"), ext3("SIG"), ext3("SQL"), ext3("SVE"), ext3("TBL"), ext3("THA"),
    ext3("TRM"), ext3("TSK"), ext3("TSP"), ext3("UNM"), ext3("VXD"), ext3("XML"), ext3("ACM"), ext3("AX "),
    ext3("BIN"), ext3("CAP"), ext3("CHM"), ext3("CHS"), ext3("CHT"), ext3("CMD"), ext3("CNT"), ext3("COM"),
    ext3("CPI"), ext3("DBL"), ext3("DEP"), ext3("DEU"), ext3("DRV"), ext3("ENG"), ext3("ENU"), ext3("ESN"),
    ext3("FRA"), ext3("HXX"), ext3("IEC"), ext3("IME"), ext3("INI"), ext3("ITA"), ext3("LOG"), ext3("MAN"),
    ext3("MAP"), ext3("MOD"), ext3("MSI"), ext3("NLD"), ext3("NT "), ext3("OLB"), ext3("PDB"), ext3("PRO"),
    ext3("RAM"), ext3("RAT"), ext3("REG"), ext3("RLL"), ext3("RSP"), ext3("SCR"), ext3("CHK"), ext3("EVT"),
    ext3("DLS"), ext3("JS "), ext3("BAK"), ext3("CAT"), ext3("FON"), ext3("TTF"), ext3("XSL"), ext3("MOF"),
    ext3("MFL"), ext3("SCP"), ext3("MMF"), ext3("SAV"), ext3("SDB"), ext3("SDF"), ext3("TMP"), ext3("_DD"),
    ext3("WBK"), ext3("SDI"), ext3("OLD"), ext3("GID"), ext3("DB$"), ext3("$$$"), ext3("ANI"), ext3("CUR"),
    ext3("CLI"), ext3("CAB"), ext3("ADM"), ext3("PNF"), ext3("XSD"), ext3("NVB"), ext3("TVP"), ext3("HHK"),
    ext3("QEU"), ext3("LNK"), ext3("JOB"), ext3("POL"), ext3("MFC"), ext3("MSP"), ext3("BAC"), ext3("ASP"),
}};

SearchFilter everyFileFilter() {
    SearchFilter filter;
    filter.allExtensions = 1;
    filter.noSystemFiles = 0;
    filter.searchDeleted = 1;
    return filter;
}

Extension normaliseUserExtension(std::string_view typed) {
    Extension ext{' ', ' ', ' '};
    for (std::size_t i = 0; i < ext.size() && i < typed.size() && typed[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(typed[i]);
        ext[i] = static_cast<char>(c >= ':' ? (c & ~0x20u) : c);
    }
    return ext;
}

void setNamePrefix(NamePrefix& prefix, std::string_view typed) {
    const std::size_t length = std::min(typed.size(), kNamePrefixMaxChars);
    std::memset(prefix.text, 0, sizeof prefix.text);
    std::memcpy(prefix.text, typed.data(), length);
}

namespace {

// An extension as one number, so the system list can be searched in sorted order: the test runs
// for every record of the MFT.
constexpr std::uint32_t extensionKey(const Extension& ext) {
    return std::uint32_t{static_cast<unsigned char>(ext[0])} << 16 |
           std::uint32_t{static_cast<unsigned char>(ext[1])} << 8 | static_cast<unsigned char>(ext[2]);
}

std::array<std::uint32_t, kSystemExtensionCount> sortedSystemKeys() {
    std::array<std::uint32_t, kSystemExtensionCount> keys{};
    std::transform(kSystemExtensions.begin(), kSystemExtensions.end(), keys.begin(), extensionKey);
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace

bool isSystemExtension(const Extension& ext) {
    static const std::array<std::uint32_t, kSystemExtensionCount> keys = sortedSystemKeys();
    return std::binary_search(keys.begin(), keys.end(), extensionKey(ext));
}

namespace {

bool nameBeginsWith(const char* name, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    return length != 0 && std::strncmp(name, prefix, length) == 0;
}

}  // namespace

bool fileMatchesFilter(const SearchFilter& filter, const ntfs::FileRecordInfo& record) {
    if (std::strcmp(record.longName, "$MFT") == 0) return true;

    if (record.inUse ? !filter.searchExisting : !filter.searchDeleted) return false;

    const Extension ext{record.ext[0], record.ext[1], record.ext[2]};
    if (!filter.allExtensions) {
        // The first equal entry decides, so a user extension cannot bring back a catalogue
        // extension whose box is off.
        for (std::size_t i = 0; i < kCatalogueExtensions.size(); ++i) {
            if (kCatalogueExtensions[i] == ext) return filter.extensionOn[i] != 0;
        }
        for (const UserExtension& user : filter.userExt) {
            if (user.ext == ext) return user.on != 0;
        }
        return false;
    }

    if (!filter.allNames) {
        for (const NamePrefix& prefix : filter.prefix) {
            if (prefix.on && nameBeginsWith(record.longName, prefix.text)) return true;
        }
        return false;
    }

    return !(filter.noSystemFiles && isSystemExtension(ext));
}

}  // namespace quenzar::recovery
