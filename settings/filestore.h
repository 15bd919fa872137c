#pragma once
// Whole-file reads and atomic whole-file replacement for the settings file. A crash, a kill or a
// full disk during a write leaves either the complete old file or the complete new one.
#include <filesystem>
#include <string>
#include <string_view>

namespace tess {

enum class FileReadStatus { kRead, kMissing, kUnreadable };

// Reads the whole file into `out`. Files above `limit` bytes count as unreadable: no settings file
// is that large, and reading it would stall the start. For an unreadable file `problem` (when
// given) says why, as a user would put it: "it is a folder".
FileReadStatus ReadWholeFile(const std::filesystem::path& path, std::string& out, size_t limit,
                             std::string* problem = nullptr);

// Replaces the file's content at once: a temporary file beside it is written, flushed to disk
// and renamed over it. A chain of symbolic links is followed to its end, so that the file it
// names is replaced and every link stays; the replacement keeps the old file's mode, owner and
// group.
// The folder is created when missing. Throws std::system_error on any failure, after which the
// old file is still intact. A file that exists but is not writable is refused, as a profile write
// into it would be.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tess
