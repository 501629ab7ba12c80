// The parts of kelmora-fit in process: options, the parameter-file reader, data entry by
// paste, the separator update, JSON numbers, the host's Stop and progress.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <map>
#include <sstream>

#include "app/DisplayCheck.h"
#include "app/FdOutStream.h"
#include "app/FitCli.h"
#include "app/FitInput.h"
#include "app/FitOptions.h"
#include "app/FitOutput.h"
#include "app/HeadlessHost.h"
#include "app/ResultFormat.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

TFitArgs Parse(std::initializer_list<std::string_view> args) {
    return ParseFitArgs(std::vector<std::string_view>(args));
}

TEST(FitOptions, ValuesReachTheirTypedFieldsWhereverTheyStand) {
    const TFitArgs a =
        Parse({"--p0", "-0.5", "scan", "--data=in.txt", "--params", "p.txt", "--iterations", "12",
               "--refine", "--decimal-separator", ",", "--json"});
    ASSERT_EQ(a.Kind, TFitArgs::TKind::Run) << a.Error;
    EXPECT_EQ(a.Options.Command, TFitCommand::Scan);
    EXPECT_EQ(a.Options.P0Text, "-0.5");
    EXPECT_TRUE(a.Options.P0Given);
    EXPECT_EQ(a.Options.DataFile, "in.txt");
    EXPECT_EQ(a.Options.ParamsFile, "p.txt");
    EXPECT_EQ(a.Options.IterationsText, "12");
    EXPECT_TRUE(a.Options.Refine);
    EXPECT_EQ(a.Options.DecimalSeparator, ",");
    EXPECT_TRUE(a.Options.Json);

    const TFitArgs d = Parse({"optimize"});
    ASSERT_EQ(d.Kind, TFitArgs::TKind::Run);
    EXPECT_EQ(d.Options.Command, TFitCommand::Optimize);
    EXPECT_EQ(d.Options.P0Text, "0.01");
    EXPECT_FALSE(d.Options.P0Given);
    EXPECT_EQ(d.Options.IterationsText, "1000000000");
    EXPECT_FALSE(d.Options.DataFile || d.Options.ParamsFile || d.Options.DecimalSeparator);
    EXPECT_FALSE(d.Options.Refine || d.Options.Json);

    // "=" keeps an empty value rather than taking the next word.
    const TFitArgs e = Parse({"compute", "--decimal-separator=", "--p0", "2"});
    ASSERT_EQ(e.Kind, TFitArgs::TKind::Run);
    EXPECT_EQ(e.Options.DecimalSeparator, "");
    EXPECT_EQ(e.Options.P0Text, "2");
}

TEST(FitOptions, HelpAndVersionWinAndMistakesAreUsageErrors) {
    struct TCase {
        std::vector<std::string_view> Args;
        TFitArgs::TKind Kind;
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {{"--help"}, TFitArgs::TKind::Help, ""},
        {{"compute", "--version", "--help"}, TFitArgs::TKind::Help, ""},
        {{"--version"}, TFitArgs::TKind::Version, ""},
        {{}, TFitArgs::TKind::UsageError, "no command given"},
        {{"-"}, TFitArgs::TKind::UsageError, "unknown command '-'"},
        {{"Compute"}, TFitArgs::TKind::UsageError, "unknown command 'Compute'"},
        {{"scan", "scan"}, TFitArgs::TKind::UsageError, "unexpected argument 'scan'"},
        {{"scan", "-j"}, TFitArgs::TKind::UsageError, "unknown option '-j'"},
        {{"scan", "--data"}, TFitArgs::TKind::UsageError, "option '--data' needs a value"},
        {{"scan", "--refine=1"}, TFitArgs::TKind::UsageError, "option '--refine' takes no value"},
    };
    for (const TCase& c : cases) {
        const TFitArgs a = ParseFitArgs(c.Args);
        EXPECT_EQ(a.Kind, c.Kind) << c.Error;
        EXPECT_EQ(a.Error, c.Error);
    }
}

