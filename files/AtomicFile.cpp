#include "files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "util/Errors.h"

namespace kelmora {

namespace {

[[noreturn]] void CannotSave(const std::string& path, int error) {
    throw EKelmoraError("Cannot save '" + path + "': " + std::strerror(error));
}

// Where the text really goes: the file a symbolic link points to, so that saving through a link
// keeps the link.
std::filesystem::path TargetOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    return ec ? std::filesystem::path(path) : target;
}

mode_t ModeFor(const std::filesystem::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);  // the only way to read it is to set it
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view text) {
    const std::filesystem::path target = TargetOf(path);
    const std::filesystem::path dir = target.parent_path();
    // Hidden, beside the target: a rename within one directory cannot cross file systems.
    std::string pattern = (dir / ("." + target.filename().string() + ".saving-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        CannotSave(path, errno);
    }
    int error = 0;
    if (::fchmod(fd, ModeFor(target)) != 0 || !WriteAll(fd, text) || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(name.data(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(name.data());
        CannotSave(path, error);
    }
    // The rename itself reaches the disk with the directory; failing that is no reason to
    // report a save that has happened.
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

std::string ReadWholeFile(const std::string& path) {
    const auto cannotOpen = [&](int error) {
        return EKelmoraError("Cannot open file '" + path + "': " + std::strerror(error));
    };
    // A folder opens without complaint and reads as empty.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw cannotOpen(EISDIR);
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw cannotOpen(errno != 0 ? errno : EIO);
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        throw EKelmoraError("Cannot read file '" + path + "'");
    }
    return text.str();
}

}  // namespace kelmora
