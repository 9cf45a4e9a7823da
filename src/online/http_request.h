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

// "host" or "host:port" (port 1 to 65535); nothing for an empty host or a wrong port.
std::optional<ServerAddress> parseServerAddress(std::string_view text);

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

// What a transport reports: whether the request was sent and an answer came (whatever the HTTP
// status), and the first bytes of the answer.
struct SendOutcome {
    bool sent = false;
    std::string response;
};

// The answer as it is shown: at most its first 500 bytes.
// (outcomeMessage also shows control characters other than line ends and tabs as "?": they would
// cut a message box's text or drive a terminal.)
std::string_view shownResponse(std::string_view response);

// The message box a request ends with.
struct OutcomeMessage {
    std::string title;
    std::string text;
};

enum class RequestKind { Consultation, Order };

// "Response from server Quenzar " with the answer, or "Problem with Internet" with the failure text
// of the request.
OutcomeMessage outcomeMessage(RequestKind kind, const SendOutcome& outcome, text::Language language);

}  // namespace quenzar::online
