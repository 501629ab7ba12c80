#include "FitProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kelmora::testing {

namespace {

std::atomic<int> runCounter{0};

}  // namespace

std::string ScratchDir() {
    static const std::string dir = [] {
        std::string templ = std::string(KELMORA_TEST_SCRATCH) + "/fit-XXXXXX";
        if (mkdtemp(templ.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch directory under " + templ);
        }
        return templ;
    }();
    return dir;
}

std::string WriteScratchFile(const std::string& name, const std::string& text) {
    const std::string path = ScratchDir() + "/" + name;
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TFitProcess::TFitProcess(const std::vector<std::string>& args, const std::string& input,
                         TFitStdout stdoutTo) {
    const std::string tag = std::to_string(runCounter++);
    const std::string inPath = WriteScratchFile("in-" + tag, input);
    outPath_ = ScratchDir() + "/out-" + tag;
    errPath_ = ScratchDir() + "/err-" + tag;

    std::vector<std::string> argStore{KELMORA_FIT_EXE};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    switch (stdoutTo) {
        case TFitStdout::File:
            posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
            break;
        case TFitStdout::DevFull:
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
            break;
        case TFitStdout::Closed:
            posix_spawn_file_actions_addclose(&actions, 1);
            break;
    }
    if (stdoutTo != TFitStdout::File) {
        WriteScratchFile("out-" + tag, "");  // nothing is captured: Wait reads back no answer
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    // The child starts with default signal handling whatever the test runner set up.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int rc = posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error(std::string("cannot start ") + KELMORA_FIT_EXE);
    }
}

TFitProcess::~TFitProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool TFitProcess::WaitUntilCatchesSigint() const {
    const std::string statusPath = "/proc/" + std::to_string(pid_) + "/status";
    for (;;) {
        std::ifstream status(statusPath);
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("State:", 0) == 0 && line.find('Z') != std::string::npos) {
                return false;
            }
            if (line.rfind("SigCgt:", 0) == 0) {
                const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
                if ((mask >> (SIGINT - 1) & 1ULL) != 0) {
                    return true;
                }
            }
        }
        usleep(1000);  // a poll of the process table, not a guess at how long anything takes
    }
}

TFitRun TFitProcess::Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    TFitRun run;
    if (WIFEXITED(status)) {
        run.ExitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.Signal = WTERMSIG(status);
    }
    run.Out = ReadWholeFile(outPath_);
    run.Err = ReadWholeFile(errPath_);
    return run;
}

TFitRun RunFit(const std::vector<std::string>& args, const std::string& input,
               TFitStdout stdoutTo) {
    TFitProcess process(args, input, stdoutTo);
    return process.Wait();
}

}  // namespace kelmora::testing
