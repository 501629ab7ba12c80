// What kelmora-fit analyze writes for a paper (workbook, CSV files, report) read back and held
// against the JSON of the command line the report prints.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "FitProcess.h"

namespace kelmora::testing {
namespace {

std::string Command(const std::string& line) {
    std::string out;
    FILE* pipe = popen(line.c_str(), "r");
    char buf[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
        out.append(buf, n);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return out;
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(cell);
            cell.clear();
        } else if (c == '\n') {
            rows.back().push_back(cell);
            cell.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            cell += c;
        }
    }
    rows.pop_back();
    return rows;
}

// value, se, ci95 low and high, mc95 low and high of a parameter in the JSON; NaN for null.
std::vector<double> JsonParam(const TJson& model, const std::string& name) {
    const double nan = std::nan("");
    const auto num = [nan](const TJson& j) { return j.is_null() ? nan : j.get<double>(); };
    // lgK2step and alpha stand under "derived", with the fields of a parameter.
    std::vector<TJson> entries = model["params"];
    if (model.contains("derived")) {
        const TJson& derived = model["derived"];
        entries.insert(entries.end(), derived.begin(), derived.end());
    }
    for (const TJson& p : entries) {
        if (p["name"].get<std::string>() == name) {
            const TJson& ci = p["ci95"];
            const TJson& profile = p["profile95"];
            const TJson& mc = p["mc95"];
            return {num(p["value"]),
                    num(p["se"]),
                    ci.is_null() ? nan : ci[0].get<double>(),
                    ci.is_null() ? nan : ci[1].get<double>(),
                    profile.is_null() ? nan : num(profile[0]),
                    profile.is_null() ? nan : num(profile[1]),
                    mc.is_null() ? nan : mc[0].get<double>(),
                    mc.is_null() ? nan : mc[1].get<double>()};
        }
    }
    ADD_FAILURE() << "no parameter " << name;
    return {};
}

const TJson& JsonModel(const TJson& json, const std::string& name) {
    for (const TJson& m : json["models"]) {
        if (m["model"].get<std::string>() == name) {
            return m;
        }
    }
    throw std::runtime_error("no model " + name);
}

// The report's parameter rows: model, parameter, then its six numbers as printed.
std::vector<std::vector<std::string>> ReportParamRows(const std::string& html) {
    std::vector<std::vector<std::string>> rows;
    const std::size_t results = html.find("<h2>Results</h2>");
    const std::size_t end = html.find("<h2>Model comparison</h2>");
    const std::string part = html.substr(results, end - results);
    static const std::regex model("<h3>Model ([^<]*)</h3>");
    static const std::regex row("<tr>((?:<td>[^<]*</td>)+)</tr>");
    static const std::regex cell("<td>([^<]*)</td>");
    std::string current;
    for (std::size_t at = 0; at < part.size();) {
        const std::size_t line = part.find('\n', at);
        const std::string text = part.substr(at, line - at);
        std::smatch m;
        if (std::regex_search(text, m, model)) {
            current = m[1];
        } else if (std::regex_match(text, m, row)) {
            std::vector<std::string> cells = {current};
            const std::string inner = m[1];
            for (auto it = std::sregex_iterator(inner.begin(), inner.end(), cell);
                 it != std::sregex_iterator(); ++it) {
                cells.push_back((*it)[1]);
            }
            rows.push_back(cells);
        }
        at = line == std::string::npos ? part.size() : line + 1;
    }
    return rows;
}

void ExpectSame(const std::string& printed, double json, double relative, const std::string& what) {
    if (std::isnan(json)) {
        EXPECT_TRUE(printed.empty() || printed == "fixed" || printed == "undetermined" ||
                    printed == "open")
            << what;
        return;
    }
    ASSERT_FALSE(printed.empty()) << what;
    EXPECT_NEAR(std::stod(printed), json, relative * std::fabs(json) + 1e-300) << what;
}

TEST(WriteUpEndToEnd, ReportWorkbookAndCsvCarryTheNumbersOfThePrintedCommand) {
    const std::string data = std::string(KELMORA_EXAMPLES_DIR) + "/titration-2signals-diluted.txt";
    const std::string dir = ScratchDir();
    const TFitRun made =
        RunFit({"analyze", "--data", data, "--host-column", "--mc", "40", "--seed", "3", "--xlsx",
                dir + "/w.xlsx", "--csv", dir + "/csv", "--report", dir + "/r.html"});
    ASSERT_EQ(made.ExitStatus, 0) << made.Err;
    const std::string html = ReadWholeFile(dir + "/r.html");

    // The footer: checksum of the data as read, and the command to run again.
    const std::string sha = Command("sha256sum " + data).substr(0, 64);
    EXPECT_NE(html.find("Data SHA-256: " + sha), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(html, m, std::regex("<p>Command: <code>kelmora-fit ([^<]*)</code></p>")));
    std::vector<std::string> args;
    std::istringstream words(m[1].str());
    for (std::string w; words >> w;) {
        args.push_back(w);
    }
    args.push_back("--json");
    const TFitRun again = RunFit(args);
    ASSERT_EQ(again.ExitStatus, 0) << again.Err;
    const TJson json = TJson::parse(again.Out);

    // The report prints six significant digits.
    const std::vector<std::vector<std::string>> rows = ReportParamRows(html);
    int checked = 0;
    int derived = 0;
    for (const std::vector<std::string>& row : rows) {
        if (row[1].starts_with("K")) {
            continue;
        }
        const std::vector<double> want = JsonParam(JsonModel(json, row[0]), row[1]);
        for (std::size_t k = 0; k < want.size(); ++k) {
            ExpectSame(row[2 + k], want[k], 6e-6, row[0] + " " + row[1]);
            ++(row[1] == "lgK2step" || row[1] == "alpha" ? derived : checked);
        }
    }
    EXPECT_EQ(checked, 8 * (5 + 8 + 7));  // 1:1, 1:2, 1:2nc with two signals
    EXPECT_EQ(derived, 8 * (2 + 2));      // lgK2step and alpha of 1:2 and 1:2nc

    // The CSV files and the workbook carry every digit.
    const auto results = ParseCsv(ReadWholeFile(dir + "/csv/Results.csv"));
    const auto sheet = ParseCsv(Command("xlsx2csv -n Results " + dir + "/w.xlsx"));
    ASSERT_EQ(results.size(), sheet.size());
    int exact = 0;
    for (std::size_t r = 1; r < results.size(); ++r) {
        if (results[r][1].starts_with("K")) {
            continue;
        }
        const std::vector<double> want = JsonParam(JsonModel(json, results[r][0]), results[r][1]);
        for (std::size_t k = 0; k < want.size(); ++k) {
            ExpectSame(results[r][2 + k], want[k], 1e-15, "csv " + results[r][1]);
            ExpectSame(sheet[r][2 + k], want[k], 1e-15, "xlsx " + results[r][1]);
            ++exact;
        }
    }
    EXPECT_EQ(exact, checked + derived);
    const auto observed = ParseCsv(ReadWholeFile(dir + "/csv/Residuals.csv"));
    ASSERT_EQ(observed.front().size(), 3u + 3 * 2);  // model, C, P0, obs/calc/residual × 2
    for (std::size_t r = 1; r < observed.size(); ++r) {
        const double obs = std::stod(observed[r][3]);
        const double calc = std::stod(observed[r][4]);
        EXPECT_NEAR(obs - calc, std::stod(observed[r][5]), 1e-12);
    }
}

TEST(WriteUpEndToEnd, OnlyTheReportHelperLinksQtAndThePdfHasTextAndFigures) {
    const std::string fit = KELMORA_FIT_EXE;
    EXPECT_EQ(Command("ldd " + fit).find("libQt6"), std::string::npos);
    const std::string helper = fit.substr(0, fit.rfind('/')) + "/kelmora-fit-report";
    EXPECT_NE(Command("ldd " + helper).find("libQt6Gui"), std::string::npos);

    const std::string data = std::string(KELMORA_EXAMPLES_DIR) + "/titration-1to1.txt";
    const std::string pdf = ScratchDir() + "/r.pdf";
    const TFitRun run = RunFit({"analyze", "--data", data, "--p0", "0.01", "--mc", "0", "--models",
                                "1:1", "--report", pdf});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const std::string text = Command("pdftotext " + pdf + " -");
    for (const char* part : {"Binding analysis", "Methods", "Figure 3.", "Command: kelmora-fit"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
    EXPECT_NE(Command("pdfinfo " + pdf).find("Pages:"), std::string::npos);
}

}  // namespace
}  // namespace kelmora::testing
