#include "app/ReportHelper.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kelmora {

std::string ExecReportHelper(char** argv) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "kelmora-fit: cannot find its own folder to start kelmora-fit-report: " +
               ec.message();
    }
    const std::string helper = (self.parent_path() / "kelmora-fit-report").string();
    argv[0] = const_cast<char*>(helper.c_str());
    execv(helper.c_str(), argv);
    return "kelmora-fit: cannot start " + helper + ": " + std::strerror(errno);
}

}  // namespace kelmora