TEST(ParamsFile, CellsAreTrimmedAndLandInColumnsOneToSeven) {
    TStringTable table(8, 7);
    FillStartupParamsTable(table);
    ReadParamsText(
        " 1.5 \t0.2\t 0.001\t y\t-1\t1\t 11 \r\n"
        "2\t\t\t\t\t\t\n"
        "3\t0.1\t0.0001\t\t0\t20\t100\t\t\n"  // blank cells past the seventh
        "4\t0.1\t0.0001\ty\t0\t20\t100\r"
        "5\t0.1\t0.0001\t\t0\t20\t100\n"
        "6\t0.1\t0.0001\t\t0\t20\t100\n"
        "Q\t0.5\n1\t0.500000\t1\t2\t3\t4\t5\t6\n",  // a previous answer's tail
        table, "p.txt");
    EXPECT_EQ(table.Cell(1, 1), "1.5");
    EXPECT_EQ(table.Cell(3, 1), "0.001");
    EXPECT_EQ(table.Cell(4, 1), "y");
    EXPECT_EQ(table.Cell(7, 1), "11");
    EXPECT_EQ(table.Cell(1, 2), "2");
    EXPECT_EQ(table.Cell(2, 2), "0.10");  // empty: the table's own cell stays
    EXPECT_EQ(table.Cell(7, 2), "100");
    EXPECT_EQ(table.Cell(4, 3), "");  // empty Optimize? unmarks the default's "y"
    EXPECT_EQ(table.Cell(7, 3), "100");
    EXPECT_EQ(table.Cell(4, 4), "y");
    EXPECT_EQ(table.Cell(1, 6), "6");
    EXPECT_EQ(table.Cell(0, 1), "Lg(K1)");  // the label column is not the file's
    EXPECT_EQ(table.RowCount(), 7);
}

