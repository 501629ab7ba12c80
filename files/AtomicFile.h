#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelmora {

// The most Kelmora reads from one file; a titration is a few kilobytes, so anything near this is
// a wrong file.
inline constexpr std::size_t MaxFileBytes = std::size_t{256} << 20;

// Writes the text to a temporary file beside path, flushes it to the disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, never half of
// one. A file that existed keeps its permissions; through a symbolic link, even a dangling one,
// the link's target is written. A file the user may not write to, or one with other hard links
// (which the rename would leave holding the old text), is refused. Temporary files of earlier
// saves of the same file that were killed half way are removed. Failure raises
// EKelmoraError("Cannot save '<path>': <reason>") with the old file untouched and no temporary
// file left behind.
void WriteFileAtomically(const std::string& path, std::string_view text);

// The whole content of a regular file of at most MaxFileBytes; anything else (a folder, a
// device, a FIFO, a larger file) raises EKelmoraError("Cannot open file '<path>': <reason>")
// without waiting for or reading more than that.
std::string ReadWholeFile(const std::string& path);

}  // namespace kelmora
