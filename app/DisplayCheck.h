#pragma once

#include <functional>
#include <string>

namespace kelmora {

using TEnvLookup = std::function<const char*(const char*)>;

// Qt aborts with several lines of plugin diagnostics when it finds no display; the desktop
// program asks first and, when there is plainly none, ends with one line of its own. Returns
// that line, or an empty text when a display (or an explicit platform) is there.
std::string MissingDisplayMessage(int argc, const char* const* argv, const TEnvLookup& env);

}  // namespace kelmora
