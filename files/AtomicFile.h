#pragma once

#include <string>
#include <string_view>

namespace kelmora {

// Writes the text to a temporary file beside path, flushes it to the disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, never half of
// one. A file that existed keeps its permissions. Failure raises EKelmoraError("Cannot save
// '<path>': <reason>") with the old file untouched and no temporary file left behind.
void WriteFileAtomically(const std::string& path, std::string_view text);

// The whole content of a file; failure raises EKelmoraError("Cannot open file '<path>':
// <reason>").
std::string ReadWholeFile(const std::string& path);

}  // namespace kelmora
