// kelmora-fit run as a program: each command on the example titrations, its answers read
// back, fed back in, and every way it can refuse.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "FakeFitSink.h"
#include "FitProcess.h"
#include "engine/FitState.h"
#include "engine/Optimizer.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora::testing {
namespace {

std::string Example(const std::string& name) {
    return ReadWholeFile(std::string(KELMORA_EXAMPLES_DIR) + "/" + name);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Tabbed(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return cells;
        }
        start = tab + 1;
    }
}

double Number(std::string text, char separator = '.') {
    std::replace(text.begin(), text.end(), separator, '.');
    char* end = nullptr;
    const double x = std::strtod(text.c_str(), &end);
    EXPECT_EQ(end, text.c_str() + text.size()) << "not a number: " << text;
    return x;
}

// The text answer taken apart: six rows of seven cells, the Q line, the minima lines.
struct TTextAnswer {
    std::vector<std::vector<std::string>> Rows;
    std::string QText;
    std::vector<std::vector<std::string>> Minima;
    double Value(int param, char separator = '.') const {
        return Number(Rows.at(param).at(0), separator);
    }
};

TTextAnswer ReadAnswer(const std::string& out) {
    const std::vector<std::string> lines = Lines(out);
    TTextAnswer answer;
    EXPECT_GE(lines.size(), 7u) << out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Tabbed(lines[i]);
        if (i < 6) {
            EXPECT_EQ(cells.size(), 7u) << lines[i];
            answer.Rows.push_back(cells);
        } else if (i == 6) {
            EXPECT_EQ(cells.size(), 2u);
            EXPECT_EQ(cells.at(0), "Q");
            answer.QText = cells.at(1);
        } else {
            EXPECT_EQ(cells.size(), 8u) << lines[i];
            answer.Minima.push_back(cells);
        }
    }
    return answer;
}

// Every parameter marked, from a start near the 1:2 example's constants.
const std::string AllMarkedParams =
    "2\t0.1\t0.0001\ty\t-10\t10\t100\n"
    "4\t0.1\t0.0001\ty\t-10\t10\t100\n"
    "8\t0.1\t0.0001\ty\t0\t20\t100\n"
    "9\t0.1\t0.0001\ty\t0\t20\t100\n"
    "10\t0.1\t0.0001\ty\t0\t20\t100\n"
    "0\t0.1\t0.0001\ty\t-10\t10\t100\n";

