#include "online/http_request.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/code_page_1251.h"

namespace quenzar::online {
namespace {

static_assert(kNamePartHeader.size() == 71);
static_assert(kEmailPartHeader.size() == 74);
static_assert(kLanguagePartHeader.size() == 76);
static_assert(kFilePartHeader.size() == 163);
static_assert(kTariffPartHeader.size() == 74);
static_assert(kClosingDelimiter.size() == 28);

constexpr text::TextPair kResponseTitle{"Ответ сервера Quenzar ", "Response from server Quenzar "};
constexpr text::TextPair kFailureTitle{"Проблема с интернет", "Problem with Internet"};
constexpr text::TextPair kConsultationFailure{
    "При попытке передачи данных, возникла фатальная проблема! \r\n\r\n"
    "Передайте файл QuenzarSalvage.bin в лабораторию Quenzar \rиным способом.",
    "When attempting to transfer data, there was a fatal problem!\r\n\r\n"
    "Transfer a file QuenzarSalvage.bin in the laboratory Quenzar\r\nin any other way."};
constexpr text::TextPair kOrderFailure{"При попытке передачи данных, возникла фатальная проблема! ",
                                       "When attempting to transfer data, there was a fatal problem!"};

void appendField(std::string& out, std::string_view text, std::size_t width) {
    const std::size_t length = std::min(text.size(), width);
    out.append(text.substr(0, length)).append(width - length, ' ');
}

// The name, e-mail and language parts that open both bodies.
void appendPersonParts(std::string& body, std::string_view name, std::string_view email, text::Language language) {
    body.append(kNamePartHeader).append(name);
    body.append(kEmailPartHeader).append(email);
    body.append(kLanguagePartHeader).push_back(static_cast<char>(language));
}

HttpRequest makeRequest(const ServerAddress& server, std::string_view path, std::string body) {
    HttpRequest request{server, path, requestHeaderBlock(server.host, body.size()), std::move(body)};
    return request;
}

}  // namespace

namespace {

constexpr std::size_t kHostNameMaxChars = 253;
constexpr std::size_t kHostLabelMaxChars = 63;
constexpr std::size_t kIpv6MaxChars = 45;

bool isHostNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// A host name or an IPv4 address: dot-separated parts of letters, digits, "-" and "_"; one final
// dot is allowed, as DNS writes a full name.
ServerSettingFault hostNameFault(std::string_view host) {
    if (host.empty()) return ServerSettingFault::NoHost;
    if (host.back() == '.') host.remove_suffix(1);
    if (host.size() > kHostNameMaxChars) return ServerSettingFault::TooLong;
    std::size_t labelChars = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '.') {
            if (labelChars == 0) return ServerSettingFault::BadHost;
            labelChars = 0;
        } else if (!isHostNameCharacter(host[i])) {
            return ServerSettingFault::BadHost;
        } else if (++labelChars > kHostLabelMaxChars) {
            return ServerSettingFault::TooLong;
        }
    }
    return ServerSettingFault::None;
}

// The inside of "[...]": hexadecimal digits and colons, an IPv4 tail allowed.
bool isIpv6Address(std::string_view text) {
    if (text.size() < 2 || text.size() > kIpv6MaxChars || text.find(':') == std::string_view::npos) return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') return false;
    }
    return true;
}

}  // namespace

std::optional<ServerAddress> parseServerAddress(std::string_view text, ServerSettingFault* fault) {
    ServerSettingFault found = ServerSettingFault::None;
    auto refuse = [&](ServerSettingFault why) -> std::optional<ServerAddress> {
        if (fault != nullptr) *fault = why;
        return std::nullopt;
    };
    if (fault != nullptr) *fault = found;
    // What would make the setting more than a server: a user name (the host follows "@"), a
    // scheme or a path. They are refused, never cut off, so that no part of the setting is
    // silently left out of where the request goes.
    if (text.find('@') != std::string_view::npos) return refuse(ServerSettingFault::UserInfo);
    if (text.find_first_of("/\\?#") != std::string_view::npos) return refuse(ServerSettingFault::Path);

    ServerAddress address;
    std::string_view host = text;
    std::string_view portText;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || !isIpv6Address(text.substr(1, close - 1))) {
            return refuse(ServerSettingFault::BadHost);
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return refuse(ServerSettingFault::BadHost);
        hasPort = !rest.empty();
        if (hasPort) portText = rest.substr(1);
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        hasPort = true;
        // A second colon: an IPv6 address without its brackets, or two ports.
        if (portText.find(':') != std::string_view::npos) return refuse(ServerSettingFault::BadHost);
        found = hostNameFault(host);
    } else {
        found = hostNameFault(host);
    }
    if (found != ServerSettingFault::None) return refuse(found);
    if (hasPort) {
        unsigned port = 0;
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (portText.empty() || error != std::errc{} || end != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            return refuse(ServerSettingFault::BadPort);
        }
        address.port = static_cast<std::uint16_t>(port);
    }
    address.host = host;
    return address;
}

