// salvage consult and salvage order: the two requests to the laboratory, as the desktop program's
// HELP and ORDER forms make them. The forms' texts come from the arguments (UTF-8, converted to
// the program's code page 1251); the same checks refuse the same input with the same messages.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "cli/http_transport.h"
#include "cli/shared_options.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "disk/inventory.h"
#include "online/form_validation.h"
#include "online/http_request.h"
#include "online/order_file.h"
#include "platform/code_page_1251.h"
#include "recovery/analysis.h"

namespace quenzar::cli {
namespace {

constexpr const char* kConsultUsage =
    "usage: salvage consult --name NAME --email E-MAIL --description TEXT [--lang ru|en]\n"
    "\n"
    "Asks the laboratory for a free consultation: the name, the e-mail, the description of the\n"
    "problem and the inventory of the disks (as salvage disks shows it) go to the laboratory's\n"
    "server, and its answer is printed. The server is QUENZAR_SERVER (host[:port]).\n";

constexpr const char* kOrderUsage =
    "usage: salvage order (LETTER | IMAGE) --name NAME --email E-MAIL --tariff 1-4 [options]\n"
    "       salvage order (DISK | IMAGE) (--boot LBA | --mft LBA | --record LBA) --name NAME ...\n"
    "\n"
    "Orders the recovery of an NTFS volume from the laboratory: the volume is analysed, the order\n"
    "file QuenzarSalvage.bin (who orders, the tariff, the disk's serial number and where the\n"
    "volume's MFT lies) is written to the work folder and sent to the laboratory's server\n"
    "(QUENZAR_SERVER, host[:port]), whose answer is printed. The tariffs of a disk with a sector\n"
    "mask are those of group B.\n"
    "\n"
    "options:\n"
    "  --write-only        write QuenzarSalvage.bin and send nothing (hand it over another way)\n"
    "  --volume N          the N-th NTFS volume of IMAGE (1 = the first, the default)\n"
    "  --boot LBA, --mft LBA, --record LBA\n"
    "                      a virtual disk on DISK (0..7) or IMAGE, as in salvage analyze\n"
    "  --work-dir DIR      where QuenzarSalvage.bin and the work file go (default: the current folder)\n"
    "  --lang ru|en        the language of the messages and of the tariff row\n";

constexpr SharedOptionSet kOrderOptions{.volume = true, .virtualDisk = true};

struct FormArguments {
    SharedOptions shared;
    std::string name, email, description;  // code page 1251
    int tariff = 0;
    std::string target;
    std::filesystem::path workFolder;
    bool writeOnly = false;
};

// Reads the arguments both commands take and those of `command`; an exit code when the command
// ends there.
std::optional<int> readFormArguments(const Arguments& args, bool order, FormArguments& form) {
    form.shared.language = languageOfEnvironment();
    const char* usage = order ? kOrderUsage : kConsultUsage;
    bool usageError = false;
    for (std::size_t i = 0; i < args.size() && !usageError; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const OptionRead shared = readSharedOption(args, i, form.shared, order ? kOrderOptions : SharedOptionSet{});
            shared != OptionRead::NotShared) {
            usageError = shared == OptionRead::Refused;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return kExitDone;
        } else if (arg == "--name" && hasValue) {
            form.name = platform::utf8ToCp1251(args[++i]);
        } else if (arg == "--email" && hasValue) {
            form.email = platform::utf8ToCp1251(args[++i]);
        } else if (!order && arg == "--description" && hasValue) {
            form.description = platform::utf8ToCp1251(args[++i]);
        } else if (order && arg == "--tariff" && hasValue) {
            const std::string& value = args[++i];
            // Anything but one digit 1 to 4 leaves the tariff unchosen: the form's own check
            // then says so.
            form.tariff = value.size() == 1 && value[0] >= '1' && value[0] <= '4' ? value[0] - '0' : 0;
        } else if (order && arg == "--work-dir" && hasValue) {
            form.workFolder = args[++i];
        } else if (order && arg == "--write-only") {
            form.writeOnly = true;
        } else if (order && form.target.empty() && !arg.empty() && arg[0] != '-') {
            form.target = arg;
        } else {
            usageError = true;
        }
    }
    if (usageError || (order && (form.target.empty() || !targetFitsOptions(form.target, form.shared)))) {
        std::fputs(usage, stderr);
        return kExitUsage;
    }
    return std::nullopt;
}

// The form's message box on the terminal: the title, then the text.
// A CR alone, which the message box shows as a line break, is one on the terminal too.
void printMessage(std::FILE* stream, std::string_view title, std::string_view text) {
    std::string lines = terminalText(text);
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    std::fprintf(stream, "%s\n%s\n", terminalText(title).c_str(), lines.c_str());
}

// Refuses the form with the message of the first field that fails.
int refuseForm(const online::FormFailure& failure, text::Language language) {
    printMessage(stderr, online::kInputErrorTitle.in(language), failure.message.in(language));
    return kExitUsage;
}

// Sends the request and prints how it ended: the server's answer (exit 0), or the failure text
// with its cause (exit 1). The answer comes from outside: it is printed in UTF-8 (an answer that
// declares UTF-8 as it came, any other read as code page 1251) and made safe for the terminal.
int sendAndReport(const online::HttpRequest& request, online::RequestKind kind, text::Language language) {
    const online::SendOutcome outcome = sendRequest(request, transportLimitsOfEnvironment());
    const online::OutcomeMessage message = online::outcomeMessage(kind, outcome, language);
    if (!outcome.succeeded()) {
        printMessage(stderr, message.title, message.text);
        return kExitFailed;
    }
    const std::string answer = online::shownAnswerUtf8(outcome);
    std::string lines;
    for (std::size_t i = 0; i < answer.size(); ++i) {
        if (answer[i] == '\r' && i + 1 < answer.size() && answer[i + 1] == '\n') continue;
        lines += answer[i] == '\r' ? '\n' : answer[i];
    }
    std::fprintf(stdout, "%s\n%s\n", terminalText(message.title).c_str(),
                 terminalSafe(lines, LineBreaks::Kept).c_str());
    return kExitDone;
}

// The server to send to, or nothing (with the reason printed) when it cannot be sent. A setting
// that is no host[:port] is refused before any name is looked up.
std::optional<online::ServerAddress> serverToSendTo(const char* command, text::Language language) {
    if (!transportAvailable()) {
        std::fprintf(stderr, "salvage %s: this build of the program cannot send requests\n", command);
        return std::nullopt;
    }
    online::ServerSettingFault fault = online::ServerSettingFault::None;
    std::optional<online::ServerAddress> server = serverOfEnvironment(&fault);
    if (!server) {
        std::fprintf(stderr, "salvage %s: QUENZAR_SERVER is not host or host:port\n", command);
        std::fprintf(stderr, "salvage %s: QUENZAR_SERVER: %s\n", command,
                     textIn(language, online::serverSettingFaultText(fault)).c_str());
    }
    return server;
}

online::LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min};
}

