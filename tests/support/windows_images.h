// The disk images that Windows itself made, kept outside the repository in
// ../shared/testdata/windows and unpacked into a test's own folder when a test needs one.
#pragma once

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace quenzar::testsupport {

// The images that Windows itself made (outside the repository, beside it).
inline std::filesystem::path windowsImageDir() {
    return (std::filesystem::path(__FILE__).parent_path() / "../../../shared/testdata/windows").lexically_normal();
}

// Unpacks one of them into the folder: "ntfs_index.raw", "mbr-win-512.raw" or "7-ntfs-undel.dd".
// Returns an empty path when the image is not there.
inline std::string unpackWindowsImage(const TempFolder& folder, const std::string& name) {
    const std::filesystem::path dir = windowsImageDir();
    std::string into = "'";  // appended, not "'" + ...: GCC 12 at -O3 sees an overlap (-Wrestrict) there
    into += folder.path().string();
    into += '\'';
    std::string command;
    if (name == "ntfs_index.raw") {
        command = "gunzip -c '" + (dir / "ntfs_index.raw.gz").string() + "' > " + into + "/ntfs_index.raw";
    } else if (name == "mbr-win-512.raw") {
        command = "tar -xf '" + (dir / "mbr-win-512.raw.tgz").string() + "' -C " + into;
    } else {
        command = "unzip -o -q -j '" + (dir / "7-undel-ntfs.zip").string() + "' '*/" + name + "' -d " + into;
    }
    int exitCode = 0;
    runCommand(command + " 2>&1", &exitCode);
    const std::string path = folder.file(name);
    return exitCode == 0 && std::filesystem::exists(path) ? path : std::string();
}

}  // namespace quenzar::testsupport
