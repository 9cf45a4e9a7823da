// The forms of the online services through their real controls: HELP and ORDER check their
// fields in order with the program's boxes, send their requests through WinINet to a real server
// on 127.0.0.1 that records the raw bytes, and show its answer cut at 500 bytes or the failure
// box; ORDER is reached from the tree window of an analysis and leaves the order file behind.
// Closing a form's window ends the program.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/wide_text.h"
#include "dialog_driver.h"
#include "harness.h"
#include "loopback_http_server.h"
#include "online/http_request.h"
#include "online/order_file.h"
#include "resources/filter_dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/online_dialog_ids.h"
#include "resources/tree_window_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
namespace online = quenzar::online;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::inLanguage;
using quenzar::wintest::kRussian;
using quenzar::wintest::LoopbackHttpServer;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;
using quenzar::wintest::utf16;

std::string cp1251(std::wstring_view text) { return quenzar::app::text1251FromWide(std::wstring(text)); }

// A request as the server received it: its header lines and its body.
struct ReceivedRequest {
    std::string head;
    std::string body;
    bool hasHeader(std::string_view line) const { return head.find("\r\n" + std::string(line) + "\r\n") != std::string::npos; }
    std::size_t count(std::string_view name) const {
        std::size_t found = 0;
        for (std::size_t at = head.find(name); at != std::string::npos; at = head.find(name, at + 1)) ++found;
        return found;
    }
};

ReceivedRequest split(const std::string& raw) {
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos) return {raw, {}};
    return {raw.substr(0, end + 2), raw.substr(end + 4)};
}

// An answer of the test server of `bytes` bytes: Cyrillic in the program's code page, then digits.
std::string serverAnswer(std::size_t bytes) {
    std::string answer = cp1251(L"Заявка принята. Request accepted.\r\n");
    while (answer.size() < bytes) answer += "0123456789";
    return answer.substr(0, bytes);
}

