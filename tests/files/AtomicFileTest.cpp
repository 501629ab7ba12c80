// Saving replaces a file whole or not at all, and leaves nothing else behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "files/AtomicFile.h"
#include "files/KelmoraFile.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

namespace fs = std::filesystem;

// A fresh, empty directory for one test.
fs::path ScratchDir(const std::string& name) {
    const fs::path dir = fs::path(KELMORA_TEST_SCRATCH) / ("atomic-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SaveError(const std::string& path, const std::string& text) {
    try {
        WriteFileAtomically(path, text);
    } catch (const EKelmoraError& e) {
        return e.what();
    }
    return "(saved)";
}

TEST(AtomicFile, ASaveLeavesTheNewTextAndNothingElse) {
    const fs::path dir = ScratchDir("plain");
    const std::string path = (dir / "fit.kelmora").string();
    WriteFileAtomically(path, "first");
    WriteFileAtomically(path, "second, longer");
    EXPECT_EQ(ReadWholeFile(path), "second, longer");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"fit.kelmora"});
}

TEST(AtomicFile, AnOverwrittenFileKeepsItsPermissionsAndItsLink) {
    const fs::path dir = ScratchDir("keep");
    const fs::path target = dir / "real.kelmora";
    WriteFileAtomically(target.string(), "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.kelmora", dir / "link.kelmora");

    WriteFileAtomically((dir / "link.kelmora").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.kelmora"));
    EXPECT_EQ(ReadWholeFile(target.string()), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicFile, AFailedSaveSaysWhyAndChangesNothing) {
    const fs::path dir = ScratchDir("fail");
    const std::string missingDir = (dir / "no such folder" / "f.kelmora").string();
    EXPECT_EQ(SaveError(missingDir, "x"),
              "Cannot save '" + missingDir + "': No such file or directory");
    EXPECT_TRUE(Listing(dir).empty());

    const std::string underAFile = (dir / "plain" / "f.kelmora").string();
    WriteFileAtomically((dir / "plain").string(), "a file, not a folder");
    EXPECT_EQ(SaveError(underAFile, "x"), "Cannot save '" + underAFile + "': Not a directory");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"plain"});

    // The rename is the save: a folder of that name refuses it, and keeps what it holds.
    const fs::path folder = dir / "folder";
    fs::create_directories(folder / "inside");
    EXPECT_EQ(SaveError(folder.string(), "x"),
              "Cannot save '" + folder.string() + "': Is a directory");
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"folder", "plain"}));
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"inside"});
}

// A disk that fills up in the middle of the text: the file-size limit makes the write fail part
// way, as a full disk would.
TEST(AtomicFile, ADiskThatFillsUpMidwayLeavesTheOldFileWhole) {
    const fs::path dir = ScratchDir("full");
    const std::string path = (dir / "f.kelmora").string();
    WriteFileAtomically(path, "the old file");

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = SaveError(path, std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "Cannot save '" + path + "': File too large");
    EXPECT_EQ(ReadWholeFile(path), "the old file");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"f.kelmora"});
}

TEST(AtomicFile, AKelmoraFileOnDiskReadsBackAndAMissingOneIsNamed) {
    const fs::path dir = ScratchDir("disk");
    const std::string path = (dir / "f.kelmora").string();
    TKelmoraDocument doc;
    doc.P0Text = "0.02";
    doc.DataCells = {{"1", "2"}};
    WriteKelmoraFile(path, doc);
    const TKelmoraDocument back = ReadKelmoraFile(path);
    EXPECT_EQ(back.P0Text, "0.02");
    EXPECT_EQ(back.DataCells, doc.DataCells);

    const std::string missing = (dir / "gone.kelmora").string();
    try {
        ReadKelmoraFile(missing);
        FAIL() << "a missing file was read";
    } catch (const EKelmoraError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file '" + missing + "': No such file or directory");
    }
    try {
        ReadKelmoraFile(dir.string());
        FAIL() << "a folder was read";
    } catch (const EKelmoraError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file '" + dir.string() + "': Is a directory");
    }
}

TEST(AtomicFile, ADanglingLinkGetsItsTargetWritten) {
    const fs::path dir = ScratchDir("dangling");
    fs::create_symlink("later.kelmora", dir / "link.kelmora");
    WriteFileAtomically((dir / "link.kelmora").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.kelmora"));
    EXPECT_EQ(ReadWholeFile((dir / "later.kelmora").string()), "new");
}

TEST(AtomicFile, AWriteProtectedOrHardLinkedFileIsRefusedAndKept) {
    const fs::path dir = ScratchDir("refuse");
    const std::string locked = (dir / "locked.kelmora").string();
    WriteFileAtomically(locked, "old");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(SaveError(locked, "new"),
              "Cannot save '" + locked + "': the file is write-protected.");
    EXPECT_EQ(ReadWholeFile(locked), "old");

    const std::string linked = (dir / "linked.kelmora").string();
    WriteFileAtomically(linked, "old");
    fs::create_hard_link(linked, dir / "other name");
    EXPECT_EQ(SaveError(linked, "new"),
              "Cannot save '" + linked +
                  "': the file has other names (hard links), which would keep the old text; save "
                  "under another name.");
    EXPECT_EQ(ReadWholeFile((dir / "other name").string()), "old");
    EXPECT_EQ(Listing(dir),
              (std::vector<std::string>{"linked.kelmora", "locked.kelmora", "other name"}));
}

// A save killed half way leaves its hidden file; the next save of the same file removes it, but
// not one that a save running now holds, nor those of other files.
TEST(AtomicFile, TheNextSaveRemovesTheLeftoversOfKilledSaves) {
    const fs::path dir = ScratchDir("leftovers");
    for (const char* name : {".f.kelmora.saving-Ab12Cd", ".f.kelmora.saving-Locked",
                             ".g.kelmora.saving-Ab12Cd", ".f.kelmora.saving-Ab12Cd7"}) {
        std::ofstream(dir / name) << "half";
    }
    const int running = ::open((dir / ".f.kelmora.saving-Locked").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    WriteFileAtomically((dir / "f.kelmora").string(), "whole");
    ::close(running);
    EXPECT_EQ(Listing(dir),
              (std::vector<std::string>{".f.kelmora.saving-Ab12Cd7", ".f.kelmora.saving-Locked",
                                        ".g.kelmora.saving-Ab12Cd", "f.kelmora"}));
}

TEST(AtomicFile, OnlyRegularFilesUpToTheLimitAreRead) {
    const fs::path dir = ScratchDir("read");
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = (dir / "huge").string();
    std::ofstream(huge).close();
    fs::resize_file(huge, MaxFileBytes + 1);
    const std::string notRegular = "not a regular file (a device, a pipe or a socket).";
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {fifo, notRegular},
             {"/dev/zero", notRegular},
             {huge, "larger than 256 MB, the most Kelmora reads."}}) {
        try {
            ReadWholeFile(path);
            ADD_FAILURE() << "read: " << path;
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file '" + path + "': " + reason);
        }
    }
}

}  // namespace
}  // namespace kelmora
