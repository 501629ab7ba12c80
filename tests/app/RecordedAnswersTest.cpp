// kelmora-fit answers the examples as it did when these answers were recorded: the text to the
// byte, the JSON value for value (its spacing and the spelling of its numbers may change, the
// doubles they read back to may not).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FitProcess.h"

namespace kelmora::testing {
namespace {

struct TRecorded {
    const char* Name;   // the answer is answers/<Name>.txt, and answers/<Name>.json with --json
    const char* Input;  // an example fed to standard input, or nothing
    std::vector<std::string> Args;
};

std::string Examples(const std::string& name) {
    return std::string(KELMORA_EXAMPLES_DIR) + "/" + name;
}

std::string Answers(const std::string& name) {
    return std::string(KELMORA_ANSWERS_DIR) + "/" + name;
}

TEST(RecordedAnswers, TheExamplesAnswerAsRecorded) {
    const std::vector<TRecorded> recorded = {
        {"compute-1to1", "titration-1to1.txt", {"compute"}},
        {"optimize-1to2", "titration-1to2.txt", {"optimize"}},
        {"scan-1to1", "titration-1to1.txt", {"scan"}},
        {"analyze-2signals",
         "titration-2signals-diluted.txt",
         {"analyze", "--host-column", "--mc", "20", "--seed", "3"}},
        {"spectra",
         "",
         {"analyze", "--spectra", Answers("spectra-small.csv"), "--points",
          Examples("points-1to2.txt"), "--models", "1:1,1:2", "--mc", "10", "--seed", "2"}},
    };
    for (const TRecorded& r : recorded) {
        SCOPED_TRACE(r.Name);
        const std::string input = *r.Input != '\0' ? ReadWholeFile(Examples(r.Input)) : "";
        const TFitRun text = RunFit(r.Args, input);
        EXPECT_EQ(text.ExitStatus, 0) << text.Err;
        EXPECT_EQ(text.Out, ReadWholeFile(Answers(std::string(r.Name) + ".txt")));

        std::vector<std::string> jsonArgs = r.Args;
        jsonArgs.emplace_back("--json");
        const TFitRun json = RunFit(jsonArgs, input);
        EXPECT_EQ(json.ExitStatus, 0) << json.Err;
        const TJson now = TJson::parse(json.Out);
        const TJson then = TJson::parse(ReadWholeFile(Answers(std::string(r.Name) + ".json")));
        // Numbers compare as doubles, whichever of 1 and 1.0 spelled them; the patch names what
        // differs.
        EXPECT_TRUE(now == then) << TJson::diff(then, now).dump();
    }
}

}  // namespace
}  // namespace kelmora::testing