// The header lines WinINet must send for any request of the forms.
void checkHeaders(const ReceivedRequest& request, std::string_view path, std::size_t bodyBytes) {
    CHECK_EQ(request.head.substr(0, request.head.find("\r\n")), "POST " + std::string(path) + " HTTP/1.1");
    CHECK(request.hasHeader("User-Agent: QuenzarSalvage"));
    CHECK(request.hasHeader("Content-Type: multipart/form-data; boundary=########12#21#######"));
    CHECK(request.hasHeader("Accept-Encoding: gzip, deflate"));
    CHECK(request.hasHeader("Cache-Control: no-cache"));
    CHECK_EQ(request.count("\r\nHost: "), std::size_t{1});
    CHECK_EQ(request.count("\r\nContent-Length: "), std::size_t{1});
    const std::size_t length = request.head.find("\r\nContent-Length: ");
    CHECK_EQ(std::stoul(request.head.substr(length + 18)), static_cast<unsigned long>(bodyBytes));
    CHECK_EQ(request.body.size(), bodyBytes);
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_CASE(consultationFormChecksItsFieldsAndSendsTheRequest) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        // Longer than is shown, and just as long as is shown.
        const std::string answer = serverAnswer(language == kEnglish ? 700 : 500);
        LoopbackHttpServer server(LoopbackHttpServer::Reply::Answer, answer);
        REQUIRE(server.listening());
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        shell.state.webServer = server.address();
        auto& messages = shell.record.messages;
        const std::wstring name = L"Иван.Petrov_1";
        const std::wstring email = L"ivan@mail.example";
        const std::wstring description = L"Диск D: пропал после сбоя питания.\r\nThe folder Фото is gone.";

        quenzar::wintest::onNextDialog([&](DialogProbe& form) {
            CHECK_EQ(form.title(), std::wstring(inLanguage(language, L"ЗАПРОС БЕСПЛАТНОЙ КОНСУЛЬТАЦИИ",
                                                           L"REQUEST A FREE CONSULTATION")));
            CHECK_EQ(form.text(IDC_HELP_DESCRIPTION_LABEL),
                     std::wstring(inLanguage(language, L"ОПИШИТЕ ВАШУ ПРОБЛЕМУ КАК МОЖНО ПОДРОБНЕЙ",
                                             L"DESCRIBE YOUR PROBLEM AS DETAILED AS POSSIBLE")));
            CHECK_EQ(form.text(IDC_HELP_SEND), std::wstring(L"ЗАПРОСИТЬ КОНСУЛЬТАЦИЮ"));
            // A name of two characters: refused, cleared and focused; nothing else is checked yet.
            form.type(IDC_HELP_NAME, L"Iv");
            form.type(IDC_HELP_EMAIL, L"bad");
            form.click(IDC_HELP_SEND);
            REQUIRE(messages.size() == 1);
            CHECK_EQ(utf16(messages[0].caption),
                     std::wstring(inLanguage(language, L"Ошибка ввода данных.", L"Error input data.")));
            CHECK_EQ(messages[0].flags, UINT{MB_ICONWARNING});
            CHECK_EQ(form.text(IDC_HELP_NAME), std::wstring());
            CHECK_EQ(form.text(IDC_HELP_EMAIL), std::wstring(L"bad"));
            CHECK(form.focused(IDC_HELP_NAME));
            // Then the e-mail, then a description of 25 characters.
            form.type(IDC_HELP_NAME, name);
            form.click(IDC_HELP_SEND);
            REQUIRE(messages.size() == 2);
            CHECK(utf16(messages[1].text).find(L"E-mail") != std::wstring::npos);
            CHECK(form.focused(IDC_HELP_EMAIL) && form.text(IDC_HELP_EMAIL).empty());
            form.type(IDC_HELP_EMAIL, email);
            form.type(IDC_HELP_DESCRIPTION, std::wstring(25, L'ж'));
            form.click(IDC_HELP_SEND);
            REQUIRE(messages.size() == 3);
            CHECK_EQ(utf16(messages[2].text),
                     std::wstring(inLanguage(language,
                                             L"Описание возникшей ситуации слишком кроткое.\r\n\r\nИзложите ее более детально.",
                                             L"Description of the situation too meek.\r\n\r\nDescribe it in more detail.")));
            CHECK(form.focused(IDC_HELP_DESCRIPTION) && form.text(IDC_HELP_DESCRIPTION).empty());
            // No field takes more typing than it may hold.
            form.type(IDC_HELP_NAME, L"");
            for (int key = 0; key < 60; ++key) SendDlgItemMessageW(form.window(), IDC_HELP_NAME, WM_CHAR, L'n', 1);
            CHECK_EQ(form.text(IDC_HELP_NAME).size(), std::size_t{39});
            form.type(IDC_HELP_NAME, name);
            form.type(IDC_HELP_DESCRIPTION, description);
            quenzar::wintest::saveScreenshot(form.window(), language == kRussian ? "help-ru" : "help-en");
            form.click(IDC_HELP_SEND);
        });
        shell.command(CMD_FREE_CONSULTATION);
        CHECK(shell.record.exitCodes.empty());

        // The server's answer, cut at 500 bytes.
        REQUIRE(messages.size() == 4);
        CHECK_EQ(utf16(messages[3].caption),
                 std::wstring(inLanguage(language, L"Ответ сервера Quenzar ", L"Response from server Quenzar ")));
        CHECK_EQ(messages[3].text, answer.substr(0, 500));

        // The request carries exactly the bytes of the consultation: the form's texts in code page
        // 1251, the language and the inventory screen.
        const std::string nameText = cp1251(name), emailText = cp1251(email), descriptionText = cp1251(description);
        const online::ConsultationForm form{nameText, emailText, descriptionText, language};
        const online::HttpRequest expected =
            online::makeConsultationRequest(*online::parseServerAddress(server.address()), form,
                                            shell.state.inventory.screen);
        const ReceivedRequest received = split(server.request());
        checkHeaders(received, "/PHP/QuenzarSalvage_/Help.php", expected.body.size());
        CHECK(received.body == expected.body);
        CHECK(received.body.find(online::consultationBlock(nameText, emailText) + descriptionText) != std::string::npos);
    }
}

