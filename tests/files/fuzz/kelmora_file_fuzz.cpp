// Arbitrary bytes as a Kelmora file: refused with the program's own error, or read into a
// document that saves to a text which reads back to the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/KelmoraFile.h"
#include "util/Errors.h"

using namespace kelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TKelmoraDocument doc;
    try {
        doc = ParseKelmoraFile(text, "fuzz.kelmora");
    } catch (const EKelmoraError&) {
        return 0;
    }
    const std::string saved = KelmoraFileText(doc);
    const std::string again = KelmoraFileText(ParseKelmoraFile(saved, "saved.kelmora"));
    if (again != saved) {
        std::fprintf(stderr, "kelmora file fuzz: a saved document reads back differently\n");
        std::abort();
    }
    return 0;
}
