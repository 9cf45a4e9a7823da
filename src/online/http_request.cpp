#include "online/http_request.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

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

std::optional<ServerAddress> parseServerAddress(std::string_view text) {
    ServerAddress address;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view portText = text.substr(colon + 1);
        unsigned port = 0;
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (portText.empty() || error != std::errc{} || end != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            return std::nullopt;
        }
        address.port = static_cast<std::uint16_t>(port);
        text = text.substr(0, colon);
    }
    // The host goes into the request's header lines: anything that could end a line or split it
    // into words is refused.
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F || c == '/') return std::nullopt;
    }
    address.host = text;
    return address;
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
    block.append(host).append("\r\nContent-Length: ").append(length);
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

std::string printable(std::string_view answer) {
    std::string text(answer);
    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\r' && c != '\t') || u == 0x7F) c = '?';
    }
    return text;
}

}  // namespace

OutcomeMessage outcomeMessage(RequestKind kind, const SendOutcome& outcome, text::Language language) {
    if (outcome.sent) {
        return {std::string(kResponseTitle.in(language)), printable(shownResponse(outcome.response))};
    }
    const text::TextPair& failure = kind == RequestKind::Consultation ? kConsultationFailure : kOrderFailure;
    return {std::string(kFailureTitle.in(language)), std::string(failure.in(language))};
}

}  // namespace quenzar::online