TEST_CASE(closingAFormEndsTheProgramAndSendsNothing) {
    LoopbackHttpServer server(LoopbackHttpServer::Reply::Answer, "unused");
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    shell.state.webServer = server.address();
    quenzar::wintest::onNextDialog([&](DialogProbe& form) {
        form.type(IDC_HELP_NAME, L"Ivan");
        form.press(IDC_HELP_NAME, VK_ESCAPE);  // Escape is no way out: the form stays
        CHECK(form.isOpen());
        form.close();
    });
    shell.command(CMD_FREE_CONSULTATION);
    CHECK_EQ(shell.record.exitCodes.size(), std::size_t{1});
    CHECK(shell.record.exitCodes.size() == 1 && shell.record.exitCodes[0] == 0);
    CHECK(shell.record.messages.empty());
    CHECK(server.request().empty());
}

TEST_CASE(requestsThatReachNoServerEndInTheFailureBox) {
    struct Case {
        const char* what;
        bool silentServer;
    } const cases[] = {{"nothing listens", false}, {"the server never answers", true}};
    for (const Case& c : cases) {
        Note note(c.what);
        LoopbackHttpServer silent(LoopbackHttpServer::Reply::Silent, "");
        ShellWindow shell(kRussian, true);
        REQUIRE(shell.window() != nullptr);
        shell.state.webServer =
            c.silentServer ? silent.address() : "127.0.0.1:" + std::to_string(quenzar::wintest::unusedLoopbackPort());
        shell.state.sendLimits = {1, 2};
        quenzar::wintest::onNextDialog([&](DialogProbe& form) {
            form.type(IDC_HELP_NAME, L"Ivan");
            form.type(IDC_HELP_EMAIL, L"ivan@mail.example");
            form.type(IDC_HELP_DESCRIPTION, L"The disk clicks and the volume is gone since yesterday.");
            form.click(IDC_HELP_SEND);
        });
        const ULONGLONG start = GetTickCount64();
        shell.command(CMD_FREE_CONSULTATION);
        const ULONGLONG took = GetTickCount64() - start;
        REQUIRE(shell.record.messages.size() == 1);
        CHECK_EQ(utf16(shell.record.messages[0].caption), std::wstring(L"Проблема с интернет"));
        CHECK_EQ(shell.record.messages[0].text,
                 cp1251(L"При попытке передачи данных, возникла фатальная проблема! \r\n\r\n"
                        L"Передайте файл QuenzarSalvage.bin в лабораторию Quenzar \rиным способом.\r\n") +
                     cp1251(c.silentServer ? L"Причина: сервер не ответил за отведенное время."
                                           : L"Причина: сервер отказал в соединении."));
        CHECK(took < 10'000);
        if (c.silentServer) CHECK(!silent.request().empty());
    }
}

TEST_CASE(orderFromTheTreeWindowWritesTheOrderFileAndSendsIt) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work;
        // A short answer, and none at all: the box shows what came.
        const std::string answer = language == kEnglish ? "Order 17 accepted" : "";
        LoopbackHttpServer server(LoopbackHttpServer::Reply::Answer, answer);
        REQUIRE(server.listening());
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        shell.state.webServer = server.address();
        shell.state.analysis.workFolder = work.path();
        auto& messages = shell.record.messages;

        bool orderSeen = false;
        auto orderScript = [&](DialogProbe& form) {
            orderSeen = true;
            // D: lies on disk 0, which has no sector mask: the tariffs of group A.
            CHECK_EQ(form.title(), std::wstring(inLanguage(language, L"ЗАКАЗ НА ВОССТАНОВЛЕНИЕ ДАННЫХ С HD0",
                                                           L"SENDING ORDER DATA RECOVERY FROM HD0")));
            CHECK_EQ(form.text(IDC_ORDER_FIRST_TARIFF),
                     std::wstring(inLanguage(language, L"Эконом  A - двадцать четыре рабочих часа $14 или  800 руб.",
                                             L"Economy A - twenty-four working hours    $14  or  800 rub.")));
            CHECK_EQ(form.text(IDC_ORDER_SEND), std::wstring(inLanguage(language, L"ОТПРАВИТЬ ЗАКАЗ", L"SEND ORDER")));
            // Nothing filled: the name is refused first; then the tariff, which clears nothing.
            form.click(IDC_ORDER_SEND);
            REQUIRE(messages.size() == 1);
            CHECK(form.focused(IDC_ORDER_NAME));
            form.type(IDC_ORDER_NAME, L"Ivan");
            form.type(IDC_ORDER_EMAIL, L"ivan@mail.example");
            form.click(IDC_ORDER_SEND);
            REQUIRE(messages.size() == 2);
            CHECK_EQ(utf16(messages[1].text),
                     std::wstring(inLanguage(language, L"Вы не выбрали тарифный план. ", L"You have not chosen tariff plan.")));
            CHECK_EQ(form.text(IDC_ORDER_NAME), std::wstring(L"Ivan"));
            CHECK_EQ(form.text(IDC_ORDER_EMAIL), std::wstring(L"ivan@mail.example"));
            form.click(IDC_ORDER_FIRST_TARIFF + 2);
            quenzar::wintest::saveScreenshot(form.window(), language == kRussian ? "order-ru" : "order-en");
            form.press(IDC_ORDER_EMAIL, VK_RETURN);  // Enter sends
        };
        auto treeScript = [&](DialogProbe& tree) {
            REQUIRE(quenzar::wintest::pumpUntil([&] { return IsWindowEnabled(tree.window()) != FALSE; }));
            quenzar::wintest::onNextDialog(orderScript, inLanguage(language, L"ЗАКАЗ НА ВОССТАНОВЛЕНИЕ ДАННЫХ С HD0",
                                                                   L"SENDING ORDER DATA RECOVERY FROM HD0"));
            tree.click(IDC_TREE_ORDER);
        };
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
            quenzar::wintest::onNextDialog(treeScript, inLanguage(language, L"Дерево каталогов логического диска D:",
                                                                  L"The directory tree logical disk D:"));
            filter.press(IDC_FILTER_DRIVE_LETTER, VK_RETURN);
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return orderSeen && quenzar::wintest::dialogScriptRan(); }, 60'000));
        CHECK(shell.record.exitCodes.empty());
        REQUIRE(messages.size() == 3);
        CHECK_EQ(utf16(messages[2].caption),
                 std::wstring(inLanguage(language, L"Ответ сервера Quenzar ", L"Response from server Quenzar ")));
        CHECK_EQ(messages[2].text, answer);

        // The order file stays in the work folder; its geometry is the analysis' own.
        const std::string file = fileBytes(work.path() / "QuenzarSalvage.bin");
        REQUIRE(file.size() == online::kOrderFileBytes);
        online::OrderFile orderFile{};
        std::copy(file.begin(), file.end(), reinterpret_cast<char*>(orderFile.data()));
        const quenzar::recovery::AnalysisGeometry& analysed = shell.state.analysis.result.geometry;
        const quenzar::recovery::AnalysisGeometry stored = online::readOrderGeometry(orderFile);
        CHECK_EQ(stored.lastRecordIndex, analysed.lastRecordIndex);
        CHECK_EQ(stored.sectorsPerCluster, analysed.sectorsPerCluster);
        CHECK_EQ(stored.volumeStartLba, analysed.volumeStartLba);
        CHECK(stored.runTable == analysed.runTable);
        CHECK(analysed.sectorsPerCluster > 0);
        CHECK_EQ(file[online::kKeyBlockOffset], 'A');
        const std::string row(online::tariffRow(online::TariffGroup::A, 3).in(language));
        CHECK_EQ(file.substr(186 + 19, 58), row);
        const auto& serial = shell.state.inventory.disk('0').serialNumber;
        CHECK_EQ(file.substr(265 + 19, 20), std::string(serial.data(), serial.size()));

        // The request carries the file that was written and the tariff row.
        const online::OrderForm form{"Ivan", "ivan@mail.example", row, language};
        const online::HttpRequest expected =
            online::makeOrderRequest(*online::parseServerAddress(server.address()), form, orderFile);
        const ReceivedRequest received = split(server.request());
        checkHeaders(received, "/PHP/QuenzarSalvage_/QuenzarSalvage.php", expected.body.size());
        CHECK(received.body == expected.body);
    }
}

