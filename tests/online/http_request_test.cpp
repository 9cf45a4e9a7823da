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
        outcomeMessage(RequestKind::Order, answeredOutcome(200, "text/plain", std::string(501, 'y')),
                       text::Language::English);
    EXPECT_EQ(shown.title, "Response from server Quenzar ");
    EXPECT_EQ(shown.text, std::string(500, 'y'));
    // A zero byte would end a message box's text and an escape would drive a terminal.
    EXPECT_EQ(outcomeMessage(RequestKind::Order, answeredOutcome(200, "", std::string("ok\0\x1b[2J\r\n\tend\x7f", 14)),
                             text::Language::English)
                  .text,
              std::string("ok??[2J\r\n\tend?"));
    SendOutcome refused;
    refused.failure = SendFailure::Refused;
    const OutcomeMessage failed = outcomeMessage(RequestKind::Consultation, refused, text::Language::Russian);
    EXPECT_EQ(failed.title, "Проблема с интернет");
    EXPECT_EQ(failed.text, "При попытке передачи данных, возникла фатальная проблема! \r\n\r\n"
                           "Передайте файл QuenzarSalvage.bin в лабораторию Quenzar \rиным способом.\r\n"
                           "Причина: сервер отказал в соединении.");
    SendOutcome badSetting;
    badSetting.failure = SendFailure::BadServerSetting;
    badSetting.settingFault = ServerSettingFault::UserInfo;
    EXPECT_EQ(outcomeMessage(RequestKind::Order, badSetting, text::Language::English).text,
              "When attempting to transfer data, there was a fatal problem!\r\n"
              "Cause: QUENZAR_SERVER is not host[:port]: a user name or password (user:pass@) is not taken");
}

