#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmora {

// Spectra as read from a file: one wavelength axis and one spectrum per titration point.
struct TSpectraFile {
    std::vector<double> Wavelengths;          // nm, in the file's order
    std::vector<std::vector<double>> Values;  // [spectrum][wavelength]
    bool operator==(const TSpectraFile&) const = default;
};

// The text of a spectra export (CSV, TSV, semicolons or blanks; decimal point or comma decided
// column by column; an optional header; RFC 4180 quotes: the data-file importer's rules). In
// columns: the first column is the wavelength, each further column one spectrum. In rows (the
// transpose): the first line holds the wavelengths, each further line one spectrum; a first
// column of labels is left out. Wavelengths must be finite and strictly increasing or strictly
// decreasing; every spectrum has a value at each. Anything else raises EKelmoraError naming the
// file and, where there is one, the line and column.
TSpectraFile ReadSpectraText(std::string_view text, const std::string& fileName, bool inRows);

}  // namespace kelmora