namespace {

// Fills and sends the consultation form against the server setting; the message boxes shown.
const std::vector<quenzar::wintest::SeamRecord::Message>& consultThrough(ShellWindow& shell, const std::string& server) {
    shell.state.webServer = server;
    shell.state.sendLimits = {2, 4};
    quenzar::wintest::onNextDialog([&](DialogProbe& form) {
        form.type(IDC_HELP_NAME, L"Ivan");
        form.type(IDC_HELP_EMAIL, L"ivan@mail.example");
        form.type(IDC_HELP_DESCRIPTION, L"The disk clicks and the volume is gone since yesterday.");
        form.click(IDC_HELP_SEND);
    });
    shell.command(CMD_FREE_CONSULTATION);
    return shell.record.messages;
}

const std::string kConsultationFailure =
    "When attempting to transfer data, there was a fatal problem!\r\n\r\n"
    "Transfer a file QuenzarSalvage.bin in the laboratory Quenzar\r\nin any other way.\r\n";

}  // namespace

// Only a 2xx answer is the laboratory's answer: an error page, a redirect (never followed: the
// server it names gets nothing) and an answer that is no HTTP end in the failure box with the
// cause; so does a server setting that is more than host[:port], before anything is sent.
TEST_CASE(answersOtherThanSuccessEndInTheFailureBoxWithTheCause) {
    LoopbackHttpServer elsewhere(LoopbackHttpServer::Reply::Answer, "moved here");
    REQUIRE(elsewhere.listening());
    const std::string moved = "HTTP/1.1 302 Found\r\nLocation: http://" + elsewhere.address() + "/\r\n";
    struct Case {
        const char* what;
        LoopbackHttpServer::Reply reply;
        std::string head;
        std::string cause;
    } const cases[] = {
        {"error page", LoopbackHttpServer::Reply::Answer, "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/html\r\n",
         "Cause: the server answered with HTTP status 500."},
        {"redirect", LoopbackHttpServer::Reply::Answer, moved,
         "Cause: the server answered with HTTP status 302, a redirect, which is not followed."},
        {"no HTTP", LoopbackHttpServer::Reply::NotHttp, "", "Cause: the server's answer broke off or is no HTTP answer."},
        {"user in the setting", LoopbackHttpServer::Reply::Answer, "HTTP/1.1 200 OK\r\n",
         "Cause: QUENZAR_SERVER is not host[:port]: a user name or password (user:pass@) is not taken"},
    };
    for (const Case& c : cases) {
        Note note(c.what);
        LoopbackHttpServer server(c.reply, "<html>the server's own page</html>", c.head);
        REQUIRE(server.listening());
        ShellWindow shell(kEnglish, true);
        REQUIRE(shell.window() != nullptr);
        const bool userInSetting = c.cause.find("QUENZAR_SERVER") != std::string::npos;
        const auto& messages = consultThrough(shell, (userInSetting ? "user:pass@" : "") + server.address());
        REQUIRE(messages.size() == 1);
        CHECK_EQ(utf16(messages[0].caption), std::wstring(L"Problem with Internet"));
        CHECK_EQ(messages[0].text, kConsultationFailure + c.cause);
        CHECK_EQ(messages[0].flags, UINT{MB_ICONERROR});
        CHECK_EQ(server.request().empty(), userInSetting);
    }
    CHECK(elsewhere.request().empty());
}

// An answer declared UTF-8 is converted as UTF-8, not read as code page 1251: its Cyrillic shows
// as Cyrillic, a character 1251 lacks as "?", and so does a control character.
TEST_CASE(answerDeclaredUtf8IsShownAsUtf8) {
    const std::string body = "\xD0\x97\xD0\xB0\xD1\x8F\xD0\xB2\xD0\xBA\xD0\xB0 \xE2\x9C\x93\x1b[2J";  // Заявка ✓ ESC[2J
    LoopbackHttpServer server(LoopbackHttpServer::Reply::Answer, body,
                              "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n");
    REQUIRE(server.listening());
    ShellWindow shell(kRussian, true);
    REQUIRE(shell.window() != nullptr);
    const auto& messages = consultThrough(shell, server.address());
    REQUIRE(messages.size() == 1);
    CHECK_EQ(utf16(messages[0].caption), std::wstring(L"Ответ сервера Quenzar "));
    CHECK_EQ(utf16(messages[0].text), std::wstring(L"Заявка ??[2J"));
}
