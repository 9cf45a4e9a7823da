// The two requests to the laboratory's web server, byte for byte: the consultation (the form's
// texts and the disk inventory) and the recovery order (the order file and the tariff row). Each
// is one HTTP POST of a multipart/form-data body; the transport that sends it lives outside the
// core (WinINet on Windows, libcurl in the Linux command-line program).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "disk/inventory_records.h"
#include "online/order_file.h"
#include "text/language.h"

namespace quenzar::online {

inline constexpr std::string_view kConsultationPath = "/PHP/QuenzarSalvage_/Help.php";
inline constexpr std::string_view kOrderPath = "/PHP/QuenzarSalvage_/QuenzarSalvage.php";
inline constexpr std::string_view kUserAgent = "QuenzarSalvage";

// The part headers of the body, boundary "########12#21#######".
inline constexpr std::string_view kNamePartHeader =
    "--########12#21#######\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n";
inline constexpr std::string_view kEmailPartHeader =
    "\r\n--########12#21#######\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\n";
inline constexpr std::string_view kLanguagePartHeader =
    "\r\n--########12#21#######\r\nContent-Disposition: form-data; name=\"indlang\"\r\n\r\n";
inline constexpr std::string_view kFilePartHeader =
    "\r\n--########12#21#######\r\nContent-Disposition: form-data; name=\"filez\"; filename=\"test\"\r\n"
    "Content-Type: application/applefile\r\nContent-Transfer-Encoding: binary\r\n\r\n";
inline constexpr std::string_view kTariffPartHeader =
    "\r\n--########12#21#######\r\nContent-Disposition: form-data; name=\"tarif\"\r\n\r\n";
inline constexpr std::string_view kClosingDelimiter = "\r\n--########12#21#######--\r\n";

// The consultation's text block: four lines of 60 characters and CR LF.
inline constexpr std::size_t kConsultationBlockBytes = 248;
// The inventory screen text the consultation carries, from the screen's line 6.
inline constexpr std::size_t kInventoryFirstLine = 6;
inline constexpr std::size_t kInventoryBytes = 3400;
// The most of the server's answer that is read and shown.
inline constexpr std::size_t kResponseMaxBytes = 500;

// The laboratory's server: host name and port.
struct ServerAddress {
    std::string host;
    std::uint16_t port = 80;
};
inline constexpr std::string_view kDefaultServer = "quenzar.example";

// Why a server setting is refused.
enum class ServerSettingFault : char {
    None,
    NoHost,     // empty, or a port without a host
    UserInfo,   // "user:pass@host": the request never carries a user name or password
    Path,       // "http://host", "host/path": only the server is set, the paths are the program's
    BadPort,    // a port that is not digits from 1 to 65535
    TooLong,    // a host name over 253 characters, or a part of it over 63
    BadHost,    // anything but a host name (letters, digits, "-", "_", ".") or an IP address
};

// "host" or "host:port" (port 1 to 65535); the host is a host name, an IPv4 address or an IPv6
// address in brackets ("[::1]:8080", kept without them). Nothing for anything else, with the
// reason in `fault` when it is given; the setting is checked whole before any name is looked up.
std::optional<ServerAddress> parseServerAddress(std::string_view text, ServerSettingFault* fault = nullptr);

// The reason of a refused setting, as a clause after "QUENZAR_SERVER is not host[:port]: ".
text::TextPair serverSettingFaultText(ServerSettingFault fault);

// The time limits of one request, so that a dead or silent server never holds the program.
struct TransportLimits {
    long connectSeconds = 10;
    long totalSeconds = 30;
};

// The limits with the total time shortened to the whole seconds of `timeoutSetting` (the
// QUENZAR_HTTP_TIMEOUT setting) when it holds a number from 1 to the default; null or anything
// else keeps the defaults.
TransportLimits transportLimitsOf(const char* timeoutSetting);

// The form's texts, code page 1251, already checked by the form validation.
struct ConsultationForm {
    std::string_view name;
    std::string_view email;
    std::string_view description;
    text::Language language = text::Language::English;
};

struct OrderForm {
    std::string_view name;
    std::string_view email;
    std::string_view tariffRow;  // the 58-character row, in the interface language
    text::Language language = text::Language::English;
};

// The 248-byte block that opens the consultation's file part (always Russian).
std::string consultationBlock(std::string_view name, std::string_view email);

// The consultation's body; `inventoryScreen` is the whole inventory screen (InventoryState::screen).
std::string consultationBody(const ConsultationForm& form, std::string_view inventoryScreen);

// The order's body around the 2,418 bytes of the order file.
std::string orderBody(const OrderForm& form, const OrderFile& orderFile);

// The request header block for a body of `bodyBytes` bytes: Content-Type, Accept-Encoding, Host,
// Content-Length ("%7u"), Connection and Cache-Control, each ended by CR LF.
std::string requestHeaderBlock(std::string_view host, std::size_t bodyBytes);

// One request ready for a transport.
struct HttpRequest {
    ServerAddress server;
    std::string_view path;
    std::string headerBlock;
    std::string body;
};

HttpRequest makeConsultationRequest(const ServerAddress& server, const ConsultationForm& form,
                                    std::string_view inventoryScreen);
HttpRequest makeOrderRequest(const ServerAddress& server, const OrderForm& form, const OrderFile& orderFile);

// Why a request failed.
enum class SendFailure : char {
    None,              // an answer came with a 2xx status
    NoConnection,      // the request could not be made, for a reason not told apart below
    TimedOut,          // no connection or no whole answer within the limits
    Refused,           // nothing takes connections at the server's port
    NameNotFound,      // the server's name does not resolve
    BadAnswer,         // what came back is no HTTP answer, or it broke off
    HttpStatus,        // an answer with a status other than 2xx; redirects are not followed
    BadServerSetting,  // QUENZAR_SERVER is no host[:port]; nothing was looked up or sent
};

// What a transport reports: how the request ended, and of an answer its status, whether it
// declares its text UTF-8 and the first bytes of its body.
struct SendOutcome {
    SendFailure failure = SendFailure::NoConnection;
    int status = 0;
    bool utf8 = false;
    std::string response;
    ServerSettingFault settingFault = ServerSettingFault::None;  // with BadServerSetting

