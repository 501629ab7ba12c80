// The tests that need a real X server and the X11 clipboard of other programs. The program
// starts a private Xvfb of its own, so it never touches the desktop it was started from, and
// reports itself skipped (exit status 77) when Xvfb or xclip is not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "UiFixture.h"
#include "ui/Application.h"

namespace {

constexpr int SkipStatus = 77;

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// A private X server. Xvfb picks a free display itself and writes its number to a pipe once it
// accepts connections, so nothing waits on a guess.
class TXServer {
  public:
    // The display name (":N"), or an empty text with the reason in why.
    std::string Start(std::string& why) {
        int fds[2];
        if (pipe(fds) != 0) {
            why = "no pipe for Xvfb";
            return "";
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char ch = 0;
        while (read(fds[0], &ch, 1) == 1 && ch != '\n') {
            number += ch;
        }
        close(fds[0]);
        if (pid_ < 0 || number.empty()) {
            why = "Xvfb did not start";
            return "";
        }
        return ":" + number;
    }

    ~TXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    for (const char* program : {"Xvfb", "xclip"}) {
        if (!OnPath(program)) {
            std::cout << "SKIPPED: " << program
                      << " is not installed; the X11 clipboard tests need it\n";
            return SkipStatus;
        }
    }
    TXServer server;
    std::string why;
    const std::string display = server.Start(why);
    if (display.empty()) {
        std::cout << "SKIPPED: " << why << "\n";
        return SkipStatus;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    ::testing::InitGoogleTest(&argc, argv);
    int status = 0;
    {
        kelmora::TKelmoraApplication app(argc, argv);
        app.SetMessageSink(
            [](const QString& message) { kelmora::uitest::Messages().append(message); });
        status = RUN_ALL_TESTS();
    }
    return status;
}
