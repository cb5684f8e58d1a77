// Saves that fail: each leaves the previous files whole byte for byte, leaves no temporary file
// behind and says which file failed and why. Faults that would also hit the test process (a
// file-size limit, giving up root's right to write anywhere, a full file system) are raised in a
// child process.

#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace meldrix {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testsupport::readBytes;

struct ChildLimits {
    bool unprivileged = false; //!< run as "nobody" when the test runs as root
    rlim_t fileSizeLimit = RLIM_INFINITY; //!< [bytes]
    std::string smallFileSystemAt {}; //!< a folder the child mounts a 1 MiB file system over
};

constexpr const char* NoSmallFileSystem = "no small file system";

// A mount namespace of the child's own keeps the mount away from the machine; a user namespace
// gives the right to mount where the test does not run as root.
bool mountSmallFileSystem(const std::string& at)
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return false;
    } else {
        const auto write = [](const char* path, const std::string& text) {
            std::ofstream file(path);
            return static_cast<bool>(file << text << std::flush);
        };
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !write("/proc/self/setgroups", "deny")
            || !write("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1")
            || !write("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("meldrix-test", at.c_str(), "tmpfs", 0, "size=1m") == 0;
}

// Runs a save in a child process under `limits` and returns what it reported ("" for success).
std::string saveInChild(ChildLimits limits, const std::function<std::optional<std::string>()>& save)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        bool ready = true;
        if (limits.unprivileged && ::geteuid() == 0)
            ready = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        if (limits.fileSizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit then fails with EFBIG
            const rlimit limit { limits.fileSizeLimit, limits.fileSizeLimit };
            ready = ready && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        if (!limits.smallFileSystemAt.empty() && !mountSmallFileSystem(limits.smallFileSystemAt)) {
            const std::string report = NoSmallFileSystem;
            ::_exit(::write(channel[1], report.data(), report.size()) > 0 ? 0 : 1);
        }
        const std::string report = ready ? save().value_or("") : "child setup failed";
        const bool sent = ::write(channel[1], report.data(), report.size())
            == static_cast<ssize_t>(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? report : "child failed: " + report;
}

class SaveFaultsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();
    fs::path folder = dir.path() / "Set";
    std::string base = (folder / "Rig1").string();
    std::array<std::vector<std::uint8_t>, 4> before;

    // A saved data set, then changes in every array that no failed save may let through.
    void SetUp() override
    {
        fs::create_directory(folder);
        fs::permissions(dir.path(), fs::perms::all); // "nobody" must reach the folder
        SetFileNamesFromBase(*rig, base);
        ASSERT_EQ(SaveAll(*rig), std::nullopt);
        for (std::size_t i = 0; i < AllDataFiles.size(); ++i)
            before[i] = readBytes(fileNameOf(*rig, AllDataFiles[i]));
        rig->InputGases[1].Name = "Changed";
        rig->Flowmeters[1].Make = "Changed";
        rig->CalCurves[1000].Gas = "Changed";
        rig->Cells[8].Name = "Changed";
    }

    void expectOldFilesWholeAndNothingLeftOver()
    {
        for (std::size_t i = 0; i < AllDataFiles.size(); ++i)
            EXPECT_EQ(readBytes(fileNameOf(*rig, AllDataFiles[i])), before[i])
                << extensionOf(AllDataFiles[i]);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        EXPECT_THAT(
            names, ::testing::UnorderedElementsAre("Rig1.INP", "Rig1.MIX", "Rig1.CAL", "Rig1.CEL"));
    }
};

TEST_F(SaveFaultsTest, ASaveIntoAReadOnlyFolderFails)
{
    fs::permissions(folder,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read
            | fs::perms::others_exec);
    for (const DataFile file : AllDataFiles) {
        const std::string report =
            saveInChild({ .unprivileged = true }, [&] { return SaveDataFile(*rig, file); });
        EXPECT_THAT(report, StartsWith("Could not save the "));
        EXPECT_THAT(report, HasSubstr("'" + fileNameOf(*rig, file) + "': Permission denied."));
    }
    EXPECT_THAT(saveInChild({ .unprivileged = true }, [&] { return SaveAll(*rig); }),
        HasSubstr("input gases file"));
    fs::permissions(folder, fs::perms::owner_all);
    expectOldFilesWholeAndNothingLeftOver();
}

TEST_F(SaveFaultsTest, ASaveCutShortByAFileSizeLimitFails)
{
    // 100000 bytes hold the input gases, the mixer and the cells but not the calibrations.
    const ChildLimits limits { .fileSizeLimit = 100000 };
    EXPECT_EQ(saveInChild(limits, [&] { return SaveCells(*rig); }), "");
    before[3] = readBytes(base + ".CEL");

    EXPECT_EQ(saveInChild(limits, [&] { return SaveCalibrations(*rig); }),
        "Could not save the calibrations file '" + base + ".CAL': File too large.");
    expectOldFilesWholeAndNothingLeftOver();
}

TEST_F(SaveFaultsTest, SaveAllWhoseThirdFileFailsPartWayWritesNothing)
{
    EXPECT_EQ(saveInChild({ .fileSizeLimit = 100000 }, [&] { return SaveAll(*rig); }),
        "Could not save the calibrations file '" + base + ".CAL': File too large.");
    expectOldFilesWholeAndNothingLeftOver();
}

// Everything happens in the child, the only process that sees the small file system.
TEST_F(SaveFaultsTest, ASaveOntoAFullFileSystemFails)
{
    const fs::path small = dir.path() / "Small";
    fs::create_directory(small);
    const std::string smallBase = (small / "Rig1").string();
    const std::string report = saveInChild({ .smallFileSystemAt = small.string() }, [&] {
        SetFileNamesFromBase(*rig, smallBase);
        if (const auto error = SaveAll(*rig))
            return "the first save failed: " + *error;
        std::array<std::vector<std::uint8_t>, 4> old;
        for (std::size_t i = 0; i < AllDataFiles.size(); ++i)
            old[i] = readBytes(fileNameOf(*rig, AllDataFiles[i]));
        {
            std::ofstream filler(small / "filler", std::ios::binary);
            const std::vector<char> block(4096, 'x');
            while (filler.write(block.data(), block.size()))
                ;
        }
        rig->CalCurves[1000].Gas = "Again";
        std::string said = SaveAll(*rig).value_or("saved");
        for (std::size_t i = 0; i < AllDataFiles.size(); ++i)
            if (readBytes(fileNameOf(*rig, AllDataFiles[i])) != old[i])
                said += " | changed " + fileNameOf(*rig, AllDataFiles[i]);
        for (const auto& entry : fs::directory_iterator(small))
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                said += " | left " + entry.path().filename().string();
        return said;
    });
    if (report == NoSmallFileSystem)
        GTEST_SKIP() << "this machine lets no test mount a small file system";
    EXPECT_EQ(report,
        "Could not save the input gases file '" + smallBase + ".INP': No space left on device.");
}

TEST_F(SaveFaultsTest, SaveAllWhoseThirdFileIsInTheWayWritesNothing)
{
    for (const char* obstacle : { "folder", "fifo" }) {
        fs::remove(base + ".CAL");
        if (std::string(obstacle) == "folder")
            fs::create_directory(base + ".CAL");
        else
            ASSERT_EQ(::mkfifo((base + ".CAL").c_str(), 0600), 0);
        EXPECT_EQ(SaveAll(*rig),
            "Could not save the calibrations file '" + base + ".CAL': it is not a regular file.")
            << obstacle;
        for (const DataFile file : { DataFile::Inp, DataFile::Mix, DataFile::Cel })
            EXPECT_EQ(readBytes(fileNameOf(*rig, file)), before[static_cast<std::size_t>(file)]);
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++entries;
        EXPECT_EQ(entries, 4u) << obstacle << ": a temporary file was left behind";
        fs::remove(base + ".CAL");
    }
}

TEST_F(SaveFaultsTest, AFileHeldOpenByAnotherProcessIsReplacedWhileItKeepsTheOldBytes)
{
    // The other process opens the cells file, waits until the save is done, then reads what it
    // holds open and sends it back.
    int go[2];
    int back[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(back), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        FILE* held = std::fopen((base + ".CEL").c_str(), "rb");
        char signal = 0;
        if (held == nullptr || ::write(back[1], "o", 1) != 1 || ::read(go[0], &signal, 1) != 1)
            ::_exit(1);
        char bytes[4096];
        const std::size_t n = std::fread(bytes, 1, sizeof bytes, held);
        ::_exit(::write(back[1], bytes, n) == static_cast<ssize_t>(n) ? 0 : 1);
    }
    char opened = 0;
    ASSERT_EQ(::read(back[0], &opened, 1), 1);

    EXPECT_EQ(SaveCells(*rig), std::nullopt);
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(back[1]);
    std::vector<std::uint8_t> held;
    unsigned char buffer[4096];
    for (ssize_t n; (n = ::read(back[0], buffer, sizeof buffer)) > 0;)
        held.insert(held.end(), buffer, buffer + n);
    int status = 0;
    ::waitpid(holder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(held, before[3]) << "the holder's view of the old file stays whole";
    auto reread = testsupport::rigAtStartValues();
    reread->CelFileName = base + ".CEL";
    ASSERT_TRUE(LoadCells(*reread).read);
    EXPECT_EQ(reread->Cells[8].Name.view(), "Changed");
    before[3] = readBytes(base + ".CEL");
    expectOldFilesWholeAndNothingLeftOver();
}

} // namespace
} // namespace meldrix
