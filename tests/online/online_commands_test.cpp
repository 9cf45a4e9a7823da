// salvage consult and salvage order against a real HTTP server on 127.0.0.1 that records the
// raw bytes of the request; Python's email package reads the multipart body back.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "disk/inventory.h"
#include "online/http_request.h"
#include "online/order_file.h"
#include "platform/disk_system.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::online {
namespace {

using testsupport::runCommand;
using testsupport::TempFolder;

const std::string kScripts = QUENZAR_TEST_SOURCE_DIR "/online/";

std::string fixture(const char* name) { return (testsupport::fixtureDir() / name).string(); }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The recording server, one request long; stopped by its PID when the test ends.
class RecordingServer {
public:
    RecordingServer(const TempFolder& folder, const std::string& options)
        : record_(folder.file("request.raw")) {
        const std::string portFile = folder.file("port");
        pid_ = std::stoi(runCommand("python3 '" + kScripts + "recording_server.py' --port-file '" + portFile +
                                    "' --record '" + record_ + "' " + options + " >/dev/null 2>&1 & echo $!"));
        for (int i = 0; i < 400 && port_ == 0; ++i) {
            const std::string text = readFile(portFile);
            if (!text.empty()) port_ = std::stoi(text);
            else std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~RecordingServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    int port() const { return port_; }
    std::string request() const { return readFile(record_); }
    const std::string& recordPath() const { return record_; }

private:
    std::string record_;
    int pid_ = 0;
    int port_ = 0;
};

// A loopback port nothing listens on: bound, then let go.
int closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

std::string salvage(int port, const std::string& arguments, int* exitCode) {
    return runCommand("QUENZAR_SERVER=127.0.0.1:" + std::to_string(port) + " QUENZAR_HTTP_TIMEOUT=2 '" +
                          QUENZAR_SALVAGE_EXE + "' " + arguments + " 2>&1",
                      exitCode);
}

const std::string kConsultArguments =
    "consult --name Ivan --email ivan@example.com --description 'The disk clicks and D: is gone.' --lang en";

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(OnlineCommands, ConsultationSendsExactlyTheRequest) {
    TempFolder folder;
    RecordingServer server(folder, "--answer-bytes 700");
    ASSERT_NE(server.port(), 0);
    int exitCode = -1;
    const std::string out = salvage(server.port(), "--image '" + fixture("mbr.img") + "' " + kConsultArguments, &exitCode);
    EXPECT_EQ(exitCode, 0) << out;

    // The body the core makes for this form and this disk, and the header block around it.
    platform::ImageDiskSystem disks({fixture("mbr.img")});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    const std::string body = consultationBody(
        {"Ivan", "ivan@example.com", "The disk clicks and D: is gone.", text::Language::English}, inventory.screen);
    ASSERT_EQ(body.size(), 71 + 4 + 74 + 16 + 76 + 1 + 163 + 248 + 31 + 4 + 3400 + 28);

    const std::string request = server.request();
    const std::size_t headEnd = request.find("\r\n\r\n");
    ASSERT_NE(headEnd, std::string::npos) << request;
    const std::string head = request.substr(0, headEnd + 2);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "POST /PHP/QuenzarSalvage_/Help.php HTTP/1.1");
    EXPECT_EQ(request.substr(headEnd + 4), body);
    // Every line of the header block goes out as it is, once; nothing asks the server to wait.
    for (const std::string line :
         {"Content-Type: multipart/form-data; boundary=########12#21#######\r\n",
          "Accept-Encoding: gzip, deflate\r\n", "Host: 127.0.0.1\r\n", "Content-Length:    4116\r\n",
          "Connection: Keep-Alive\r\n", "Cache-Control: no-cache\r\n", "User-Agent: QuenzarSalvage\r\n"}) {
        EXPECT_EQ(count(head, line), 1u) << line << head;
    }
    EXPECT_EQ(count(head, "Host:"), 1u);
    EXPECT_EQ(count(head, "Content-Length:"), 1u);
    EXPECT_EQ(count(head, "Content-Type:"), 1u);
    EXPECT_EQ(count(head, "Expect:"), 0u);

    // A multipart reader finds the four parts and their contents.
    const std::string parts = runCommand("python3 '" + kScripts + "read_multipart.py' '" + server.recordPath() + "'");
    std::istringstream lines(parts);
    std::string name, filename, md5;
    std::size_t length = 0;
    const std::pair<const char*, std::size_t> expected[] = {
        {"name", 4}, {"email", 16}, {"indlang", 1}, {"filez", 248 + 31 + 4 + 3400}};
    for (const auto& [partName, partLength] : expected) {
        ASSERT_TRUE(lines >> name >> filename >> md5 >> length) << parts;
        EXPECT_EQ(name, partName);
        EXPECT_EQ(length, partLength) << name;
    }
    EXPECT_EQ(filename, "test");
    EXPECT_FALSE(lines >> name) << parts;

    // The 700-byte answer is shown cut after 500 bytes.
    std::string shown;
    for (int i = 0; i < 500; ++i) shown += static_cast<char>('0' + i % 10);
    EXPECT_NE(out.find("Response from server Quenzar \n" + shown + "\n"), std::string::npos) << out;
    EXPECT_EQ(out.find(shown + "0"), std::string::npos);
}

TEST(OnlineCommands, ShortAnswersShownWhole) {
    for (int answerBytes : {0, 500}) {
        SCOPED_TRACE(answerBytes);
        TempFolder folder;
        RecordingServer server(folder, "--answer-bytes " + std::to_string(answerBytes));
        int exitCode = -1;
        const std::string out = salvage(server.port(), kConsultArguments, &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        std::string answer;
        for (int i = 0; i < answerBytes; ++i) answer += static_cast<char>('0' + i % 10);
        EXPECT_EQ(out, "Response from server Quenzar \n" + answer + "\n");
    }
}

const std::string kConsultFailure =
    "Problem with Internet\nWhen attempting to transfer data, there was a fatal problem!\n\n"
    "Transfer a file QuenzarSalvage.bin in the laboratory Quenzar\nin any other way.\n";

TEST(OnlineCommands, DeadOrSilentServerEndsInTheFailureText) {
    {
        SCOPED_TRACE("nothing listens");
        int exitCode = -1;
        EXPECT_EQ(salvage(closedPort(), kConsultArguments, &exitCode),
                  kConsultFailure + "Cause: the server refused the connection.\n");
        EXPECT_EQ(exitCode, 1);
    }
    {
        SCOPED_TRACE("accepts and never answers");
        TempFolder folder;
        RecordingServer server(folder, "--silent");
        const auto start = std::chrono::steady_clock::now();
        int exitCode = -1;
        EXPECT_EQ(salvage(server.port(), kConsultArguments, &exitCode),
                  kConsultFailure + "Cause: the server did not answer in time.\n");
        EXPECT_EQ(exitCode, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

// An answer is a success only with a 2xx status: an error page or a redirect is a failure that
// names its status, its body is not shown as the laboratory's answer, and a redirect is not
// followed (the server it points to, on loopback, gets nothing).
TEST(OnlineCommands, AnswersOtherThanSuccessAreFailures) {
    TempFolder elsewhereFolder;
    RecordingServer elsewhere(elsewhereFolder, "--answer-bytes 3");
    ASSERT_NE(elsewhere.port(), 0);
    const std::string redirect = "--status 302 --location http://127.0.0.1:" + std::to_string(elsewhere.port()) + "/";
    struct Case {
        std::string options;
        std::string lang;
        std::string cause;
    } const cases[] = {
        {"--status 500 --answer-bytes 40", "en", "Cause: the server answered with HTTP status 500.\n"},
        {"--status 404 --answer-bytes 40", "en", "Cause: the server answered with HTTP status 404.\n"},
        {redirect, "en", "Cause: the server answered with HTTP status 302, a redirect, which is not followed.\n"},
        {"--not-http --answer-bytes 40", "en", "Cause: the server's answer broke off or is no HTTP answer.\n"},
        {"--status 503 --answer-bytes 40", "ru", testsupport::utf8(u8"Причина: сервер ответил кодом состояния HTTP 503.\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options + " " + c.lang);
        TempFolder folder;
        RecordingServer server(folder, c.options);
        ASSERT_NE(server.port(), 0);
        int exitCode = -1;
        std::string arguments = kConsultArguments;
        arguments.replace(arguments.size() - 2, 2, c.lang);
        const std::string out = salvage(server.port(), arguments, &exitCode);
        EXPECT_EQ(exitCode, 1) << out;
        if (c.lang == "en") {
            EXPECT_EQ(out, kConsultFailure + c.cause);
        } else {
            EXPECT_EQ(out.find(testsupport::utf8(u8"Проблема с интернет\n")), 0u) << out;
            EXPECT_EQ(out.size() - out.rfind(c.cause), c.cause.size()) << out;
        }
        EXPECT_EQ(out.find("0123456789"), std::string::npos) << out;
        EXPECT_FALSE(server.request().empty());
    }
    EXPECT_TRUE(elsewhere.request().empty());
}

// An answer declared UTF-8 is printed as UTF-8; an undeclared one is read as code page 1251, as
// the server has always answered. Either way control characters are shown as "?", and a
// character that the 500-byte cut splits is left out.
TEST(OnlineCommands, AnswerShownInItsDeclaredEncoding) {
    const std::string utf8Hex = "d097d0b0d18fd0b2d0bad0b020e29c93" "1b5b324a" "c29b" "0d0a" "656e64";  // Заявка ✓ ESC[2J CSI CR LF end
    std::string cutHex;
    for (int i = 0; i < 499; ++i) cutHex += "78";
    struct Case {
        std::string contentType;
        std::string hex;
        std::string shown;
    } const cases[] = {
        {"text/plain; charset=UTF-8", utf8Hex, testsupport::utf8(u8"Заявка ✓?[2J?\nend")},
        {"text/html;charset=\"utf-8\"", cutHex + "d096", std::string(499, 'x')},
        {"text/plain", "c7e0ffe2eae0", testsupport::utf8(u8"Заявка")},  // the same word in code page 1251
        {"text/plain; charset=windows-1251", "c7e0ffe2eae0", testsupport::utf8(u8"Заявка")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contentType);
        TempFolder folder;
        RecordingServer server(folder, "--content-type '" + c.contentType + "' --answer-hex " + c.hex);
        ASSERT_NE(server.port(), 0);
        int exitCode = -1;
        const std::string out = salvage(server.port(), kConsultArguments, &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_EQ(out, "Response from server Quenzar \n" + c.shown + "\n");
    }
}

// QUENZAR_SERVER names a server and nothing more; anything else is refused with the reason before
// a name is looked up or a byte is sent.
TEST(OnlineCommands, ServerSettingOtherThanHostAndPortIsRefused) {
    TempFolder folder;
    RecordingServer server(folder, "--answer-bytes 3");
    ASSERT_NE(server.port(), 0);
    const std::string port = std::to_string(server.port());
    struct Case {
        std::string setting;
        std::string reason;
    } const cases[] = {
        {"user:pass@127.0.0.1:" + port, "a user name or password (user:pass@) is not taken"},
        {"127.0.0.1:" + port + "/PHP", "a scheme or a path (http://, /...) is not taken"},
        {"http://127.0.0.1:" + port, "a scheme or a path (http://, /...) is not taken"},
        {std::string(3000, 'a'), "the server's name is longer than 253 characters (or a part of it longer than 63)"},
        {"127.0.0.1:99999", "the port is digits from 1 to 65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting.substr(0, 60));
        int exitCode = -1;
        const std::string out = runCommand("QUENZAR_SERVER='" + c.setting + "' '" + QUENZAR_SALVAGE_EXE + "' " +
                                               kConsultArguments + " 2>&1",
                                           &exitCode);
        EXPECT_EQ(exitCode, 1);
        EXPECT_EQ(out, "salvage consult: QUENZAR_SERVER is not host or host:port\n"
                       "salvage consult: QUENZAR_SERVER: " + c.reason + "\n");
    }
    EXPECT_TRUE(server.request().empty());
}

TEST(OnlineCommands, InvalidFormsAreRefusedBeforeAnythingIsSent) {
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"consult --name Iv --email ivan@example.com --description 'The disk clicks and D: is gone.' --lang en",
         "Error input data.\nThe field \"Your name\" is blank"},
        {"consult --name Ivan --email a@b.cd --description 'The disk clicks and D: is gone.' --lang en",
         "Error input data.\nThe field \"E-mail\" is not filled"},
        {"consult --name Ivan --email ivan@example.com --description 'twenty-five characters..' --lang en",
         "Error input data.\nDescription of the situation too meek."},
        {"order D --name Ivan --email ivan@example.com --tariff 5 --lang en",
         "Error input data.\nYou have not chosen tariff plan."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        int exitCode = -1;
        const std::string out = salvage(closedPort(), c.arguments, &exitCode);
        EXPECT_EQ(exitCode, 2);
        EXPECT_EQ(out.find(c.message), 0u) << out;
    }
}

// The order file of the first NTFS volume of an image, written and read back.
struct WrittenOrder {
    std::string output;
    int exitCode = -1;
    std::string file;
};

WrittenOrder writeOrder(const TempFolder& folder, const char* image, int port, const std::string& extra) {
    WrittenOrder order;
    order.output = salvage(port,
                           "order '" + fixture(image) + "' --name Ivan --email ivan@example.com --tariff 3 --lang en "
                           "--work-dir '" + folder.path().string() + "' " + extra,
                           &order.exitCode);
    order.file = readFile(folder.file("QuenzarSalvage.bin"));
    return order;
}

TEST(OnlineCommands, OrderFileCarriesTheVolumeGeometry) {
    const testsupport::Manifest manifest = testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    for (const auto& [image, group] : {std::pair{"mbr.img", 'A'}, std::pair{"gpt.img", 'A'}}) {
        SCOPED_TRACE(image);
        TempFolder folder;
        const WrittenOrder order = writeOrder(folder, image, closedPort(), "--write-only");
        EXPECT_EQ(order.exitCode, 0) << order.output;
        ASSERT_EQ(order.file.size(), kOrderFileBytes);
        OrderFile file;
        std::copy(order.file.begin(), order.file.end(), file.begin());
        EXPECT_EQ(file[kKeyBlockOffset], group);
        const std::string row(tariffRow(group == 'B' ? TariffGroup::B : TariffGroup::A, 3).english);
        EXPECT_EQ(order.file.substr(186, 79), "Тарифный план......" + row + "\r\n");

        const testsupport::PartitionFacts& volume = *manifest.image(image).partition(0);
        const recovery::AnalysisGeometry geometry = readOrderGeometry(file);
        EXPECT_EQ(geometry.volumeStartLba, volume.startLba);
        EXPECT_EQ(geometry.sectorsPerCluster, volume.sectorsPerCluster());
        EXPECT_EQ(geometry.runTable[0].firstRecord, 0u);
        EXPECT_EQ(geometry.runTable[0].startLba, volume.startLba + volume.mftCluster * volume.sectorsPerCluster());
        EXPECT_GT(geometry.lastRecordIndex, 15u);
    }
}

TEST(OnlineCommands, OrderSendsTheFileItWrote) {
    TempFolder folder;
    RecordingServer server(folder, "--answer-bytes 12");
    const WrittenOrder order = writeOrder(folder, "mbr.img", server.port(), "");
    EXPECT_EQ(order.exitCode, 0) << order.output;
    ASSERT_EQ(order.file.size(), kOrderFileBytes);
    const std::string request = server.request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "POST /PHP/QuenzarSalvage_/QuenzarSalvage.php HTTP/1.1");
    const std::string row(tariffRow(TariffGroup::A, 3).english);
    const std::string body = std::string(kNamePartHeader) + "Ivan" + std::string(kEmailPartHeader) +
                             "ivan@example.com" + std::string(kLanguagePartHeader) + "E" +
                             std::string(kFilePartHeader) + order.file + std::string(kTariffPartHeader) + row +
                             std::string(kClosingDelimiter);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), body);
    EXPECT_NE(request.find("Content-Length:    2983\r\n"), std::string::npos);
    EXPECT_NE(order.output.find("Response from server Quenzar \n012345678901\n"), std::string::npos) << order.output;
}

}  // namespace
}  // namespace quenzar::online
