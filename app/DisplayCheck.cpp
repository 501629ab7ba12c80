#include "app/DisplayCheck.h"

#include <string_view>

namespace kelmora {

namespace {

bool IsSet(const TEnvLookup& env, const char* name) {
    const char* value = env(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::string MissingDisplayMessage(int argc, const char* const* argv, const TEnvLookup& env) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "-platform") {
            return {};
        }
    }
    if (IsSet(env, "QT_QPA_PLATFORM") || IsSet(env, "DISPLAY") || IsSet(env, "WAYLAND_DISPLAY")) {
        return {};
    }
    return "kelmora: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); start it "
           "from a desktop session, or use kelmora-fit without one";
}

}  // namespace kelmora
