#include "files/TitrationColumns.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "util/NumberText.h"

namespace kelmora {

namespace {

enum class TRole { None, C, Host, Signal };

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char ch) {
        return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    });
    return s;
}

TRole NamedRole(const std::string& header) {
    const std::string name = Lower(header);
    const auto has = [&name](std::initializer_list<const char*> words) {
        return std::any_of(words.begin(), words.end(),
                           [&name](const char* w) { return name.find(w) != std::string::npos; });
    };
    if (has({"shift", "ppm", "\xCE\xB4"})) {
        return TRole::Signal;
    }
    if (has({"host", "p0", "h0"})) {
        return TRole::Host;
    }
    if (name.starts_with("c") || has({"conc", "guest", "ligand", "titrant"})) {
        return TRole::C;
    }
    return TRole::None;
}

}  // namespace

bool IsNumberColumn(const TDataFile& file, int col) {
    const char* markChar = col < static_cast<int>(file.DecimalMarks.size())
                               ? &file.DecimalMarks[std::size_t(col)]
                               : &file.DecimalMark;
    const std::string_view mark(markChar, 1);
    bool any = false;
    for (const TDataFile::TRow& row : file.Rows) {
        if (col < static_cast<int>(row.Fields.size()) && !row.Fields[col].empty()) {
            if (!TryParseFloat(row.Fields[col], mark)) {
                return false;
            }
            any = true;
        }
    }
    return any;
}

TTitrationColumns GuessTitrationColumns(const TDataFile& file) {
    TTitrationColumns guess;
    std::vector<int> unnamed;
    std::vector<int> named;
    for (int col = 0; col < file.ColumnCount; ++col) {
        if (!IsNumberColumn(file, col)) {
            continue;
        }
        const TRole role =
            col < static_cast<int>(file.Header.size()) ? NamedRole(file.Header[col]) : TRole::None;
        if (role == TRole::C && guess.C < 0) {
            guess.C = col;
        } else if (role == TRole::Host && guess.Host < 0) {
            guess.Host = col;
        } else if (role == TRole::Signal) {
            named.push_back(col);
        } else {
            unnamed.push_back(col);
        }
    }
    if (guess.C < 0 && !unnamed.empty()) {
        guess.C = unnamed.front();
        unnamed.erase(unnamed.begin());
    }
    guess.Signals = named.empty() ? unnamed : named;
    return guess;
}

}  // namespace kelmora