text::TextPair serverSettingFaultText(ServerSettingFault fault) {
    switch (fault) {
        case ServerSettingFault::None: break;
        case ServerSettingFault::NoHost: return {"в ней нет имени сервера", "it names no server"};
        case ServerSettingFault::UserInfo:
            return {"имя пользователя и пароль (user:pass@) не принимаются",
                    "a user name or password (user:pass@) is not taken"};
        case ServerSettingFault::Path:
            return {"схема и путь (http://, /...) не принимаются", "a scheme or a path (http://, /...) is not taken"};
        case ServerSettingFault::BadPort: return {"порт - это цифры от 1 до 65535", "the port is digits from 1 to 65535"};
        case ServerSettingFault::TooLong:
            return {"имя сервера длиннее 253 знаков (или его часть длиннее 63)",
                    "the server's name is longer than 253 characters (or a part of it longer than 63)"};
        case ServerSettingFault::BadHost:
            return {"сервер - это имя из букв, цифр, \"-\" и \".\" или адрес вида 192.0.2.1 или [2001:db8::1]",
                    "the server is a name of letters, digits, \"-\" and \".\", or an address such as 192.0.2.1 or "
                    "[2001:db8::1]"};
    }
    return {"", ""};
}

std::string consultationBlock(std::string_view name, std::string_view email) {
    std::string block;
    block.reserve(kConsultationBlockBytes);
    appendField(block, "ЗАПРОС БЕСПЛАТНОЙ КОНСУЛЬТАЦИИ", 60);
    block.append("\r\nПользователь.......");
    appendField(block, name, 40);
    block.append(" \r\nЭлектронный адрес..");
    appendField(block, email, 40);
    block.append(" \r\n");
    appendField(block, "Текст запроса", 60);
    block.append("\r\n");
    return block;
}

std::string consultationBody(const ConsultationForm& form, std::string_view inventoryScreen) {
    std::string body;
    appendPersonParts(body, form.name, form.email, form.language);
    body.append(kFilePartHeader).append(consultationBlock(form.name, form.email));
    body.append(form.description).append("\r\n\r\n");
    // Always 3,400 bytes: a screen that is shorter (none built yet) is filled with blanks.
    const std::size_t first = std::min(inventoryScreen.size(), kInventoryFirstLine * disk::kScreenLineBytes);
    appendField(body, inventoryScreen.substr(first), kInventoryBytes);
    body.append(kClosingDelimiter);
    return body;
}

std::string orderBody(const OrderForm& form, const OrderFile& orderFile) {
    std::string body;
    appendPersonParts(body, form.name, form.email, form.language);
    body.append(kFilePartHeader).append(orderFile.begin(), orderFile.end());
    body.append(kTariffPartHeader);
    appendField(body, form.tariffRow, kTariffRowChars);
    body.append(kClosingDelimiter);
    return body;
}

std::string requestHeaderBlock(std::string_view host, std::size_t bodyBytes) {
    char length[16];
    std::snprintf(length, sizeof length, "%7u", static_cast<unsigned>(bodyBytes));
    std::string block = "Content-Type: multipart/form-data; boundary=########12#21#######\r\n"
                        "Accept-Encoding: gzip, deflate\r\nHost: ";
    // An IPv6 address is written in brackets, as a Host line needs it.
    if (host.find(':') != std::string_view::npos) {
        block.append("[").append(host).append("]");
    } else {
        block.append(host);
    }
    block.append("\r\nContent-Length: ").append(length);
    block.append("\r\nConnection: Keep-Alive\r\nCache-Control: no-cache\r\n");
    return block;
}

HttpRequest makeConsultationRequest(const ServerAddress& server, const ConsultationForm& form,
                                    std::string_view inventoryScreen) {
    return makeRequest(server, kConsultationPath, consultationBody(form, inventoryScreen));
}

HttpRequest makeOrderRequest(const ServerAddress& server, const OrderForm& form, const OrderFile& orderFile) {
    return makeRequest(server, kOrderPath, orderBody(form, orderFile));
}

std::string_view shownResponse(std::string_view response) { return response.substr(0, kResponseMaxBytes); }

TransportLimits transportLimitsOf(const char* timeoutSetting) {
    TransportLimits limits;
    if (timeoutSetting == nullptr || *timeoutSetting == '\0') return limits;
    const std::string_view text(timeoutSetting);
    long seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc{} && end == text.data() + text.size() && seconds > 0 && seconds <= limits.totalSeconds) {
        limits.totalSeconds = seconds;
        if (limits.connectSeconds > seconds) limits.connectSeconds = seconds;
    }
    return limits;
}

