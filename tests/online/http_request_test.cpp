// The bytes of the two requests: header block, part headers, bodies; the answer's cut; the
// server setting.
#include <gtest/gtest.h>

#include <string>

#include "online/http_request.h"

namespace quenzar::online {
namespace {

TEST(RequestBytes, HeaderBlockWithSevenCharacterLength) {
    // A host of 16 characters gives the block its 196 bytes.
    const std::string block = requestHeaderBlock("www.quenzar.test", 6105);
    EXPECT_EQ(block.size(), 196u);
    EXPECT_EQ(block,
              "Content-Type: multipart/form-data; boundary=########12#21#######\r\nAccept-Encoding: gzip, deflate\r\n"
              "Host: www.quenzar.test\r\nContent-Length:    6105\r\nConnection: Keep-Alive\r\nCache-Control: no-cache\r\n");
    EXPECT_NE(requestHeaderBlock("h", 1234567).find("Content-Length: 1234567\r\n"), std::string::npos);
}

TEST(RequestBytes, ConsultationBodyLayout) {
    // A screen of 33 lines, each line's characters its own number's letter.
    std::string screen;
    for (std::size_t line = 0; line < disk::kScreenLineCount; ++line) {
        screen.append(disk::kScreenLineChars, static_cast<char>('A' + line)).append("\r\n");
    }
    const std::string description = "Disk clicks and is not seen any more.";
    const ConsultationForm form{"Ivan", "ivan@example.com", description, text::Language::Russian};
    const std::string body = consultationBody(form, screen);

    std::string expected = std::string(kNamePartHeader) + "Ivan" + std::string(kEmailPartHeader) + "ivan@example.com" +
                           std::string(kLanguagePartHeader) + "R" + std::string(kFilePartHeader);
    ASSERT_EQ(body.substr(0, expected.size()), expected);
    const std::string block = body.substr(expected.size(), kConsultationBlockBytes);
    EXPECT_EQ(block, "ЗАПРОС БЕСПЛАТНОЙ КОНСУЛЬТАЦИИ" + std::string(30, ' ') + "\r\n" +
                         "Пользователь.......Ivan" + std::string(37, ' ') + "\r\n" +
                         "Электронный адрес..ivan@example.com" + std::string(25, ' ') + "\r\n" +
                         "Текст запроса" + std::string(47, ' ') + "\r\n");
    std::size_t at = expected.size() + kConsultationBlockBytes;
    EXPECT_EQ(body.substr(at, description.size() + 4), description + "\r\n\r\n");
    at += description.size() + 4;
    // The inventory from line 6 (the blank line of the screen is the seventh letter), 3,400 bytes:
    // the last line without its CR LF.
    EXPECT_EQ(body.substr(at, 3), "GGG");
    EXPECT_EQ(body.substr(at + 3400 - 2, 2), std::string(2, static_cast<char>('A' + 32)));
    EXPECT_EQ(body.substr(at + 3400), kClosingDelimiter);
    EXPECT_EQ(body.size(), 71 + 4 + 74 + 16 + 76 + 1 + 163 + 248 + description.size() + 4 + 3400 + 28);
}

TEST(RequestBytes, OrderRequest) {
    OrderFile file{};
    file.fill('o');
    const std::string row = "Economy A - twenty-four working hours    $14  or  800 rub.";
    const HttpRequest request =
        makeOrderRequest({"quenzar.example", 80}, {"Ivan", "ivan@example.com", row, text::Language::English}, file);
    EXPECT_EQ(request.path, "/PHP/QuenzarSalvage_/QuenzarSalvage.php");
    const std::string expected = std::string(kNamePartHeader) + "Ivan" + std::string(kEmailPartHeader) +
                                 "ivan@example.com" + std::string(kLanguagePartHeader) + "E" +
                                 std::string(kFilePartHeader) + std::string(kOrderFileBytes, 'o') +
                                 std::string(kTariffPartHeader) + row + std::string(kClosingDelimiter);
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.headerBlock, requestHeaderBlock("quenzar.example", expected.size()));
}

TEST(RequestBytes, AnswerCutAndOutcomeTexts) {
    EXPECT_EQ(shownResponse(std::string(700, 'x')).size(), 500u);
    EXPECT_EQ(shownResponse("short"), "short");
    const OutcomeMessage shown =
        outcomeMessage(RequestKind::Order, {true, std::string(501, 'y')}, text::Language::English);
    EXPECT_EQ(shown.title, "Response from server Quenzar ");
    EXPECT_EQ(shown.text, std::string(500, 'y'));
    // A zero byte would end a message box's text and an escape would drive a terminal.
    EXPECT_EQ(outcomeMessage(RequestKind::Order, {true, std::string("ok\0\x1b[2J\r\n\tend\x7f", 14)},
                             text::Language::English)
                  .text,
              std::string("ok??[2J\r\n\tend?"));
    const OutcomeMessage failed = outcomeMessage(RequestKind::Consultation, {}, text::Language::Russian);
    EXPECT_EQ(failed.title, "Проблема с интернет");
    EXPECT_EQ(failed.text, "При попытке передачи данных, возникла фатальная проблема! \r\n\r\n"
                           "Передайте файл QuenzarSalvage.bin в лабораторию Quenzar \rиным способом.");
    EXPECT_EQ(outcomeMessage(RequestKind::Order, {}, text::Language::English).text,
              "When attempting to transfer data, there was a fatal problem!");
}

TEST(RequestBytes, TimeoutSettingOnlyShortensTheLimits) {
    struct Case {
        const char* setting;
        long connect, total;
    } const cases[] = {{nullptr, 10, 30}, {"", 10, 30}, {"2", 2, 2}, {"15", 10, 15}, {"30", 10, 30},
                       {"31", 10, 30}, {"0", 10, 30}, {"-3", 10, 30}, {"5s", 10, 30}};
    for (const Case& c : cases) {
        const TransportLimits limits = transportLimitsOf(c.setting);
        EXPECT_EQ(limits.connectSeconds, c.connect) << (c.setting ? c.setting : "null");
        EXPECT_EQ(limits.totalSeconds, c.total) << (c.setting ? c.setting : "null");
    }
}

TEST(RequestBytes, ServerSetting) {
    struct Case {
        const char* text;
        bool valid;
        const char* host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"quenzar.example", true, "quenzar.example", 80}, {"127.0.0.1:8080", true, "127.0.0.1", 8080},
        {"host:0", false, "", 0},         {"host:65536", false, "", 0},
        {"host:", false, "", 0},          {":80", false, "", 0},
        {"bad host", false, "", 0},       {"host\r\nX: y", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = parseServerAddress(c.text);
        ASSERT_EQ(address.has_value(), c.valid);
        if (address) {
            EXPECT_EQ(address->host, c.host);
            EXPECT_EQ(address->port, c.port);
        }
    }
}

}  // namespace
}  // namespace quenzar::online
