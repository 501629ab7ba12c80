#pragma once

#include <vector>

#include "files/DataFile.h"

namespace kelmora {

// What each column of a data file is in a titration.
struct TTitrationColumns {
    int C = -1;
    int Host = -1;  // none: one P0 for every point
    std::vector<int> Signals;
    bool operator==(const TTitrationColumns&) const = default;
};

// Whether a column holds numbers only in the file's decimal mark, empty cells aside, and at least
// one number: sample names or a column of remarks must never be read as concentrations.
bool IsNumberColumn(const TDataFile& file, int col);

// The roles the header names suggest, among the number columns only: a signal where the name says
// "shift", "ppm" or "δ"; the host where it says "host", "P0" or "H0"; C where it starts with "C"
// or says "conc", "guest", "ligand" or "titrant". Without a named C, the first number column
// left; without a named signal, every number column left is one. The host column is never
// guessed without its name.
TTitrationColumns GuessTitrationColumns(const TDataFile& file);

}  // namespace kelmora
