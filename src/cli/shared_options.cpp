#include "cli/shared_options.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <vector>

#include "cli/command_texts.h"
#include "cli/number_arguments.h"
#include "cli/terminal.h"
#include "cli/volume_choice.h"
#include "disk/sector_access.h"
#include "platform/sector_device.h"
#include "text/number_texts.h"

namespace quenzar::cli {

std::optional<text::Language> parseLanguage(const std::string& text) {
    if (text == "ru") return text::Language::Russian;
    if (text == "en") return text::Language::English;
    return std::nullopt;
}

std::optional<int> parseVolumeNumber(const std::string& text) {
    const std::optional<std::uint64_t> number = parseUnsigned(text);
    if (!number || *number == 0 || *number > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::optional<char> parseDriveLetter(const std::string& text) {
    const bool letterShape = text.size() == 1 || (text.size() == 2 && text[1] == ':');
    if (!letterShape || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

bool targetFitsOptions(const std::string& target, const SharedOptions& options) {
    return !(options.virtualStart && parseDriveLetter(target));
}

OptionRead readSharedOption(const Arguments& args, std::size_t& i, SharedOptions& options,
                            const SharedOptionSet& accepted) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--lang") {
        const std::optional<text::Language> language = hasValue ? parseLanguage(args[i + 1]) : std::nullopt;
        if (!language) return OptionRead::Refused;
        options.language = *language;
        ++i;
        return OptionRead::Taken;
    }
    if (accepted.volume && arg == "--volume") {
        const std::optional<int> number = hasValue ? parseVolumeNumber(args[i + 1]) : std::nullopt;
        if (!number) return OptionRead::Refused;
        options.volumeNumber = *number;
        ++i;
        return OptionRead::Taken;
    }
    if (accepted.virtualDisk && (arg == "--boot" || arg == "--mft" || arg == accepted.recordLbaOption)) {
        if (!hasValue || options.virtualStart) return OptionRead::Refused;
        const std::optional<std::uint64_t> lba = parseUnsigned(args[i + 1]);
        if (!lba || *lba > text::kDecimal13Max) return OptionRead::Refused;
        options.virtualStart = VirtualDiskStart{arg == "--boot"  ? ntfs::VirtualDiskDialog::FromBootSector
                                                : arg == "--mft" ? ntfs::VirtualDiskDialog::FromMftPosition
                                                                 : ntfs::VirtualDiskDialog::FromFileRecord,
                                                *lba};
        ++i;
        return OptionRead::Taken;
    }
    if (accepted.retries && arg == "--retries") {
        const std::optional<std::uint64_t> retries = hasValue ? parseUnsigned(args[i + 1]) : std::nullopt;
        if (!retries || *retries > static_cast<std::uint64_t>(disk::kMaxReadRetries)) return OptionRead::Refused;
        disk::setReadRetries(static_cast<int>(*retries));
        ++i;
        return OptionRead::Taken;
    }
    return OptionRead::NotShared;
}

char VolumeSource::letter(const disk::InventoryState& inventory, int volumeNumber) const {
    return driveLetter ? *driveLetter : letterOfVolume(inventory, volumeNumber);
}

bool isImageSource(const std::string& path, std::string_view who, text::Language language) {
    if (platform::sourceKindOf(path) != platform::SourceKind::NotADisk) return true;
    printIn(stderr, language, texts::kNotADisk, std::string(who).c_str(), terminalSafe(path).c_str());
    return false;
}

void printWriteProblem(std::string_view command, const std::filesystem::path& file, platform::WriteProblem problem,
                       text::Language language) {
    const text::TextPair* format = nullptr;
    switch (problem) {
        case platform::WriteProblem::None: return;
        case platform::WriteProblem::Link: format = &texts::kWriteLink; break;
        case platform::WriteProblem::NotPlainFile: format = &texts::kWriteNotPlainFile; break;
        case platform::WriteProblem::OtherNames: format = &texts::kWriteOtherNames; break;
        case platform::WriteProblem::NotCreated: format = &texts::kWriteNotCreated; break;
        case platform::WriteProblem::NotWritten: format = &texts::kWriteNotWritten; break;
    }
    if (format == nullptr) format = &texts::kWriteNotWritten;
    printIn(stderr, language, *format, ("salvage " + std::string(command)).c_str(), terminalSafe(file.string()).c_str());
}

bool refuseFolderOnSource(const platform::DiskSystem& disks, char letter, std::optional<char> wholeDisk,
                          const std::filesystem::path& folder, std::string_view command, text::Language language) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    const auto volume = disks.volumes().find(letter);
    const char diskNumber = wholeDisk                           ? *wholeDisk
                            : volume != disks.volumes().end() ? volume->second.diskNumber
                                                              : '\0';
    if (wholeDisk ? !disks.diskHoldsFolder(*wholeDisk, where) : !disks.holdsFolder(letter, where)) {
        return false;
    }
    const bool russian = text::isRussian(language);
    std::fprintf(stderr, "%s\n%s\n",
                 terminalText(russian ? "НЕВЕРНО ЗАДАН ДИСК ДЛЯ ЗАПИСИ ДАННЫХ!"
                                      : "INCORRECTLY SPECIFIED DISK FOR RECORDING DATA!").c_str(),
                 terminalText(russian ? "Вы выбрали папку, которая расположена на логическом \r\n"
                                        "диске, где находятся извлекаемые данные. \r\n\r\n"
                                        "Выберите папку на другом логическом диске.   Это  мо- \r\n"
                                        "жет быть флеш или USB сменный диск. "
                                      : "You select a folder, which is located on the logical \r\n"
                                        "disk, where are extracted data. \r\n\r\n"
                                        "Select a folder on another logical drive. It can be \r\n"
                                        "AC, flash or USB removable disk.\r\n").c_str());
    // Which source it is, by the path it is read through.
    std::string source = !wholeDisk && volume != disks.volumes().end() ? volume->second.devicePath : std::string();
    if (source.empty()) source = disks.diskPath(diskNumber);
    if (source.empty()) {
        char volumeText[64];
        std::snprintf(volumeText, sizeof volumeText, textIn(language, texts::kTheVolume).c_str(), letter);
        source = volumeText;
    }
    printIn(stderr, language, texts::kFolderOnSource, ("salvage " + std::string(command)).c_str(),
            terminalSafe(where.string()).c_str(), terminalSafe(source).c_str());
    return true;
}

std::optional<VolumeSource> openVolumeSource(platform::DiskSystem& disks, const std::string& name,
                                             bool diskNumberAllowed, std::string_view command, text::Language language) {
    VolumeSource source;
    source.disks = &disks;
    source.driveLetter = parseDriveLetter(name);
    if (source.driveLetter || (diskNumberAllowed && parseDiskNumber(name))) return source;
    const std::string who = "salvage " + std::string(command);
    if (platform::sourceKindOf(name) == platform::SourceKind::Missing) {
        printIn(stderr, language, texts::kNoSuchSource, who.c_str(), terminalSafe(name).c_str());
        return std::nullopt;
    }
    if (!isImageSource(name, who, language)) return std::nullopt;
    source.image = std::make_unique<platform::ImageDiskSystem>(std::vector<std::string>{name});
    source.disks = source.image.get();
    return source;
}

}  // namespace quenzar::cli