TEST(FitEndToEnd, EachCommandOnTheExamplesGivesAReadableAnswer) {
    const std::string oneToOne = Example("titration-1to1.txt");
    const TFitRun computed = RunFit({"compute"}, oneToOne);
    ASSERT_EQ(computed.ExitStatus, 0) << computed.Err;
    EXPECT_EQ(computed.Err, "");
    const TTextAnswer start = ReadAnswer(computed.Out);
    // The default table after the start-up separator update, written back.
    const std::vector<std::vector<std::string>> defaults = {
        {"1.2", "0.1", "0.0001", "y", "-10", "10", "100"},
        {"-1000", "0.1", "0.0001", "", "-10", "10", "100"},
        {"8", "0.1", "0.0001", "y", "0", "20", "100"},
        {"9", "0.1", "0.0001", "y", "0", "20", "100"},
        {"10", "0.1", "0.0001", "", "0", "20", "100"},
        {"0", "0.1", "0.0001", "", "-10", "10", "100"}};
    EXPECT_EQ(start.Rows, defaults);
    EXPECT_GT(Number(start.QText), 1.0);

    const TFitRun optimized = RunFit({"optimize"}, oneToOne);
    ASSERT_EQ(optimized.ExitStatus, 0) << optimized.Err;
    const TTextAnswer fit = ReadAnswer(optimized.Out);
    EXPECT_NEAR(fit.Value(0), 2.5, 0.05);
    EXPECT_NEAR(fit.Value(2), 8.0, 0.01);
    EXPECT_NEAR(fit.Value(3), 9.5, 0.02);
    EXPECT_LT(Number(fit.QText), 0.1);
    EXPECT_TRUE(fit.Minima.empty());

    const std::string paramsFile = WriteScratchFile("all-marked.txt", AllMarkedParams);
    const std::string oneToTwo = Example("titration-1to2.txt");
    const TTextAnswer before =
        ReadAnswer(RunFit({"compute", "--params", paramsFile}, oneToTwo).Out);
    const TFitRun both = RunFit({"optimize", "--params", paramsFile}, oneToTwo);
    ASSERT_EQ(both.ExitStatus, 0) << both.Err;
    const TTextAnswer fit2 = ReadAnswer(both.Out);
    EXPECT_LT(Number(fit2.QText), 0.2);
    EXPECT_LT(Number(fit2.QText), Number(before.QText));
    EXPECT_NEAR(fit2.Value(0), 2.0, 0.3);

    const TFitRun scanned =
        RunFit({"scan", "--data", std::string(KELMORA_EXAMPLES_DIR) + "/titration-1to1.txt"});
    ASSERT_EQ(scanned.ExitStatus, 0) << scanned.Err;
    const TTextAnswer scan = ReadAnswer(scanned.Out);
    ASSERT_FALSE(scan.Minima.empty());
    for (std::size_t k = 0; k < scan.Minima.size(); ++k) {
        const std::vector<std::string>& m = scan.Minima[k];
        EXPECT_EQ(m[0], std::to_string(k + 1));
        const std::size_t dot = m[1].find('.');
        ASSERT_NE(dot, std::string::npos);
        EXPECT_EQ(m[1].size() - dot - 1, 6u) << m[1];
        EXPECT_EQ(m[3], "-1000");  // unmarked parameters stay where the table had them
    }
    // The table shows where the lattice ended: the innermost level one step past MaxVal.
    EXPECT_EQ(scan.Rows[0][0], "10");
    EXPECT_GT(Number(scan.Rows[3][0]), 20.0);
}

TEST(FitEndToEnd, TextAnswerFedBackAsParamsGivesTheSameResult) {
    const std::string data = Example("titration-1to1.txt");
    for (const char* command : {"compute", "optimize", "scan"}) {
        SCOPED_TRACE(command);
        const TFitRun first = RunFit({command}, data);
        ASSERT_EQ(first.ExitStatus, 0) << first.Err;
        const std::string params =
            WriteScratchFile(std::string(command) + "-answer.txt", first.Out);
        const TFitRun again = RunFit({"compute", "--params", params}, data);
        ASSERT_EQ(again.ExitStatus, 0) << again.Err;
        const TTextAnswer a = ReadAnswer(first.Out);
        const TTextAnswer b = ReadAnswer(again.Out);
        EXPECT_EQ(a.Rows, b.Rows);
        if (std::string(command) != "scan") {
            // Values come back through 15 significant digits.
            EXPECT_NEAR(Number(b.QText), Number(a.QText), 1e-9 * Number(a.QText));
        }
    }
    const TFitRun computed = RunFit({"compute"}, data);
    const std::string params = WriteScratchFile("compute-answer.txt", computed.Out);
    EXPECT_EQ(RunFit({"compute", "--params", params}, data).Out, computed.Out);
}