// The key block's seed: the desktop program takes the milliseconds since the start of Windows;
// the low 32 bits of a millisecond clock serve the same purpose.
std::uint32_t keySeed() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool writeOrderFile(const std::filesystem::path& path, const online::OrderFile& file) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    return out.good();
}

}  // namespace

int runConsult(platform::DiskSystem& disks, const Arguments& args) {
    FormArguments form;
    if (const std::optional<int> exitCode = readFormArguments(args, false, form)) return *exitCode;
    const text::Language language = form.shared.language;
    if (const auto failure = online::validateConsultation(form.name, form.email, form.description)) {
        return refuseForm(*failure, language);
    }
    const std::optional<online::ServerAddress> server = serverToSendTo("consult", language);
    if (!server) return kExitFailed;

    disk::InventoryState inventory;
    inventory.language = language;
    disk::BuildDiskInventory(inventory, disks);
    const online::ConsultationForm consultation{form.name, form.email, form.description, language};
    return sendAndReport(online::makeConsultationRequest(*server, consultation, inventory.screen),
                         online::RequestKind::Consultation, language);
}

int runOrder(platform::DiskSystem& disks, const Arguments& args) {
    FormArguments form;
    if (const std::optional<int> exitCode = readFormArguments(args, true, form)) return *exitCode;
    const text::Language language = form.shared.language;
    if (const auto failure = online::validateOrder(form.name, form.email, form.tariff)) {
        return refuseForm(*failure, language);
    }
    std::optional<online::ServerAddress> server;
    if (!form.writeOnly && !(server = serverToSendTo("order", language))) return kExitFailed;

    const StopSignals stopSignals;
    ChosenVolume volume;
    if (!chooseVolume(disks, form.target, form.shared, "order", volume)) return kExitFailed;
    // The order file and the work file never go onto what is being read.
    if (volume.refusesFolder(form.workFolder, "order", language)) return kExitFailed;

    // The order carries the geometry of the volume's analysis, as the desktop program orders
    // from the tree window of an analysed volume.
    recovery::SearchFilter filter;
    filter.allExtensions = 1;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, form.workFolder};
    const recovery::AnalysisResult analysis = analyseShowingProgress(volume, context, language);
    if (analysis.outcome == recovery::AnalysisOutcome::Stopped) {
        printIn(stderr, language, texts::kAnalysisStopped);
        return stoppedExitCode();
    }
    if (analysis.outcome != recovery::AnalysisOutcome::Completed &&
        analysis.outcome != recovery::AnalysisOutcome::NoFileMatched) {
        const recovery::MessageText message = recovery::analysisMessage(analysis.outcome, language);
        printMessage(stderr, message.title, message.text);
        return kExitFailed;
    }

    const char diskNumber = volume.diskNumber();
    const online::TariffGroup group = online::tariffGroupOf(volume.inventory.masks, diskNumber);
    const std::string_view tariffRow = online::tariffRow(group, form.tariff).in(language);
    const disk::PhysicalDiskInfo& disk = volume.inventory.disk(diskNumber);
    online::OrderDetails details{form.name,
                                 form.email,
                                 tariffRow,
                                 std::string_view(disk.serialNumber.data(), disk.serialNumber.size()),
                                 online::makeKeyBlock(keySeed(), group),
                                 localTimeNow(),
                                 analysis.geometry};
    const online::OrderFile orderFile = online::buildOrderFile(details);
    const std::filesystem::path path = form.workFolder / online::kOrderFileName;
    if (!writeOrderFile(path, orderFile)) {
        printIn(stderr, language, texts::kOrderNotWritten, terminalSafe(path.string()).c_str());
        return kExitFailed;
    }
    printIn(stdout, language, texts::kOrderWritten, terminalSafe(path.string()).c_str(), volume.letter,
            terminalText(tariffRow).c_str());
    if (form.writeOnly) return kExitDone;

    const online::OrderForm order{form.name, form.email, tariffRow, language};
    return sendAndReport(online::makeOrderRequest(*server, order, orderFile), online::RequestKind::Order, language);
}

}  // namespace quenzar::cli
