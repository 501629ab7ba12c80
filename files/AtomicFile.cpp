#include "files/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "util/Errors.h"

namespace kelmora {

namespace {

[[noreturn]] void CannotSave(const std::string& path, const std::string& reason) {
    throw EKelmoraError("Cannot save '" + path + "': " + reason);
}

[[noreturn]] void CannotSave(const std::string& path, int error) {
    CannotSave(path, std::strerror(error));
}

// Where the text really goes: the file a symbolic link points to, so that saving through a link
// keeps the link, even when that file does not exist yet.
std::filesystem::path TargetOf(const std::string& path) {
    constexpr int MaxLinks = 40;  // as the kernel follows
    std::filesystem::path p = path;
    for (int k = 0; k < MaxLinks; ++k) {
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec) {
            return p;  // no link (or nothing at all): the name itself
        }
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    CannotSave(path, ELOOP);
}

// The rename would replace a file the user may not write to, and would split a file with
// several names into the old one under the other names and the new one under this.
void CheckReplaceable(const std::string& path, const std::filesystem::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        return;  // a new file
    }
    // No write permission at all protects a file even from those the system lets write anyway.
    if (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) {
        CannotSave(path, "the file is write-protected.");
    }
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) {
        CannotSave(path,
                   "the file has other names (hard links), which would keep the old text; "
                   "save under another name.");
    }
}

// The temporary files of saves killed half way: those no running save holds locked.
void RemoveLeftovers(const std::filesystem::path& dir, const std::string& prefix,
                     const char* ours) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& leftover = it->path();
        const std::string name = leftover.filename().string();
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix) || leftover == ours) {
            continue;
        }
        const int fd = ::open(leftover.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(leftover.c_str());
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
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
    CheckReplaceable(path, target);
    const std::filesystem::path dir = target.parent_path();
    // Hidden, beside the target: a rename within one directory cannot cross file systems.
    const std::string prefix = "." + target.filename().string() + ".saving-";
    const std::string pattern = (dir / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        CannotSave(path, errno);
    }
    // Held until the file is closed or the program dies, so that the next save tells a
    // leftover from a save running now.
    ::flock(fd, LOCK_EX);
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
    RemoveLeftovers(dir, prefix, name.data());
    // The rename itself reaches the disk with the directory; failing that is no reason to
    // report a save that has happened.
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

std::string ReadWholeFile(const std::string& path) {
    const auto cannotOpen = [&](const std::string& reason) {
        return EKelmoraError("Cannot open file '" + path + "': " + reason);
    };
    // Without waiting, so that a FIFO nobody writes to is refused rather than waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw cannotOpen(std::strerror(errno));
    }
    const std::string tooLarge =
        "larger than " + std::to_string(MaxFileBytes >> 20) + " MB, the most Kelmora reads.";
    std::string text;
    std::string fault;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        fault = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        fault = std::strerror(EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
        fault = "not a regular file (a device, a pipe or a socket).";
    } else if (static_cast<std::uintmax_t>(st.st_size) > MaxFileBytes) {
        fault = tooLarge;
    }
    // Read to the end rather than to the size stat gave, but never past the limit: a file
    // may grow while it is read.
    char chunk[1 << 16];
    while (fault.empty()) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            fault = std::strerror(errno);
        } else if (n == 0) {
            break;
        } else if (static_cast<std::size_t>(n) > MaxFileBytes - text.size()) {
            fault = tooLarge;
        } else {
            text.append(chunk, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (!fault.empty()) {
        throw cannotOpen(fault);
    }
    return text;
}

}  // namespace kelmora