TEST(FitEndToEnd, JsonAnswerCarriesTheTextAnswerExactly) {
    const std::string data = Example("titration-1to1.txt");
    const std::vector<std::string> dataLines = Lines(data);
    for (const char* command : {"compute", "optimize", "scan"}) {
        SCOPED_TRACE(command);
        const TFitRun text = RunFit({command}, data);
        const TFitRun json = RunFit({command, "--json"}, data);
        ASSERT_EQ(json.ExitStatus, 0) << json.Err;
        const TTextAnswer answer = ReadAnswer(text.Out);
        const TJson doc = TJson::parse(json.Out);
        EXPECT_EQ(doc["command"].get<std::string>(), command);
        EXPECT_EQ(FormatGeneral(doc["Q"].get<double>()), answer.QText);
        ASSERT_EQ(doc["params"].size(), 6u);
        for (int i = 0; i < 6; ++i) {
            const TJson& p = doc["params"][i];
            EXPECT_EQ(p["name"].get<std::string>(), ParamRowLabels[i]);
            EXPECT_EQ(FormatGeneral(p["value"].get<double>()), answer.Rows[i][0]);
            EXPECT_EQ(FormatGeneral(p["maxStep"].get<double>()), answer.Rows[i][1]);
            EXPECT_EQ(FormatGeneral(p["minStep"].get<double>()), answer.Rows[i][2]);
            EXPECT_EQ(p["optimize"].get<bool>(), answer.Rows[i][3] == "y");
            EXPECT_EQ(FormatGeneral(p["minVal"].get<double>()), answer.Rows[i][4]);
            EXPECT_EQ(FormatGeneral(p["maxVal"].get<double>()), answer.Rows[i][5]);
            EXPECT_EQ(std::to_string(p["stepsCount"].get<int>()), answer.Rows[i][6]);
        }
        ASSERT_EQ(doc["points"].size(), dataLines.size());
        for (std::size_t j = 0; j < dataLines.size(); ++j) {
            const std::vector<std::string> cells = Tabbed(dataLines[j]);
            EXPECT_EQ(doc["points"][j]["conc"].get<double>(), Number(cells[0]));
            EXPECT_EQ(doc["points"][j]["expShift"].get<double>(), Number(cells[1]));
        }
        const TJson& minima = doc["minima"];
        ASSERT_EQ(minima.size(), answer.Minima.size());
        if (minima.empty()) {
            EXPECT_TRUE(doc["bestQ"].is_null());
            continue;
        }
        double best = 1e50;
        for (std::size_t k = 0; k < minima.size(); ++k) {
            const TJson& m = minima[k];
            best = std::min(best, m["Q"].get<double>());
            EXPECT_EQ(FormatFixed(m["Q"].get<double>(), 6), answer.Minima[k][1]);
            ASSERT_EQ(m["params"].size(), 6u);
            for (int i = 0; i < 6; ++i) {
                EXPECT_EQ(FormatGeneral(m["params"][i].get<double>()), answer.Minima[k][i + 2]);
            }
        }
        EXPECT_EQ(doc["bestQ"].get<double>(), best);
    }
}

TEST(FitEndToEnd, OptimizeAgreesBitForBitWithTheEngineRunTheWindowsWay) {
    const std::string data = Example("titration-1to2.txt");
    const std::string paramsFile = WriteScratchFile("agree-params.txt", AllMarkedParams);
    for (const bool withParams : {false, true}) {
        SCOPED_TRACE(withParams);
        std::vector<std::string> args = {"optimize", "--json"};
        if (withParams) {
            args.insert(args.end(), {"--params", paramsFile});
        }
        const TFitRun run = RunFit(args, data);
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const TJson doc = TJson::parse(run.Out);

        SetNumberDecimalSeparator(".");
        TFakeFitSink host;
        host.TickAdvance = 7;
        FillStartupParamsTable(host.Table);
        if (withParams) {
            const std::vector<std::string> lines = Lines(AllMarkedParams);
            for (int r = 0; r < 6; ++r) {
                const std::vector<std::string> cells = Tabbed(lines[r]);
                for (int c = 0; c < 7; ++c) {
                    host.Table.SetCell(c + 1, r + 1, cells[c]);
                }
            }
        }
        TStringTable dataTable(2, 100);
        const std::vector<std::string> lines = Lines(data);
        for (std::size_t j = 0; j < lines.size(); ++j) {
            const std::vector<std::string> cells = Tabbed(lines[j]);
            dataTable.SetCell(0, static_cast<int>(j) + 1, cells.at(0));
            dataTable.SetCell(1, static_cast<int>(j) + 1, cells.at(1));
        }
        TFitState state;
        state.LoadDataSet(dataTable, "0.01");
        OptimizeCommand(state, host.Table, host.Settings, host);

        EXPECT_EQ(doc["Q"].get<double>(), state.Q);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(doc["params"][i]["value"].get<double>(), state.FitParams[i].Value);
        }
    }
}

