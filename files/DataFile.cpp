#include "files/DataFile.h"

#include <algorithm>
#include <optional>

#include "files/TitrationColumns.h"
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

[[noreturn]] void Fail(const std::string& fileName, const std::string& what) {
    throw EKelmoraError("'" + fileName + "' " + what);
}

// The records of the file, blank ones left out. A line ends at LF, CR LF or a lone CR, as old Mac
// programs write; a double quote opens a field that runs to the next one and may hold line ends
// (a doubled quote inside opens and closes at once, so counting quotes is enough). Each record
// keeps the number of the line it starts on.
std::vector<TLine> NonBlankLines(std::string_view text, const std::string& fileName) {
    std::vector<TLine> lines;
    int number = 1;
    int quoteLine = 0;  // where the open quote started; 0 outside quotes
    std::size_t start = 0;
    int startNumber = 1;
    const auto endRecord = [&](std::size_t end) {
        const std::string_view line = text.substr(start, end - start);
        if (HasNonBlank(line)) {
            lines.push_back({startNumber, line});
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '"') {
            quoteLine = quoteLine == 0 ? number : 0;
        } else if (ch == '\r' || ch == '\n') {
            const std::size_t end = i;
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            ++number;
            if (quoteLine == 0) {
                endRecord(end);
                start = i + 1;
                startNumber = number;
            }
        }
    }
    if (quoteLine != 0) {
        throw EKelmoraError("'" + fileName + "', line " + std::to_string(quoteLine) +
                            ": the quote opened here is never closed.");
    }
    endRecord(text.size());
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

// The lines split under one separator, with the decimal mark of each column.
struct TCandidate {
    TColumnSeparator Separator = TColumnSeparator::Tab;
    char Mark = '.';
    std::vector<char> Marks;                       // per column
    std::vector<std::vector<std::string>> Fields;  // per line
    int ColumnCount = 0;

    bool IsNumberAt(const std::string& field, std::size_t column) const {
        return IsNumber(field, Marks[column]);
    }

    // Every line below the first holds numbers only, and there is a second column.
    bool Fits() const {
        return ColumnCount >= 2 &&
               std::all_of(Fields.begin() + 1, Fields.end(), [this](const auto& fields) {
                   for (std::size_t k = 0; k < fields.size(); ++k) {
                       if (!IsNumberAt(fields[k], k)) {
                           return false;
                       }
                   }
                   return true;
               });
    }
};

// Each column is read with the decimal mark most of its numbers need, so that one value typed
// the other way is an error at its own cell rather than a reason to misread every other one.
// Columns with whole numbers only follow the file's majority. A header may well hold a comma;
// the data below it decide.
void ChooseDecimalMarks(TCandidate& c) {
    std::vector<std::array<int, 2>> votes(static_cast<std::size_t>(c.ColumnCount));  // '.', ','
    const std::size_t firstData = c.Fields.size() > 1 ? 1 : 0;
    for (std::size_t line = firstData; line < c.Fields.size(); ++line) {
        const std::vector<std::string>& fields = c.Fields[line];
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const bool point = IsNumber(fields[k], '.');
            const bool comma = IsNumber(fields[k], ',');
            if (point != comma) {
                ++votes[k][comma ? 1 : 0];
            }
        }
    }
    const auto markOf = [](int points, int commas) {
        return commas > 0 && commas >= points ? ',' : '.';
    };
    int points = 0;
    int commas = 0;
    for (const auto& v : votes) {
        points += v[0];
        commas += v[1];
    }
    c.Mark = markOf(points, commas);
    for (const auto& v : votes) {
        c.Marks.push_back(v[0] + v[1] == 0 ? c.Mark : markOf(v[0], v[1]));
    }
}

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
    ChooseDecimalMarks(c);
    return c;
}

// The first line names the columns when it has words where the line below has numbers; a
// column of words in the data, such as sample names, does not make a header of the first line.
// A file of one line is all header when it holds no number at all.
bool IsHeader(const TCandidate& c) {
    const std::vector<std::string>& top = c.Fields[0];
    if (c.Fields.size() == 1) {
        for (std::size_t k = 0; k < top.size(); ++k) {
            if (c.IsNumberAt(top[k], k)) {
                return false;
            }
        }
        return true;
    }
    const std::vector<std::string>& next = c.Fields[1];
    for (std::size_t k = 0; k < top.size() && k < next.size(); ++k) {
        if (!top[k].empty() && !c.IsNumberAt(top[k], k) && c.IsNumberAt(next[k], k)) {
            return true;
        }
    }
    return false;
}

}  // namespace

TDataFile SplitDataFile(std::string_view text, const std::string& fileName) {
    if (text.starts_with(ByteOrderMark)) {
        text.remove_prefix(ByteOrderMark.size());
    }
    if (!IsPlainText(text)) {
        Fail(fileName, "is not a text file.");
    }
    const std::vector<TLine> lines = NonBlankLines(text, fileName);
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
    file.DecimalMarks = chosen->Marks;
    file.ColumnCount = chosen->ColumnCount;
    const std::size_t first = IsHeader(*chosen) ? 1 : 0;
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
    const TTitrationColumns guess = GuessTitrationColumns(file);
    // A file without two number columns still gets a choice to show; the import refuses it.
    const int c = guess.C >= 0 ? guess.C : 0;
    const int shift = !guess.Signals.empty() ? guess.Signals.front() : (c + 1) % file.ColumnCount;
    return {c, shift};
}

std::vector<std::array<std::string, 2>> DataColumns(const TDataFile& file, int cColumn,
                                                    int shiftColumn, const std::string& fileName) {
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
            const char mark = file.DecimalMarks[static_cast<std::size_t>(col)];
            if (!IsNumber(field, mark)) {
                throw EKelmoraError("'" + fileName + "'" + where + "'" + MessageExcerpt(field) +
                                    "' is not a number.");
            }
            pair[k] = ReplaceChar(field, std::string_view(&mark, 1), separator);
        }
        cells.push_back(std::move(pair));
    }
    return cells;
}

}  // namespace kelmora