TEST(ParamsFile, ShapeErrorsNameTheFileAndLine) {
    const std::string row = "1\t0.1\t0.0001\ty\t-10\t10\t100\n";
    struct TCase {
        std::string Text;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {"", "f: the parameter table needs six lines, found 0"},
        {row + row + row + row + row, "f: the parameter table needs six lines, found 5"},
        {row + row + "1\t2\n" + row + row + row, "f: line 3 has 2 cells; seven are needed"},
        {row + row + row + row + row + "1\t2\t3\t4\t5\t6\t7\t8\n",
         "f: line 6 has 8 cells; seven are needed"},
        {row + "1\t0,1\t0.0001\ty\t-10\t10\t100\n" + row + row + row + row,
         "f: line 2, Max. step: '0,1' is not a valid floating point value"},
        {row + row + row + row + row + "1\t0.1\t0.0001\ty\t-10\t10\t1e2\n",
         "f: line 6, Steps count: '1e2' is not a valid integer value"},
        {row + row + row + "1\t0.1\t0.0001\ty\t\t10\t100\n" + row + row,
         "f: line 4, Min. val: '' is not a valid floating point value"},
    };
    for (const TCase& c : cases) {
        TStringTable table(8, 7);
        try {
            ReadParamsText(c.Text, table, "f");
            ADD_FAILURE() << "no error for " << c.Message;
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
}

TEST(DataEntry, PastedTextIsTakenAsTheSourceDataGridTakesIt) {
    struct TCase {
        const char* Name;
        std::string Text;
        std::vector<std::pair<double, double>> Points;
    };
    const std::vector<TCase> cases = {
        {"cells between TABs trimmed, else blanks and control characters separate; a third "
         "value is dropped",
         "  0.001 \t 8.1 \t9\r\n0.002\v8.2  9\n",
         {{0.001, 8.1}, {0.002, 8.2}}},
        {"lone CR and LF end lines", "1\t2\r3\t4\n5\t6", {{1, 2}, {3, 4}, {5, 6}}},
        {"the first line without a C ends the data", "1\t2\n\n3\t4\n", {{1, 2}}},
        {"a line of blanks has no C either", "1\t2\n \t \n3\t4\n", {{1, 2}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFitState state;
        LoadDataText(state, c.Text, "0.5");
        ASSERT_EQ(state.PointCount, static_cast<int>(c.Points.size()));
        for (std::size_t j = 0; j < c.Points.size(); ++j) {
            EXPECT_EQ(state.Points[j].Conc, c.Points[j].first);
            EXPECT_EQ(state.Points[j].ExpShift, c.Points[j].second);
        }
        EXPECT_EQ(state.PorphyrinConc, 0.5);
        EXPECT_EQ(state.Weight, 10000.0 / static_cast<double>(c.Points.size()));
    }
}

TEST(DataEntry, MoreLinesThanTheDialogsRowsGrowTheGrid) {
    std::string text;
    for (int j = 1; j <= 250; ++j) {
        text += std::to_string(j) + " " + std::to_string(j * 2) + "\n";
    }
    TFitState state;
    LoadDataText(state, text, "0.01");
    ASSERT_EQ(state.PointCount, 250);
    EXPECT_EQ(state.Points[249].Conc, 250.0);
    EXPECT_EQ(state.Points[249].ExpShift, 500.0);
}

TEST(JsonOutput, NumbersReadBackExactlyAndNonFiniteValuesAreNull) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double x : {0.1, 1.0, 1.0 / 3.0, 1e300, 5e-324, -2.5e-7}) {
        const nlohmann::json back = nlohmann::json::parse(JsonNumber(x).dump());
        EXPECT_EQ(back.get<double>(), x);
    }
    EXPECT_TRUE(std::signbit(nlohmann::json::parse(JsonNumber(-0.0).dump()).get<double>()));
    for (const double x : {std::nan(""), inf, -inf}) {
        EXPECT_EQ(JsonNumber(x).dump(), "null");
    }
    EXPECT_EQ(JsonNumber(std::optional<double>()).dump(), "null");
    // Whatever the separator, JSON keeps its point.
    SetNumberDecimalSeparator(",");
    EXPECT_EQ(JsonNumber(2.5).dump(), "2.5");
    SetNumberDecimalSeparator(".");
}

TEST(JsonOutput, ANotANumberCriterionIsWrittenAsNull) {
    TFitState state;
    state.Q = std::nan("");
    TMinimaStore minima;
    minima.Reset();
    minima.AddMinimum({1, 2, 3, 4, 5, std::numeric_limits<double>::infinity()}, 0.25);
    std::ostringstream out;
    WriteJsonOutput(out, TFitCommand::Scan, state, &minima);
    const nlohmann::json doc = nlohmann::json::parse(out.str());
    EXPECT_TRUE(doc["Q"].is_null()) << doc;
    EXPECT_EQ(doc["minima"][0], nlohmann::json::parse(R"({"Q":0.25,"params":[1,2,3,4,5,null]})"));
    EXPECT_EQ(doc["bestQ"], 0.25);
}

TEST(HeadlessHost, CtrlCBecomesStopAtTheNextRefreshAndStaysRaised) {
    TFitState state;
    TMinimaStore minima;
    THeadlessFitHost host(state, minima, nullptr);
    TSigintGuard::ResetForTest();
    {
        TSigintGuard guard;
        EXPECT_FALSE(host.TestStop());
        ASSERT_EQ(std::raise(SIGINT), 0);
        EXPECT_TRUE(host.TestStop());  // handed over at the refresh
        // Still up at the next refresh, so that a refinement, which starts with the state's
        // stop cleared, cannot swallow it.
        EXPECT_TRUE(host.TestStop());
    }
    TSigintGuard::ResetForTest();
}

TEST(HeadlessHost, ProgressLineFollowsTheRunAtEachRefresh) {
    TFitState state;
    TMinimaStore minima;
    std::ostringstream progress;
    THeadlessFitHost host(state, minima, &progress);

    state.IterLeft = 100;
    host.PhaseChanged(TFitPhase::Optimizing);
    state.IterLeft = 60;
    state.Q = 0.125;
    EXPECT_FALSE(host.TestStop());
    EXPECT_EQ(progress.str(), "\rOptimizing: 40 sweeps, Q=0.125\x1b[K");
    host.EndProgressLine();
    EXPECT_EQ(progress.str().substr(progress.str().size() - 4), "\r\x1b[K");
    const std::size_t cleared = progress.str().size();
    host.EndProgressLine();  // a line already gone is not cleared twice
    EXPECT_EQ(progress.str().size(), cleared);

    // The outermost level is the first marked parameter: MinVal 0, ScanStep 1, 10 steps.
    host.PhaseChanged(TFitPhase::Scanning);
    state.FitParams[1] = {};
    state.FitParams[1].ScanFlag = true;
    state.FitParams[1].StepsCount = 10;
    state.FitParams[1].ScanStep = 1.0;
    state.FitParams[1].Value = 2.0;
    minima.Reset();
    minima.AddMinimum({}, 1.0);
    host.TestStop();
    EXPECT_EQ(ProgressLineText(host.Progress()), "Scanning:  30% done, 1 minima");
    host.PhaseChanged(TFitPhase::Refining);
    state.FitParams[1].Value = 7.0;  // the optimiser wanders; the share stays
    host.TestStop();
    EXPECT_NEAR(host.Progress().ShareDone, 0.3, 1e-12);
    EXPECT_TRUE(host.Progress().Scanning);
    host.PhaseChanged(TFitPhase::ScanningOn);
    host.TestStop();
    EXPECT_NEAR(host.Progress().ShareDone, 0.8, 1e-12);
}

TEST(FitCli, RunsInProcessWithTheSameStatuses) {
    std::istringstream in("0.001\t8.1\n0.002\t8.2\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunFitCli({"compute", "--p0", "0.001"}, {in, out, err}), FitExitOk);
    EXPECT_NE(out.str().find("\nQ\t"), std::string::npos);
    EXPECT_EQ(err.str(), "");

    std::istringstream none("");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunFitCli({"scan"}, {none, out2, err2}), FitExitError);
    EXPECT_EQ(err2.str(), "Floating point division by zero\n");
    EXPECT_EQ(out2.str(), "");

    std::ostringstream out3, err3;
    EXPECT_EQ(RunFitCli({"--bogus"}, {none, out3, err3}), FitExitUsage);
    EXPECT_EQ(err3.str().rfind("kelmora-fit: unknown option '--bogus'\nUsage:", 0), 0u);
}

// Which of two values was meant cannot be guessed; only --fix adds up, and a flag said twice
// says the same thing.
TEST(FitCli, AValueOptionGivenTwiceIsAUsageErrorNamingIt) {
    struct TRow {
        std::vector<std::string_view> Line;
        std::string Option;  // empty: the line is good
    };
    const std::vector<TRow> rows = {
        {{"compute", "--data", "a", "--data=b"}, "--data"},
        {{"--p0", "1", "compute", "--p0", "1"}, "--p0"},
        {{"scan", "--params", "a", "--params", "a"}, "--params"},
        {{"optimize", "--iterations=5", "--iterations=6"}, "--iterations"},
        {{"compute", "--decimal-separator=", "--decimal-separator", ","}, "--decimal-separator"},
        {{"compute", "--open", "a", "--open", "b"}, "--open"},
        {{"compute", "--save", "a", "--save", "b"}, "--save"},
        {{"analyze", "--models", "1:1", "--models", "1:2"}, "--models"},
        {{"analyze", "--seed", "1", "--seed=2"}, "--seed"},
        {{"analyze", "--data", "a", "--data", "b"}, "--data"},
        {{"analyze", "--p0", "1", "--p0", "1"}, "--p0"},
        {{"analyze", "--mc", "1", "--mc", "2"}, "--mc"},
        {{"analyze", "--conc-error", "1", "--conc-error", "2"}, "--conc-error"},
        {{"analyze", "--weight", "none", "--weight", "none"}, "--weight"},
        {{"analyze", "--guest-signals", "a", "--guest-signals", "b"}, "--guest-signals"},
        {{"analyze", "--xlsx", "a", "--xlsx", "b"}, "--xlsx"},
        {{"analyze", "--csv", "a", "--csv", "b"}, "--csv"},
        {{"analyze", "--open", "a", "--open", "b"}, "--open"},
        {{"analyze", "--save", "a", "--save", "b"}, "--save"},
        {{"analyze", "--spectra", "a", "--spectra", "b"}, "--spectra"},
        {{"analyze", "--points", "a", "--points", "b"}, "--points"},
        {{"analyze", "--observable", "absorbance", "--observable", "absorbance"}, "--observable"},
        {{"analyze", "--path-length", "1", "--path-length", "2"}, "--path-length"},
        {{"compute", "--json", "--json", "--help"}, ""},
        {{"analyze", "--fix", "lgK1=2", "--fix", "lgK2=3", "--linear-term", "--linear-term",
          "--help"},
         ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Line[1]);
        std::istringstream in("");
        std::ostringstream out, err;
        const int status = RunFitCli(row.Line, {in, out, err});
        if (row.Option.empty()) {
            EXPECT_EQ(status, FitExitOk) << err.str();
            continue;
        }
        EXPECT_EQ(status, FitExitUsage);
        const std::string message =
            "kelmora-fit: option '" + row.Option + "' may be given only once\n";
        EXPECT_EQ(err.str().substr(0, err.str().find("Usage:")), message);
    }
}

TEST(InputText, StandardInputIsCheckedAsAFileWouldBe) {
    constexpr std::size_t limit = std::size_t{1} << 20;  // 1 MB, so the message says "1 MB"
    const std::string bom = "\xEF\xBB\xBF";
    const std::string atLimit(limit, '1');
    struct TCase {
        const char* Name;
        std::string Text;
        std::string Read;   // what the reader hands on when it accepts
        std::string Error;  // its message when it refuses
    };
    const std::vector<TCase> cases = {
        {"plain text as it is", "1\t2\n", "1\t2\n", ""},
        {"a byte-order mark at the start is dropped", bom + "1\t2\n", "1\t2\n", ""},
        {"one later is left for the parser", "1\t2\n" + bom, "1\t2\n" + bom, ""},
        {"a byte-order mark alone", bom, "", ""},
        {"exactly the limit", atLimit, atLimit, ""},
        {"one byte over", atLimit + "1", "",
         "standard input: larger than 1 MB, the most kelmora-fit reads"},
        {"a NUL anywhere", "1\t2\n" + std::string(1, '\0'), "",
         "standard input: not a text file, or not UTF-8"},
        {"a NUL past the first chunk", std::string(100'000, ' ') + std::string(1, '\0'), "",
         "standard input: not a text file, or not UTF-8"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::istringstream in(c.Text);
        try {
            EXPECT_EQ(ReadInputText("-", in, limit), c.Read);
            EXPECT_EQ(c.Error, "");
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.Error);
        }
    }
}

TEST(FdOutStream, WritesEverythingAndRaisesTheReasonWhenAWriteFails) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    {
        TFdOutStream out(pipeFds[1], "the pipe");
        out << std::string(1000, 'x') << 42 << '\n';
        out.flush();
    }
    close(pipeFds[1]);
    std::string got(2000, '\0');
    got.resize(static_cast<std::size_t>(read(pipeFds[0], got.data(), got.size())));
    close(pipeFds[0]);
    EXPECT_EQ(got, std::string(1000, 'x') + "42\n");

    const int devFull = open("/dev/full", O_WRONLY);
    ASSERT_GE(devFull, 0);
    const int closed = open("/dev/null", O_WRONLY);
    ASSERT_GE(closed, 0);
    ASSERT_EQ(close(closed), 0);
    const struct {
        const char* Name;
        int Fd;
        std::string Error;
    } cases[] = {
        {"a full device", devFull, "cannot write to the answer: No space left on device"},
        {"a closed descriptor", closed, "cannot write to the answer: Bad file descriptor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFdOutStream out(c.Fd, "the answer");
        out << "small";  // buffered: nothing fails yet
        try {
            out.flush();
            ADD_FAILURE() << "the failed write went unnoticed";
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.Error);
        }
        // A write larger than the buffer fails on the spot, not only at the flush.
        TFdOutStream big(c.Fd, "the answer");
        EXPECT_THROW(big << std::string(200'000, 'x'), EKelmoraError);
    }
    close(devFull);
}

TEST(FitCli, AnAnswerThatCannotBeWrittenEndsWithStatusOne) {
    const int devFull = open("/dev/full", O_WRONLY);
    ASSERT_GE(devFull, 0);
    for (const std::vector<std::string_view>& args :
         {std::vector<std::string_view>{"--version"}, {"compute", "--p0", "0.001"}}) {
        std::istringstream in("0.001\t8.1\n0.002\t8.2\n");
        TFdOutStream out(devFull, "standard output");
        std::ostringstream err;
        EXPECT_EQ(RunFitCli(args, {in, out, err}), FitExitError);
        EXPECT_EQ(err.str(), "cannot write to standard output: No space left on device\n");
    }
    close(devFull);
}

TEST(DisplayCheck, OnlyAPlainlyMissingDisplayStopsTheDesktopProgram) {
    struct TCase {
        std::map<std::string, std::string> env;
        std::vector<const char*> args;
        bool refused;
    };
    const std::vector<TCase> cases = {
        {{}, {"kelmora"}, true},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, {"kelmora"}, true},
        {{{"DISPLAY", ":0"}}, {"kelmora"}, false},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, {"kelmora"}, false},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {"kelmora"}, false},
        {{}, {"kelmora", "-platform", "offscreen"}, false},
    };
    for (const TCase& c : cases) {
        const auto lookup = [&c](const char* name) -> const char* {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        };
        const std::string message =
            MissingDisplayMessage(static_cast<int>(c.args.size()), c.args.data(), lookup);
        EXPECT_EQ(!message.empty(), c.refused) << c.args.size() << " args";
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace kelmora