TEST(FitEndToEnd, CommaSeparatorConvertsTheDefaultsButNotWhatTheUserTyped) {
    const std::string data = Example("titration-1to1.txt");
    const std::string commaData = ReplaceChar(data, ".", ",");
    const TFitRun dot = RunFit({"compute"}, data);
    const TFitRun comma = RunFit({"compute", "--decimal-separator", ",x"}, commaData);
    ASSERT_EQ(comma.ExitStatus, 0) << comma.Err;
    EXPECT_EQ(comma.Out, ReplaceChar(dot.Out, ".", ","));
    // P0 typed by the user is taken as typed: with the comma separator, a point is an error.
    const TFitRun typedP0 =
        RunFit({"compute", "--decimal-separator", ",", "--p0", "0.01"}, commaData);
    EXPECT_EQ(typedP0.ExitStatus, 1);
    EXPECT_EQ(typedP0.Err,
              "'0.01' is not a valid floating point value\nPorphyrin concentration (P0)\n");
    EXPECT_EQ(RunFit({"compute", "--decimal-separator", ",", "--p0", "0,01"}, commaData).Out,
              comma.Out);
    // An empty separator text changes nothing, as "Update" with an empty edit.
    EXPECT_EQ(RunFit({"compute", "--decimal-separator", ""}, data).Out, dot.Out);
}

TEST(FitEndToEnd, AnyOtherSeparatorLeavesTheDefaultsWithTheirPoints) {
    const std::string data = Example("titration-1to1.txt");
    const std::string dot = RunFit({"compute"}, data).Out;
    const std::string semicolonData = ReplaceChar(data, ".", ";");
    const std::string defaults = dot.substr(0, dot.find("\nQ\t") + 1);
    const std::string semicolonParams =
        WriteScratchFile("semicolon-params.txt", ReplaceChar(defaults, ".", ";"));
    const struct {
        std::vector<std::string> Args;
        int ExitStatus;
        std::string Out;
        std::string Err;
    } cases[] = {
        {{"compute", "--decimal-separator", ";"},
         1,
         "",
         "'0.01' is not a valid floating point value\nPorphyrin concentration (P0)\n"},
        {{"compute", "--decimal-separator", ";", "--p0", "0;01"},
         1,
         "",
         "'1.2' is not a valid floating point value\n"},
        {{"compute", "--decimal-separator", ";", "--p0", "0;01", "--params", semicolonParams},
         0,
         ReplaceChar(dot, ".", ";"),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Err);
        const TFitRun run = RunFit(c.Args, semicolonData);
        EXPECT_EQ(run.ExitStatus, c.ExitStatus);
        EXPECT_EQ(run.Out, c.Out);
        EXPECT_EQ(run.Err, c.Err);
    }
}

TEST(FitEndToEnd, RefinementNeverWorsensAListedMinimum) {
    const std::string data = Example("titration-1to1.txt");
    const TJson plain = TJson::parse(RunFit({"scan", "--json"}, data).Out);
    const TJson refined = TJson::parse(RunFit({"scan", "--json", "--refine"}, data).Out);
    ASSERT_EQ(plain["minima"].size(), refined["minima"].size());
    ASSERT_FALSE(plain["minima"].empty());
    bool anyBetter = false;
    for (std::size_t k = 0; k < plain["minima"].size(); ++k) {
        const double before = plain["minima"][k]["Q"].get<double>();
        const double after = refined["minima"][k]["Q"].get<double>();
        EXPECT_LE(after, before) << k;
        anyBetter = anyBetter || after < before;
    }
    EXPECT_TRUE(anyBetter);
    EXPECT_LT(refined["bestQ"].get<double>(), plain["bestQ"].get<double>());
}

struct TErrorCase {
    const char* Name;
    std::vector<std::string> Args;
    std::string Input;
    int ExitStatus;
    std::string Message;  // the whole of standard error for status 1, its first line for 2
};

