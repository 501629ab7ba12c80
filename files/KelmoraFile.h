#pragma once

#include <string>
#include <string_view>

#include "files/KelmoraDocument.h"

namespace kelmora {

// A Kelmora file's text: JSON, one object, with the format's name and version first.
std::string KelmoraFileText(const TKelmoraDocument& doc);

// Checks the whole text before it hands back anything: a text that is no Kelmora file, one of a
// newer format, or one with any field missing or of the wrong kind raises EKelmoraError with a
// message that names fileName.
TKelmoraDocument ParseKelmoraFile(std::string_view text, const std::string& fileName);

// The same for a file on disk, whose name the messages show as given.
TKelmoraDocument ReadKelmoraFile(const std::string& path);
// Replaces the file at once or not at all (see WriteFileAtomically).
void WriteKelmoraFile(const std::string& path, const TKelmoraDocument& doc);

}  // namespace kelmora