    bool succeeded() const { return failure == SendFailure::None; }
};

// The outcome of a request whose answer came: a success for a status from 200 to 299, a failure
// with the status for any other (a status outside 100 to 599 is no HTTP answer at all).
// `contentType` is the answer's Content-Type header, empty when it has none.
SendOutcome answeredOutcome(long status, std::string_view contentType, std::string body);

// Whether a Content-Type header declares the text UTF-8 ("text/plain; charset=utf-8").
bool declaresUtf8(std::string_view contentType);

// The answer as it is shown: at most its first 500 bytes.
// (outcomeMessage also shows control characters other than line ends and tabs as "?": they would
// cut a message box's text or drive a terminal.)
std::string_view shownResponse(std::string_view response);

// The shown part of a successful answer as UTF-8: an answer declared UTF-8 as it came, less a
// character the 500-byte cut split; any other answer read as code page 1251. Not yet made safe
// for a terminal.
std::string shownAnswerUtf8(const SendOutcome& outcome);

// The message box a request ends with.
struct OutcomeMessage {
    std::string title;
    std::string text;
};

enum class RequestKind { Consultation, Order };

// "Response from server Quenzar " with the answer (code page 1251: a UTF-8 answer is converted,
// "?" for what 1251 lacks), or "Problem with Internet" with the failure text of the request and
// one more line with its cause.
OutcomeMessage outcomeMessage(RequestKind kind, const SendOutcome& outcome, text::Language language);

// That line: why the request failed ("Cause: the server answered with HTTP status 500."); empty
// for a success.
std::string failureCause(const SendOutcome& outcome, text::Language language);

}  // namespace quenzar::online