TEST(FitEndToEnd, EveryErrorReportsItsMessageAndStatus) {
    const std::string data = Example("titration-1to1.txt");
    const std::string defaults = RunFit({"compute"}, data).Out;
    const auto withRow = [&](int row, const std::string& text) {
        std::vector<std::string> lines = Lines(defaults);
        lines[row] = text;
        std::string joined;
        for (const std::string& l : lines) {
            joined += l + "\n";
        }
        return joined;
    };
    const std::string badValue =
        WriteScratchFile("bad-value.txt", withRow(1, "1..2\t0.1\t0.0001\t\t-10\t10\t100"));
    const std::string oneStep =
        WriteScratchFile("one-step.txt", withRow(2, "8\t0.1\t0.0001\ty\t0\t20\t1"));
    const std::string bigLgK =
        WriteScratchFile("big-lgk.txt", withRow(0, "400\t0.1\t0.0001\t\t-10\t10\t100"));
    const std::string wide =
        WriteScratchFile("wide.txt", withRow(3, "9\t0.1\t0.0001\ty\t0\t20\t100\t5"));
    const std::string shortFile =
        WriteScratchFile("short.txt", "1\t0.1\t0.0001\ty\t-10\t10\t100\n");
    const std::string missing = ScratchDir() + "/no-such-file.txt";

    const std::vector<TErrorCase> cases = {
        {"no data", {"compute"}, "", 1, "Floating point division by zero"},
        {"blank first C", {"optimize"}, "\n0.001\t8.1\n", 1, "Floating point division by zero"},
        {"C not a number",
         {"compute"},
         "x\t8.1\n",
         1,
         "'x' is not a valid floating point value\nRow 1, column C"},
        {"shift missing",
         {"compute"},
         "0.001\t8\n0.002\n",
         1,
         "'' is not a valid floating point value\nRow 2, column Shift"},
        {"negative C",
         {"compute"},
         "0.001\t8\n0.002\t8.1\n-0.003\t8.2\n",
         1,
         "Concentrations cannot be negative: '-0.003'\nRow 3, column C"},
        {"P0",
         {"compute", "--p0", "abc"},
         data,
         1,
         "'abc' is not a valid floating point value\nPorphyrin concentration (P0)"},
        {"negative P0",
         {"compute", "--p0", "-0.01"},
         data,
         1,
         "Concentrations cannot be negative: '-0.01'\nPorphyrin concentration (P0)"},
        {"iterations",
         {"optimize", "--iterations", "1e3"},
         data,
         1,
         "'1e3' is not a valid integer value"},
        {"table cell",
         {"compute", "--params", badValue},
         data,
         1,
         badValue + ": line 2, Value: '1..2' is not a valid floating point value"},
        {"steps count 1",
         {"compute", "--params", oneStep},
         data,
         1,
         "Floating point division by zero"},
        {"scan over a single lattice value",
         {"scan", "--params", oneStep},
         data,
         1,
         "Steps count of C.Shift (P) must be at least 2 for a scan"},
        {"overflow", {"compute", "--params", bigLgK}, data, 1, "Floating point overflow"},
        {"too many cells",
         {"compute", "--params", wide},
         data,
         1,
         wide + ": line 4 has 8 cells; seven are needed"},
        {"too few lines",
         {"compute", "--params", shortFile},
         data,
         1,
         shortFile + ": the parameter table needs six lines, found 1"},
        {"missing data file",
         {"compute", "--data", missing},
         "",
         1,
         "cannot read " + missing + ": No such file or directory"},
        {"point data under a comma",
         {"compute", "--decimal-separator", ","},
         data,
         1,
         "'0.001' is not a valid floating point value\nRow 1, column C"},
        {"no command", {}, "", 2, "kelmora-fit: no command given"},
        {"unknown command", {"fit"}, "", 2, "kelmora-fit: unknown command 'fit'"},
        {"two commands", {"compute", "scan"}, "", 2, "kelmora-fit: unexpected argument 'scan'"},
        {"unknown option", {"compute", "--quiet"}, "", 2, "kelmora-fit: unknown option '--quiet'"},
        {"value missing", {"compute", "--p0"}, "", 2, "kelmora-fit: option '--p0' needs a value"},
        {"value on a switch",
         {"compute", "--json=yes"},
         "",
         2,
         "kelmora-fit: option '--json' takes no value"},
    };
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFitRun run = RunFit(c.Args, c.Input);
        EXPECT_EQ(run.ExitStatus, c.ExitStatus);
        EXPECT_EQ(run.Out, "");
        if (c.ExitStatus == 1) {
            EXPECT_EQ(run.Err, c.Message + "\n");
        } else {
            EXPECT_EQ(Lines(run.Err).at(0), c.Message);
            EXPECT_NE(run.Err.find("Usage: kelmora-fit"), std::string::npos);
        }
    }
}

