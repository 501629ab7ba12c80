#include "files/DataFile.h"

#include <algorithm>
#include <optional>

#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr TColumnSeparator SeparatorsByPreference[] = {
    TColumnSeparator::Tab, TColumnSeparator::Semicolon, TColumnSeparator::Comma,
    TColumnSeparator::Blanks};

struct TLine {
    int Number = 0;
    std::string_view Text;
};

char SeparatorChar(TColumnSeparator sep) {
    switch (sep) {
        case TColumnSeparator::Tab:
            return '\t';
        case TColumnSeparator::Semicolon:
            return ';';
        case TColumnSeparator::Comma:
            return ',';
        case TColumnSeparator::Blanks:
            break;
    }
    return ' ';
}

std::vector<TLine> NonBlankLines(std::string_view text) {
    std::vector<TLine> lines;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (HasNonBlank(line)) {
            lines.push_back({number, line});
        }
    }
    return lines;
}

// Fields between single separator characters. Blanks around a field do not belong to it, and a
// field that starts with a double quote runs to the closing one, "" standing for a quote inside,
// as spreadsheets write a decimal comma in comma-separated files.
std::vector<std::string> SplitAtChar(std::string_view line, char sep) {
    const auto isPadding = [sep](char ch) { return ch != sep && IsBlankChar(ch); };
    std::vector<std::string> fields;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && isPadding(line[i])) {
            ++i;
        }
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                field += line[i];
            }
        }
        while (i < line.size() && line[i] != sep) {
            field += line[i++];
        }
        while (!field.empty() && isPadding(field.back())) {
            field.pop_back();
        }
        fields.push_back(std::move(field));
        if (i >= line.size()) {
            return fields;
        }
        ++i;
    }
}

std::vector<std::string> SplitLine(std::string_view line, TColumnSeparator sep) {
    std::vector<std::string> fields =
        sep == TColumnSeparator::Blanks ? SplitCells(line) : SplitAtChar(line, SeparatorChar(sep));
    while (!fields.empty() && fields.back().empty()) {
        fields.pop_back();  // a spreadsheet's separators after the last filled cell
    }
    return fields;
}

bool IsNumber(std::string_view field, char mark) {
    return TryParseFloat(field, std::string_view(&mark, 1)).has_value();
}

bool AllNumbers(const std::vector<std::string>& fields, char mark) {
    return std::all_of(fields.begin(), fields.end(),
                       [mark](const std::string& f) { return IsNumber(f, mark); });
}

// The lines split under one separator, with the decimal mark their data suggest.
struct TCandidate {
    TColumnSeparator Separator = TColumnSeparator::Tab;
    char Mark = '.';
    std::vector<std::vector<std::string>> Fields;  // per line
    int ColumnCount = 0;

    // Every line below the first holds numbers only, and there is a second column.
    bool Fits() const {
        return ColumnCount >= 2 &&
               std::all_of(Fields.begin() + 1, Fields.end(),
                           [this](const auto& f) { return AllNumbers(f, Mark); });
    }
};

std::optional<TCandidate> Candidate(const std::vector<TLine>& lines, TColumnSeparator sep) {
    if (sep != TColumnSeparator::Blanks &&
        std::none_of(lines.begin(), lines.end(), [ch = SeparatorChar(sep)](const TLine& line) {
            return line.Text.find(ch) != std::string_view::npos;
        })) {
        return std::nullopt;
    }
    TCandidate c;
    c.Separator = sep;
    for (const TLine& line : lines) {
        c.Fields.push_back(SplitLine(line.Text, sep));
        c.ColumnCount = std::max(c.ColumnCount, static_cast<int>(c.Fields.back().size()));
    }
    // A header may well hold a comma; the data below it decide. In comma-separated files only a
    // quoted field can hold one.
    const std::size_t firstData = c.Fields.size() > 1 ? 1 : 0;
    for (std::size_t k = firstData; k < c.Fields.size(); ++k) {
        for (const std::string& f : c.Fields[k]) {
            if (f.find(',') != std::string::npos) {
                c.Mark = ',';
            }
        }
    }
    return c;
}

// The first line names the columns when it has words where the line below has numbers; a
// column of words in the data, such as sample names, does not make a header of the first line.
// A file of one line is all header when it holds no number at all.
bool IsHeader(const std::vector<std::vector<std::string>>& fields, char mark) {
    const std::vector<std::string>& top = fields[0];
    const auto isWord = [mark](const std::string& f) { return !f.empty() && !IsNumber(f, mark); };
    if (fields.size() == 1) {
        return std::none_of(top.begin(), top.end(),
                            [mark](const std::string& f) { return IsNumber(f, mark); });
    }
    const std::vector<std::string>& next = fields[1];
    for (std::size_t k = 0; k < top.size(); ++k) {
        if (isWord(top[k]) && k < next.size() && IsNumber(next[k], mark)) {
            return true;
        }
    }
    return false;
}

