#include "files/Workbook.h"

#include <xlsxwriter.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "files/AtomicFile.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

[[noreturn]] void CannotSave(const std::string& path, const std::string& reason) {
    throw EKelmoraError("Cannot save '" + path + "': " + reason);
}

std::string NumberText(double x) {
    if (!std::isfinite(x)) {
        return {};
    }
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

std::string CsvField(const TCell& cell) {
    if (const double* x = std::get_if<double>(&cell)) {
        return NumberText(*x);
    }
    const std::string* text = std::get_if<std::string>(&cell);
    if (text == nullptr) {
        return {};
    }
    if (text->find_first_of(",\"\r\n") == std::string::npos) {
        return *text;
    }
    std::string quoted = "\"";
    for (const char c : *text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

void WriteSheet(lxw_workbook* book, lxw_format* bold, const TSheet& sheet) {
    lxw_worksheet* ws = workbook_add_worksheet(book, sheet.Name.c_str());
    for (std::size_t r = 0; r < sheet.Rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r);
        for (std::size_t c = 0; c < sheet.Rows[r].size(); ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            const TCell& cell = sheet.Rows[r][c];
            lxw_format* format = r == 0 ? bold : nullptr;
            if (const double* x = std::get_if<double>(&cell); x != nullptr && std::isfinite(*x)) {
                worksheet_write_number(ws, row, col, *x, format);
            } else if (const std::string* text = std::get_if<std::string>(&cell)) {
                worksheet_write_string(ws, row, col, text->c_str(), format);
            }
        }
    }
}

}  // namespace

void WriteXlsxFile(const std::string& path, const std::vector<TSheet>& sheets) {
    // The library writes to a name of its own choosing; a temporary beside the target, renamed
    // over it, keeps the old file until the new one is whole.
    const std::string temporary = path + ".part";
    lxw_workbook* book = workbook_new(temporary.c_str());
    if (book == nullptr) {
        CannotSave(path, "the workbook cannot be made");
    }
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    for (const TSheet& sheet : sheets) {
        WriteSheet(book, bold, sheet);
    }
    const lxw_error error = workbook_close(book);
    std::error_code ec;
    if (error != LXW_NO_ERROR) {
        std::filesystem::remove(temporary, ec);
        CannotSave(path, lxw_strerror(error));
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        const std::string reason = ec.message();
        std::filesystem::remove(temporary, ec);
        CannotSave(path, reason);
    }
}

std::string CsvText(const TSheet& sheet) {
    std::string out;
    for (const std::vector<TCell>& row : sheet.Rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += (c == 0 ? "" : ",") + CsvField(row[c]);
        }
        out += "\r\n";
    }
    return out;
}

void WriteCsvFiles(const std::string& folder, const std::vector<TSheet>& sheets) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        CannotSave(folder, ec.message());
    }
    for (const TSheet& sheet : sheets) {
        WriteFileAtomically((std::filesystem::path(folder) / (sheet.Name + ".csv")).string(),
                            CsvText(sheet));
    }
}

}  // namespace kelmora