TEST(FitEndToEnd, InputThatIsNoTitrationTextIsRefusedByName) {
    const std::string data = Example("titration-1to1.txt");
    const std::string params = WriteScratchFile("plain-params.txt", AllMarkedParams);
    const std::string folder = ScratchDir();
    const std::string throughFile = params + "/data.txt";
    std::string utf16 = "\xFF\xFE";  // what a spreadsheet's "Unicode text" looks like
    for (const char ch : std::string("0.001\t8.1\r\n0.002\t8.2\r\n")) {
        utf16 += ch;
        utf16 += '\0';
    }
    const std::string utf16File = WriteScratchFile("utf16.txt", utf16);
    const std::string nulParams = WriteScratchFile("nul-params.txt", AllMarkedParams + '\0');
    // Sparse: bigger than the limit without using the disk.
    const std::string huge = WriteScratchFile("huge.txt", "");
    std::filesystem::resize_file(huge, (std::uintmax_t{256} << 20) + 1);
    const std::string badCell = std::string(60, '7') + std::string(10'000'000, '8');

    const std::vector<TErrorCase> cases = {
        {"a folder",
         {"compute", "--data", folder},
         "",
         1,
         "cannot read " + folder + ": Is a directory"},
        {"a folder as parameters",
         {"compute", "--params", folder},
         data,
         1,
         "cannot read " + folder + ": Is a directory"},
        {"a path through a file",
         {"compute", "--data", throughFile},
         "",
         1,
         "cannot read " + throughFile + ": Not a directory"},
        {"UTF-16 data file",
         {"compute", "--data", utf16File},
         "",
         1,
         utf16File + ": not a text file, or not UTF-8"},
        {"UTF-16 on standard input",
         {"compute"},
         utf16,
         1,
         "standard input: not a text file, or not UTF-8"},
        {"a NUL after the parameter table",
         {"compute", "--params", nulParams},
         data,
         1,
         nulParams + ": not a text file, or not UTF-8"},
        {"an endless device",
         {"compute", "--data", "/dev/zero"},
         "",
         1,
         "/dev/zero: not a text file, or not UTF-8"},
        {"over the size limit",
         {"compute", "--data", huge},
         "",
         1,
         huge + ": larger than 256 MB, the most kelmora-fit reads"},
        {"a ten-megabyte bad cell",
         {"compute"},
         badCell + "\t8.1\n",
         1,
         "'" + std::string(60, '7') +
             "\u2026' is not a valid floating point value\n"
             "Row 1, column C"},
    };
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFitRun run = RunFit(c.Args, c.Input);
        EXPECT_EQ(run.ExitStatus, c.ExitStatus);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, c.Message + "\n");
    }
}

TEST(FitEndToEnd, AByteOrderMarkBeforeDataOrParametersIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string data = Example("titration-1to2.txt");
    const std::string plain = WriteScratchFile("no-bom-params.txt", AllMarkedParams);
    const std::string marked = WriteScratchFile("bom-params.txt", bom + AllMarkedParams);
    const std::string markedData = WriteScratchFile("bom-data.txt", bom + data);
    const TFitRun expected = RunFit({"compute", "--params", plain}, data);
    ASSERT_EQ(expected.ExitStatus, 0) << expected.Err;
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"compute", "--params", marked}, data},
        {{"compute", "--params", plain}, bom + data},
        {{"compute", "--params", marked, "--data", markedData}, ""},
    };
    for (const auto& [args, input] : runs) {
        const TFitRun run = RunFit(args, input);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(run.Out, expected.Out);
    }
}

