#include "disk/identify_data.h"

#include <algorithm>
#include <cstdio>

namespace quenzar::disk {
namespace {

// Words [firstWord, firstWord + wordCount), the high byte of each word first; zero bytes blank.
template <std::size_t N>
Text<N> ataString(const platform::IdentifyBlock& data, int firstWord) {
    Text<N> text{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t byte = static_cast<std::size_t>(firstWord) * 2 + (i ^ 1);
        text[i] = data[byte] == 0 ? ' ' : static_cast<char>(data[byte]);
    }
    return text;
}

template <std::size_t N>
Text<N> textOf(const char* chars) {
    Text<N> text = blankText<N>();
    std::copy_n(chars, std::min<std::size_t>(N, std::char_traits<char>::length(chars)), text.begin());
    return text;
}

}  // namespace

std::uint16_t identifyWord(const platform::IdentifyBlock& data, int index) {
    const std::size_t at = static_cast<std::size_t>(index) * 2;
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

bool hasIdentifyStrings(const platform::IdentifyBlock& data) {
    return identifyWord(data, 10) != 0 || identifyWord(data, 11) != 0;
}

IdentifyStrings parseIdentifyStrings(const platform::IdentifyBlock& data) {
    return {ataString<20>(data, 10), ataString<8>(data, 23), ataString<40>(data, 27)};
}

std::optional<std::uint64_t> lba48SectorCount(const platform::IdentifyBlock& data) {
    const std::uint32_t count28 = identifyWord(data, 60) | std::uint32_t{identifyWord(data, 61)} << 16;
    if (count28 != 0x0FFFFFFF) return std::nullopt;
    std::uint64_t count = 0;
    for (int word = 103; word >= 100; --word) count = count << 16 | identifyWord(data, word);
    if (count == 0) return std::nullopt;
    return count;
}

std::uint64_t capacityMegabytes(std::uint64_t totalSectors, std::uint32_t bytesPerSector) {
    // Sector counts stay far below 2^64 / 2^16, so the product cannot overflow.
    return totalSectors * bytesPerSector / 1'000'000;
}

Text<8> capacityText(std::uint64_t megabytes) {
    char text[32];
    if (megabytes < 10'000'000) {
        std::snprintf(text, sizeof text, "%04llu,%03llu", static_cast<unsigned long long>(megabytes / 1000),
                      static_cast<unsigned long long>(megabytes % 1000));
        for (int i = 0; i < 3 && text[i] == '0'; ++i) text[i] = ' ';
    } else {
        const unsigned long long gigabytes = megabytes / 1000;
        const unsigned long long terabytes = gigabytes / 1000;
        const unsigned long long fraction = gigabytes % 1000;
        if (terabytes < 100) {
            std::snprintf(text, sizeof text, "%2llu,%03lluTB", terabytes, fraction);
        } else if (terabytes < 1000) {
            std::snprintf(text, sizeof text, "%3llu,%02lluTB", terabytes, fraction / 10);
        } else if (terabytes < 10'000) {
            std::snprintf(text, sizeof text, "%4llu,%01lluTB", terabytes, fraction / 100);
        } else if (terabytes < 1'000'000) {
            std::snprintf(text, sizeof text, "%6lluTB", terabytes);
        } else {
            std::snprintf(text, sizeof text, "********");
        }
    }
    return textOf<8>(text);
}

const char* connectionText(platform::ConnectionRoute route) {
    using platform::ConnectionRoute;
    switch (route) {
        case ConnectionRoute::InternalAta: return "Internal channel SATA/IDE";
        case ConnectionRoute::BridgeSat: return "External port SATA";
        case ConnectionRoute::BridgeSunplus: return "External port SUNPLUS";
        case ConnectionRoute::BridgeIoData: return "External port IO_DATA";
        case ConnectionRoute::BridgeLogitec: return "External port LOGITEC";
        case ConnectionRoute::BridgeJmicron: return "External port JMICRON";
        case ConnectionRoute::BridgeCypress: return "External port CYPRESS";
        case ConnectionRoute::NotRecognized: return "The port not recognized";
        case ConnectionRoute::None: break;
    }
    return "";
}

}  // namespace quenzar::disk
