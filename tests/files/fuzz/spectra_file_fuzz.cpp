// Arbitrary bytes as a spectra file, in columns or in rows: refused with the program's own error,
// or read into steadily rising or falling wavelengths with a value for each in every spectrum.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/SpectraFile.h"
#include "tests/support/FuzzRequire.h"
#include "util/Errors.h"

using namespace kelmora;
using kelmora::fuzz::Require;

// The first byte's lowest bit picks the layout, the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    TSpectraFile file;
    try {
        file = ReadSpectraText(text, "fuzz.csv", (data[0] & 1) != 0);
    } catch (const EKelmoraError&) {
        return 0;
    }
    const std::vector<double>& w = file.Wavelengths;
    Require(!w.empty(), "no wavelength");
    Require(!file.Values.empty(), "no spectrum");
    for (std::size_t k = 1; k < w.size(); ++k) {
        Require(w.size() < 2 || (w[1] > w[0] ? w[k] > w[k - 1] : w[k] < w[k - 1]),
                "wavelengths not monotonic");
    }
    for (const std::vector<double>& spectrum : file.Values) {
        Require(spectrum.size() == w.size(), "a spectrum of another length");
    }
    return 0;
}