TEST(FitEndToEnd, AnAnswerThatCannotBeWrittenIsAnErrorNotASuccess) {
    const std::string data = Example("titration-1to1.txt");
    const struct {
        std::vector<std::string> Args;
        TFitStdout StdoutTo;
        std::string Message;
    } cases[] = {
        {{"compute"}, TFitStdout::DevFull, "No space left on device"},
        {{"scan", "--json"}, TFitStdout::DevFull, "No space left on device"},
        {{"--help"}, TFitStdout::DevFull, "No space left on device"},
        {{"compute"}, TFitStdout::Closed, "Bad file descriptor"},
        {{"--version"}, TFitStdout::Closed, "Bad file descriptor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Message);
        const TFitRun run = RunFit(c.Args, data, c.StdoutTo);
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_EQ(run.Err, "cannot write to standard output: " + c.Message + "\n");
    }
}

// The data end at the first line without a C; what lies below is named, not dropped unseen,
// and the answer itself is the one for the lines that were read.
TEST(FitEndToEnd, LinesBelowTheEndOfTheDataAreCountedOnStandardError) {
    const std::string head = "0.001\t8.1\n0.002\t8.2\n0.003\t8.3\n";
    const TFitRun whole = RunFit({"compute"}, head);
    ASSERT_EQ(whole.ExitStatus, 0) << whole.Err;
    EXPECT_EQ(whole.Err, "");
    const struct {
        const char* name;
        std::string tail;
        std::string warning;
    } cases[] = {
        {"blank line, then two points", "\n0.004\t8.4\r\n0.005\t8.5\n",
         "kelmora-fit: warning: line 4 has no C, so the data end there; 2 lines with text from "
         "line 4 on were not read\n"},
        {"two blank lines, then one point", "\n\n0.006\t8.6\n",
         "kelmora-fit: warning: line 4 has no C, so the data end there; 1 line with text from "
         "line 4 on was not read\n"},
        {"only blank lines", "\n \t\n\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TFitRun run = RunFit({"compute"}, head + c.tail);
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        EXPECT_EQ(run.Out, whole.Out);
        EXPECT_EQ(run.Err, c.warning);
    }
}

// A penalty is not a fit, and a fit stopped by a bound may not be the best one: both are said
// on standard error and in JSON, while the text answer stays what it was.
TEST(FitEndToEnd, BoundNotesGoToStandardErrorAndIntoJson) {
    const std::string data = Example("titration-1to1.txt");
    // C.Shift (PL) is 9.5 in the example; a ceiling of 9.3 stops Optimize there.
    const std::string lowCeiling =
        WriteScratchFile("low-ceiling.txt",
                         "2.5\t0.1\t0.0001\ty\t-10\t10\t100\n-1000\t0.1\t0.0001\t\t-10\t10\t100\n"
                         "8\t0.1\t0.0001\ty\t0\t20\t100\n9\t0.1\t0.0001\ty\t0\t9.3\t100\n"
                         "10\t0.1\t0.0001\t\t0\t20\t100\n0\t0.1\t0.0001\t\t-10\t10\t100\n");
    const std::string outside =
        WriteScratchFile("outside.txt",
                         "12\t0.1\t0.0001\ty\t-10\t10\t100\n-1000\t0.1\t0.0001\t\t-10\t10\t100\n"
                         "8\t0.1\t0.0001\ty\t0\t20\t100\n25\t0.1\t0.0001\ty\t0\t20\t100\n"
                         "30\t0.1\t0.0001\t\t0\t20\t100\n0\t0.1\t0.0001\t\t-10\t10\t100\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string err;
        std::vector<std::string> outOfBounds;
        std::vector<std::string> atBound;
    } cases[] = {
        {"inside", {"compute"}, "", {}, {}},
        {"two marked outside, one unmarked",
         {"compute", "--params", outside},
         "kelmora-fit: out of bounds: Lg(K1), C.Shift (PL)\n",
         {"Lg(K1)", "C.Shift (PL)"},
         {}},
        {"optimized against a bound",
         {"optimize", "--params", lowCeiling},
         "kelmora-fit: at bound: C.Shift (PL)\n",
         {},
         {"C.Shift (PL)"}},
        {"a computed point is never at bound", {"compute", "--params", lowCeiling}, "", {}, {}},
    };
    const auto names = [](const TJson& array) {
        std::vector<std::string> texts;
        for (const TJson& item : array) {
            texts.push_back(item.get<std::string>());
        }
        return texts;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TFitRun text = RunFit(c.args, data);
        ASSERT_EQ(text.ExitStatus, 0) << text.Err;
        EXPECT_EQ(text.Err, c.err);
        EXPECT_EQ(ReadAnswer(text.Out).Rows.size(), 6u);

        std::vector<std::string> jsonArgs = c.args;
        jsonArgs.emplace_back("--json");
        const TFitRun json = RunFit(jsonArgs, data);
        ASSERT_EQ(json.ExitStatus, 0) << json.Err;
        EXPECT_EQ(json.Err, "");
        const TJson doc = TJson::parse(json.Out);
        EXPECT_TRUE(doc["outOfBounds"].is_array());
        EXPECT_TRUE(doc["atBound"].is_array());
        EXPECT_EQ(names(doc["outOfBounds"]), c.outOfBounds);
        EXPECT_EQ(names(doc["atBound"]), c.atBound);
    }
}

TEST(FitEndToEnd, HelpAndVersionAnswerAndSucceed) {
    const TFitRun help = RunFit({"scan", "--help"});
    EXPECT_EQ(help.ExitStatus, 0);
    for (const char* option : {"--data", "--p0", "--params", "--iterations", "--refine",
                               "--decimal-separator", "--json", "--version"}) {
        EXPECT_NE(help.Out.find(option), std::string::npos) << option;
    }
    const TFitRun version = RunFit({"--version"});
    EXPECT_EQ(version.ExitStatus, 0);
    EXPECT_EQ(version.Out, std::string("kelmora-fit ") + KELMORA_VERSION_TEXT + "\n");
}

struct TStopCase {
    const char* Name;
    std::string Command;
    std::string Params;
};

TEST(FitEndToEnd, CtrlCStopsALongRunAndTheResultIsStillPrinted) {
    const std::string data = Example("titration-1to2.txt");
    const std::vector<TStopCase> cases = {
        // MinStep 0: the steps never reach it, so only Stop ends the search.
        {"optimize without end", "optimize",
         "2\t0.1\t0\ty\t-10\t10\t100\n4\t0.1\t0\ty\t-10\t10\t100\n8\t0.1\t0\ty\t0\t20\t100\n"
         "9\t0.1\t0\ty\t0\t20\t100\n10\t0.1\t0\ty\t0\t20\t100\n0\t0.1\t0\ty\t-10\t10\t100\n"},
        // A billion lattice points.
        {"scan of a fine lattice", "scan",
         "1.2\t0.1\t0.0001\ty\t-10\t10\t1000\n-1000\t0.1\t0.0001\t\t-10\t10\t100\n"
         "8\t0.1\t0.0001\ty\t0\t20\t1000\n9\t0.1\t0.0001\ty\t0\t20\t1000\n"
         "10\t0.1\t0.0001\t\t0\t20\t100\n0\t0.1\t0.0001\t\t-10\t10\t100\n"},
    };
    for (const TStopCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string params = WriteScratchFile(c.Command + "-endless.txt", c.Params);
        const TTextAnswer start = ReadAnswer(RunFit({"compute", "--params", params}, data).Out);
        TFitProcess process({c.Command, "--params", params}, data);
        ASSERT_TRUE(process.WaitUntilCatchesSigint());
        ASSERT_EQ(kill(process.Pid(), SIGINT), 0);
        const TFitRun run = process.Wait();
        EXPECT_EQ(run.Signal, 0);
        EXPECT_EQ(run.ExitStatus, 0) << run.Err;
        // A scan stopped on the edge of its lattice holds a value on its bound, and says so;
        // nothing else belongs on standard error.
        std::istringstream notes(run.Err);
        for (std::string line; std::getline(notes, line);) {
            EXPECT_EQ(line.rfind("kelmora-fit: out of bounds: ", 0), 0u) << line;
        }
        const TTextAnswer answer = ReadAnswer(run.Out);
        ASSERT_EQ(answer.Rows.size(), 6u);
        if (c.Command == "optimize") {
            EXPECT_LT(Number(answer.QText), Number(start.QText));
            EXPECT_EQ(answer.Rows[0][2], "0");
        }
    }
}

}  // namespace
}  // namespace kelmora::testing