namespace {

constexpr text::TextPair kCauseNoConnection{"Причина: соединение с сервером не установлено.",
                                            "Cause: no connection to the server could be made."};
constexpr text::TextPair kCauseTimedOut{"Причина: сервер не ответил за отведенное время.",
                                        "Cause: the server did not answer in time."};
constexpr text::TextPair kCauseRefused{"Причина: сервер отказал в соединении.",
                                       "Cause: the server refused the connection."};
constexpr text::TextPair kCauseNameNotFound{"Причина: имя сервера не найдено.",
                                            "Cause: the server's name was not found."};
constexpr text::TextPair kCauseBadAnswer{"Причина: ответ сервера оборван или не является ответом HTTP.",
                                         "Cause: the server's answer broke off or is no HTTP answer."};
constexpr text::TextPair kCauseStatus{"Причина: сервер ответил кодом состояния HTTP %d.",
                                      "Cause: the server answered with HTTP status %d."};
constexpr text::TextPair kCauseRedirect{
    "Причина: сервер ответил кодом состояния HTTP %d - перенаправлением, по которому запрос не идет.",
    "Cause: the server answered with HTTP status %d, a redirect, which is not followed."};
constexpr text::TextPair kCauseBadSetting{"Причина: QUENZAR_SERVER не вида host[:port]: ",
                                          "Cause: QUENZAR_SERVER is not host[:port]: "};

std::string printable(std::string_view answer) {
    std::string text(answer);
    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\r' && c != '\t') || u == 0x7F) c = '?';
    }
    return text;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// How many bytes at the end of `text` are the start of a UTF-8 character that the cut left
// without its last bytes.
std::size_t cutCharacterBytes(std::string_view text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : (byte & 0xF8) == 0xF0 ? 4 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

}  // namespace

bool declaresUtf8(std::string_view contentType) {
    // The parameters after the media type, "; name=value" each, the value perhaps quoted.
    std::size_t at = contentType.find(';');
    while (at != std::string_view::npos) {
        const std::size_t next = contentType.find(';', at + 1);
        const std::string_view parameter =
            contentType.substr(at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
        const std::size_t equals = parameter.find('=');
        if (equals != std::string_view::npos && equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "charset")) {
            std::string_view value = trimmed(parameter.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
            return equalsIgnoringCase(value, "utf-8") || equalsIgnoringCase(value, "utf8");
        }
        at = next;
    }
    return false;
}

SendOutcome answeredOutcome(long status, std::string_view contentType, std::string body) {
    SendOutcome outcome;
    outcome.status = static_cast<int>(std::clamp(status, 0L, 999L));
    if (status < 100 || status > 599) {
        outcome.failure = SendFailure::BadAnswer;
    } else if (status < 200 || status > 299) {
        outcome.failure = SendFailure::HttpStatus;
    } else {
        outcome.failure = SendFailure::None;
        outcome.utf8 = declaresUtf8(contentType);
        outcome.response = std::move(body);
    }
    return outcome;
}

std::string shownAnswerUtf8(const SendOutcome& outcome) {
    const std::string_view shown = shownResponse(outcome.response);
    if (!outcome.utf8) return platform::cp1251ToUtf8(shown);
    return std::string(shown.substr(0, shown.size() - cutCharacterBytes(shown)));
}

std::string failureCause(const SendOutcome& outcome, text::Language language) {
    const text::TextPair* cause = nullptr;
    switch (outcome.failure) {
        case SendFailure::None: return {};
        case SendFailure::NoConnection: cause = &kCauseNoConnection; break;
        case SendFailure::TimedOut: cause = &kCauseTimedOut; break;
        case SendFailure::Refused: cause = &kCauseRefused; break;
        case SendFailure::NameNotFound: cause = &kCauseNameNotFound; break;
        case SendFailure::BadAnswer: cause = &kCauseBadAnswer; break;
        case SendFailure::HttpStatus: {
            const text::TextPair& format = outcome.status >= 300 && outcome.status <= 399 ? kCauseRedirect : kCauseStatus;
            char line[160];
            std::snprintf(line, sizeof line, std::string(format.in(language)).c_str(), outcome.status);
            return line;
        }
        case SendFailure::BadServerSetting:
            return std::string(kCauseBadSetting.in(language)) +
                   std::string(serverSettingFaultText(outcome.settingFault).in(language));
    }
    return std::string(cause != nullptr ? cause->in(language) : kCauseNoConnection.in(language));
}

OutcomeMessage outcomeMessage(RequestKind kind, const SendOutcome& outcome, text::Language language) {
    if (outcome.succeeded()) {
        const std::string text =
            outcome.utf8 ? platform::utf8ToCp1251(shownAnswerUtf8(outcome)) : std::string(shownResponse(outcome.response));
        return {std::string(kResponseTitle.in(language)), printable(text)};
    }
    const text::TextPair& failure = kind == RequestKind::Consultation ? kConsultationFailure : kOrderFailure;
    return {std::string(kFailureTitle.in(language)),
            std::string(failure.in(language)) + "\r\n" + failureCause(outcome, language)};
}

}  // namespace quenzar::online