[[noreturn]] void Fail(const std::string& fileName, const std::string& what) {
    throw EKelmoraError("'" + fileName + "' " + what);
}

}  // namespace

TDataFile SplitDataFile(std::string_view text, const std::string& fileName) {
    if (text.find('\0') != std::string_view::npos) {
        Fail(fileName, "is not a text file.");
    }
    if (text.starts_with(ByteOrderMark)) {
        text.remove_prefix(ByteOrderMark.size());
    }
    const std::vector<TLine> lines = NonBlankLines(text);
    if (lines.empty()) {
        Fail(fileName, "holds no data.");
    }
    std::optional<TCandidate> chosen;
    for (const TColumnSeparator sep : SeparatorsByPreference) {
        std::optional<TCandidate> c = Candidate(lines, sep);
        if (!c || c->ColumnCount < 2) {
            continue;
        }
        const bool fits = c->Fits();
        if (!chosen || fits) {
            chosen = std::move(c);
        }
        if (fits) {
            break;
        }
    }
    if (!chosen) {
        Fail(fileName, "has one column only; C and Shift need two.");
    }

    TDataFile file;
    file.Separator = chosen->Separator;
    file.DecimalMark = chosen->Mark;
    file.ColumnCount = chosen->ColumnCount;
    const std::size_t first = IsHeader(chosen->Fields, chosen->Mark) ? 1 : 0;
    if (first == 1) {
        file.Header = std::move(chosen->Fields[0]);
    }
    for (std::size_t k = first; k < lines.size(); ++k) {
        file.Rows.push_back({lines[k].Number, std::move(chosen->Fields[k])});
    }
    if (file.Rows.empty()) {
        Fail(fileName, "holds no data below its header.");
    }
    return file;
}

std::array<int, 2> GuessDataColumns(const TDataFile& file) {
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](char ch) {
            return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
        });
        return s;
    };
    int c = -1;
    int shift = -1;
    for (int k = 0; k < static_cast<int>(file.Header.size()); ++k) {
        const std::string name = lower(file.Header[k]);
        const auto has = [&name](const char* word) { return name.find(word) != std::string::npos; };
        if (shift < 0 && (has("shift") || has("ppm") || has("\xCE\xB4"))) {
            shift = k;
        } else if (c < 0 && (name.starts_with("c") || has("conc"))) {
            c = k;
        }
    }
    // The first column from `from` on, round to the start, that is not `avoid`.
    const auto firstOther = [&file](int avoid, int from) {
        for (int k = 0; k < file.ColumnCount; ++k) {
            const int col = (from + k) % file.ColumnCount;
            if (col != avoid) {
                return col;
            }
        }
        return 0;
    };
    if (c < 0) {
        c = firstOther(shift, 0);
    }
    if (shift < 0) {
        shift = firstOther(c, c + 1);
    }
    return {c, shift};
}

std::vector<std::array<std::string, 2>> DataColumns(const TDataFile& file, int cColumn,
                                                    int shiftColumn, const std::string& fileName) {
    const std::string mark(1, file.DecimalMark);
    const std::string& separator = NumberDecimalSeparator();
    std::vector<std::array<std::string, 2>> cells;
    cells.reserve(file.Rows.size());
    for (const TDataFile::TRow& row : file.Rows) {
        std::array<std::string, 2> pair;
        for (int k = 0; k < 2; ++k) {
            const int col = k == 0 ? cColumn : shiftColumn;
            const std::string where =
                ", line " + std::to_string(row.Line) + ", column " + std::to_string(col + 1) + ": ";
            const std::string field =
                col >= 0 && col < static_cast<int>(row.Fields.size()) ? row.Fields[col] : "";
            if (field.empty()) {
                throw EKelmoraError("'" + fileName + "'" + where + "the value is missing.");
            }
            if (!IsNumber(field, file.DecimalMark)) {
                throw EKelmoraError("'" + fileName + "'" + where + "'" + field +
                                    "' is not a number.");
            }
            pair[k] = ReplaceChar(field, mark, separator);
        }
        cells.push_back(std::move(pair));
    }
    return cells;
}

}  // namespace kelmora
