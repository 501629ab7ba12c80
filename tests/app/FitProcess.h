#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace kelmora::testing {

// kelmora-fit's JSON answers, read back.
using TJson = nlohmann::json;

struct TFitRun {
    int ExitStatus = -1;  // -1 when the process did not exit normally
    int Signal = 0;       // the signal that ended it, if one did
    std::string Out;
    std::string Err;
};

// A scratch directory for one run of the test program, left in the build tree next to it so
// that a failure's inputs and answers can be looked at afterwards.
std::string ScratchDir();
std::string WriteScratchFile(const std::string& name, const std::string& text);
std::string ReadWholeFile(const std::string& path);

// Where the program's standard output goes: a file that Wait reads back, a device that refuses
// every write, or nowhere at all (the descriptor closed).
enum class TFitStdout { File, DevFull, Closed };

// Starts kelmora-fit with the arguments, standard input from the text, standard output and
// error into files; Wait collects them.
class TFitProcess {
  public:
    TFitProcess(const std::vector<std::string>& args, const std::string& input,
                TFitStdout stdoutTo = TFitStdout::File);
    TFitProcess(const TFitProcess&) = delete;
    TFitProcess& operator=(const TFitProcess&) = delete;
    ~TFitProcess();

    pid_t Pid() const { return pid_; }
    // Polls until the process has its own SIGINT handler in place (it is inside a long run);
    // false when it ended first.
    bool WaitUntilCatchesSigint() const;
    TFitRun Wait();

  private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
};

TFitRun RunFit(const std::vector<std::string>& args, const std::string& input = "",
               TFitStdout stdoutTo = TFitStdout::File);

}  // namespace kelmora::testing
