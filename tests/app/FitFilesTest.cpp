// kelmora-fit with Kelmora files: an answer saved with --save opens with --open as it ended, the
// options given win over the file, and a file that cannot be used changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FitProcess.h"
#include "util/TextUtil.h"

namespace kelmora::testing {
namespace {

std::string Example(const std::string& name) {
    return ReadWholeFile(std::string(KELMORA_EXAMPLES_DIR) + "/" + name);
}

void ExpectDone(const TFitRun& run) {
    EXPECT_EQ(run.ExitStatus, 0) << run.Err;
}

TJson Answer(const TFitRun& run) {
    ExpectDone(run);
    return TJson::parse(run.Out);
}

std::vector<double> Values(const TJson& answer) {
    std::vector<double> values;
    for (const TJson& p : answer["params"]) {
        values.push_back(p["value"].get<double>());
    }
    return values;
}

TEST(FitFiles, ASavedOptimizeComputesToTheSameQToTheLastDigit) {
    for (const char* example : {"titration-1to1.txt", "titration-1to2.txt"}) {
        SCOPED_TRACE(example);
        const std::string file = ScratchDir() + "/optimized-" + example + ".kelmora";
        const TJson optimized =
            Answer(RunFit({"optimize", "--json", "--save", file}, Example(example)));
        const TJson reopened = Answer(RunFit({"compute", "--json", "--open", file}));
        EXPECT_EQ(reopened["Q"].get<double>(), optimized["Q"].get<double>());
        EXPECT_EQ(Values(reopened), Values(optimized));
        EXPECT_EQ(reopened["points"].size(), 30u);
        // Saved again after the compute, the file still gives that Q.
        ExpectDone(RunFit({"compute", "--open", file, "--save", file}));
        EXPECT_EQ(Answer(RunFit({"compute", "--json", "--open", file}))["Q"].get<double>(),
                  optimized["Q"].get<double>());
    }
}

TEST(FitFiles, ASavedScanKeepsItsMinimaThroughLaterCommands) {
    const std::string file = ScratchDir() + "/scanned.kelmora";
    const TJson scan =
        Answer(RunFit({"scan", "--json", "--save", file}, Example("titration-1to1.txt")));
    const TJson saved = TJson::parse(ReadWholeFile(file));
    ASSERT_FALSE(scan["minima"].empty());
    ASSERT_EQ(saved["minima"]["list"].size(), scan["minima"].size());
    for (std::size_t k = 0; k < scan["minima"].size(); ++k) {
        EXPECT_EQ(saved["minima"]["list"][k]["q"].get<double>(),
                  scan["minima"][k]["Q"].get<double>())
            << k;
    }
    EXPECT_EQ(saved["minima"]["bestQ"].get<double>(), scan["bestQ"].get<double>());

    ExpectDone(RunFit({"optimize", "--open", file, "--save", file}));
    const TJson after = TJson::parse(ReadWholeFile(file));
    EXPECT_EQ(after["minima"]["list"].size(), scan["minima"].size());
}

TEST(FitFiles, AFileSavedWithACommaReopensWithAComma) {
    const std::string file = ScratchDir() + "/comma.kelmora";
    const std::string commaData = ReplaceChar(Example("titration-1to2.txt"), ".", ",");
    const TFitRun optimized =
        RunFit({"optimize", "--decimal-separator", ",", "--save", file}, commaData);
    ASSERT_EQ(optimized.ExitStatus, 0) << optimized.Err;
    EXPECT_EQ(TJson::parse(ReadWholeFile(file))["decimalSeparator"].get<std::string>(), ",");
    EXPECT_EQ(TJson::parse(ReadWholeFile(file))["data"]["p0"].get<std::string>(), "0,01");

    const TFitRun reopened = RunFit({"compute", "--open", file});
    ASSERT_EQ(reopened.ExitStatus, 0) << reopened.Err;
    EXPECT_EQ(reopened.Out, optimized.Out);  // table and Q, commas and all
}

TEST(FitFiles, OptionsGivenWinOverTheOpenedFile) {
    const std::string data = Example("titration-1to1.txt");
    const std::string file = ScratchDir() + "/base.kelmora";
    ExpectDone(RunFit({"optimize", "--save", file}, data));
    const std::string params = WriteScratchFile("winning-params.txt",
                                                "2\t0.1\t0.0001\ty\t-10\t10\t100\n"
                                                "-1000\t0.1\t0.0001\t\t-10\t10\t100\n"
                                                "8\t0.1\t0.0001\ty\t0\t20\t100\n"
                                                "9\t0.1\t0.0001\ty\t0\t20\t100\n"
                                                "10\t0.1\t0.0001\t\t0\t20\t100\n"
                                                "0\t0.1\t0.0001\t\t-10\t10\t100\n");
    const std::string other = WriteScratchFile("other-data.txt", Example("titration-1to2.txt"));

    struct TCase {
        const char* Name;
        std::vector<std::string> WithFile;
        std::vector<std::string> Alone;
        std::string AloneInput;
    };
    const std::vector<TCase> cases = {
        {"P0", {"--p0", "0.02"}, {"--p0", "0.02", "--params", file + ".table"}, data},
        {"table", {"--params", params}, {"--params", params}, data},
        {"data", {"--data", other}, {"--params", file + ".table"}, Example("titration-1to2.txt")},
    };
    // The file's table as a parameter file, for the runs without the file.
    const TFitRun table = RunFit({"compute", "--open", file});
    ASSERT_EQ(table.ExitStatus, 0) << table.Err;
    WriteScratchFile("base.kelmora.table", table.Out);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> withFile = {"compute", "--json", "--open", file};
        withFile.insert(withFile.end(), c.WithFile.begin(), c.WithFile.end());
        std::vector<std::string> alone = {"compute", "--json"};
        alone.insert(alone.end(), c.Alone.begin(), c.Alone.end());
        const TJson a = Answer(RunFit(withFile));
        const TJson b = Answer(RunFit(alone, c.AloneInput));
        EXPECT_NEAR(a["Q"].get<double>(), b["Q"].get<double>(), 1e-9 * b["Q"].get<double>());
        EXPECT_NE(a["Q"].get<double>(),
                  Answer(RunFit({"compute", "--json", "--open", file}))["Q"].get<double>());
    }
}

TEST(FitFiles, AFileThatCannotBeUsedIsRefusedWithNothingPrintedOrSaved) {
    const std::string good = ScratchDir() + "/good.kelmora";
    ExpectDone(RunFit({"optimize", "--save", good}, Example("titration-1to1.txt")));
    const std::string text = ReadWholeFile(good);
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    struct TCase {
        const char* Name;
        std::string Content;
        std::string Message;  // after the file's name in quotes
    };
    const std::vector<TCase> cases = {
        {"truncated", text.substr(0, text.size() / 2), " is damaged: it cannot be read past byte "},
        {"binary junk", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
         " is not a Kelmora file."},
        {"a data file", Example("titration-1to1.txt"), " is not a Kelmora file."},
        {"newer version", replaced("\"version\": 2", "\"version\": 3"),
         " was saved by a newer version of Kelmora (file format 3); this version reads file "
         "format 2."},
        {"missing field", replaced("\"p0\":", "\"P0\":"), " is damaged: data.p0 is missing."},
        {"wrong type", replaced("\"refine\": false", "\"refine\": 0"),
         " is damaged: refine should be true or false."},
    };
    const std::string target = WriteScratchFile("untouched.kelmora", "saved before");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string bad =
            WriteScratchFile(std::string("bad-") + c.Name + ".kelmora", c.Content);
        const TFitRun run = RunFit({"compute", "--open", bad, "--save", target});
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err.rfind("'" + bad + "'" + c.Message, 0), 0u) << run.Err;
        EXPECT_EQ(ReadWholeFile(target), "saved before");
    }
    const std::string noFolder = ScratchDir() + "/no folder/f.kelmora";
    const TFitRun unsaved = RunFit({"compute", "--open", good, "--save", noFolder});
    EXPECT_EQ(unsaved.ExitStatus, 1);
    EXPECT_EQ(unsaved.Out, "");
    EXPECT_EQ(unsaved.Err, "Cannot save '" + noFolder + "': No such file or directory\n");
}

TEST(FitFiles, OpenAndSaveAreOptionsWithAValueAndAreListedInTheHelp) {
    for (const char* option : {"--open", "--save"}) {
        const TFitRun run = RunFit({"compute", option});
        EXPECT_EQ(run.ExitStatus, 2);
        EXPECT_EQ(
            run.Err.rfind(std::string("kelmora-fit: option '") + option + "' needs a value", 0), 0u)
            << run.Err;
        EXPECT_NE(RunFit({"--help"}).Out.find(std::string("  ") + option + " FILE"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace kelmora::testing
