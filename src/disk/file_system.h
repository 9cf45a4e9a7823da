// The file systems the program knows on a volume.
#pragma once

namespace quenzar::disk {

enum class FileSystem { Unknown, Ntfs, Fat16, Fat32 };

}  // namespace quenzar::disk