// Only a 2xx answer is a success; any other status (a redirect included, which is never followed)
// is a failure that names the status, and a status no HTTP server sends is no HTTP answer.
TEST(RequestBytes, StatusDecidesSuccess) {
    struct Case {
        long status;
        SendFailure failure;
        const char* cause;
    } const cases[] = {
        {200, SendFailure::None, ""},
        {204, SendFailure::None, ""},
        {299, SendFailure::None, ""},
        {199, SendFailure::HttpStatus, "Cause: the server answered with HTTP status 199."},
        {301, SendFailure::HttpStatus, "Cause: the server answered with HTTP status 301, a redirect, which is not followed."},
        {302, SendFailure::HttpStatus, "Cause: the server answered with HTTP status 302, a redirect, which is not followed."},
        {404, SendFailure::HttpStatus, "Cause: the server answered with HTTP status 404."},
        {500, SendFailure::HttpStatus, "Cause: the server answered with HTTP status 500."},
        {0, SendFailure::BadAnswer, "Cause: the server's answer broke off or is no HTTP answer."},
        {600, SendFailure::BadAnswer, "Cause: the server's answer broke off or is no HTTP answer."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const SendOutcome outcome = answeredOutcome(c.status, "text/plain", "the body");
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_EQ(failureCause(outcome, text::Language::English), c.cause);
        // A failed answer's body is not shown.
        EXPECT_EQ(outcome.response.empty(), c.failure != SendFailure::None);
    }
    EXPECT_EQ(failureCause(answeredOutcome(503, "", ""), text::Language::Russian),
              "Причина: сервер ответил кодом состояния HTTP 503.");
}

TEST(RequestBytes, AnswerDeclaredUtf8IsReadAsUtf8) {
    struct Case {
        const char* contentType;
        bool utf8;
    } const cases[] = {
        {"text/plain; charset=utf-8", true},       {"text/html;charset=\"UTF-8\"", true},
        {"text/plain; format=flowed; Charset = utf8", true}, {"text/plain; charset=windows-1251", false},
        {"text/plain; charset=utf-16", false},     {"text/plain", false},
        {"", false},                               {"text/plain; utf-8", false},
    };
    for (const Case& c : cases) EXPECT_EQ(declaresUtf8(c.contentType), c.utf8) << c.contentType;

    // "Заявка ✓": the desktop's box keeps the 1251 letters and shows "?" for the check mark; the
    // terminal gets the UTF-8 as it came.
    const std::string answer = "\xD0\x97\xD0\xB0\xD1\x8F\xD0\xB2\xD0\xBA\xD0\xB0 \xE2\x9C\x93";
    const SendOutcome utf8 = answeredOutcome(200, "text/plain; charset=UTF-8", answer);
    EXPECT_EQ(shownAnswerUtf8(utf8), answer);
    EXPECT_EQ(outcomeMessage(RequestKind::Order, utf8, text::Language::English).text, "Заявка ?");
    // Undeclared, the same bytes are code page 1251, as the server's answers always were.
    EXPECT_EQ(shownAnswerUtf8(answeredOutcome(200, "text/plain", "Заявка")), "\xD0\x97\xD0\xB0\xD1\x8F\xD0\xB2\xD0\xBA\xD0\xB0");
    // A character that the 500-byte cut splits is left out whole, in both programs.
    const SendOutcome cut = answeredOutcome(200, "text/plain; charset=utf-8", std::string(499, 'x') + "\xD0\x96");
    EXPECT_EQ(shownAnswerUtf8(cut), std::string(499, 'x'));
    EXPECT_EQ(outcomeMessage(RequestKind::Order, cut, text::Language::English).text, std::string(499, 'x'));
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
    using Fault = ServerSettingFault;
    struct Case {
        std::string text;
        Fault fault;
        const char* host;
        std::uint16_t port;
    };
    const std::string longest = std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
                                std::string(61, 'd');  // 253 characters
    const Case cases[] = {
        {"quenzar.example", Fault::None, "quenzar.example", 80},
        {"127.0.0.1:8080", Fault::None, "127.0.0.1", 8080},
        {"[::1]:8080", Fault::None, "::1", 8080},
        {"[2001:db8::7]", Fault::None, "2001:db8::7", 80},
        {"quenzar.example.:65535", Fault::None, "quenzar.example.", 65535},
        {longest, Fault::None, longest.c_str(), 80},
        {longest + "d", Fault::TooLong, "", 0},
        {std::string(5000, 'a'), Fault::TooLong, "", 0},
        {std::string(64, 'a') + ".example", Fault::TooLong, "", 0},
        {"user:pass@127.0.0.1:8080", Fault::UserInfo, "", 0},
        {"@127.0.0.1", Fault::UserInfo, "", 0},
        {"127.0.0.1:8080/PHP", Fault::Path, "", 0},
        {"http://127.0.0.1", Fault::Path, "", 0},
        {"host?x=1", Fault::Path, "", 0},
        {"host:0", Fault::BadPort, "", 0},
        {"host:65536", Fault::BadPort, "", 0},
        {"host:", Fault::BadPort, "", 0},
        {"host:+80", Fault::BadPort, "", 0},
        {"host:99999999999999999999", Fault::BadPort, "", 0},
        {":80", Fault::NoHost, "", 0},
        {"", Fault::NoHost, "", 0},
        {"::1", Fault::BadHost, "", 0},
        {"[::1", Fault::BadHost, "", 0},
        {"[::1]x", Fault::BadHost, "", 0},
        {"[example]", Fault::BadHost, "", 0},
        {"a..b", Fault::BadHost, "", 0},
        {"bad host", Fault::BadHost, "", 0},
        {"host\r\nX: y", Fault::BadHost, "", 0},
        {"h\xC3\xA9te", Fault::BadHost, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size() > 80 ? c.text.substr(0, 80) + "..." : c.text);
        Fault fault = Fault::BadHost;
        const auto address = parseServerAddress(c.text, &fault);
        EXPECT_EQ(fault, c.fault);
        ASSERT_EQ(address.has_value(), c.fault == Fault::None);
        if (address) {
            EXPECT_EQ(address->host, c.host);
            EXPECT_EQ(address->port, c.port);
        } else {
            EXPECT_FALSE(serverSettingFaultText(fault).english.empty());
        }
    }
    // An IPv6 address goes into the Host line in its brackets.
    EXPECT_NE(requestHeaderBlock("::1", 10).find("\r\nHost: [::1]\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quenzar::online
