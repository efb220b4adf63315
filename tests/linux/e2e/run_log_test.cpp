// Where the real program writes its run log, and when it refuses for want
// of one.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) files.push_back(entry.path());
    return files;
}

TEST_F(E2E, AnUnwritableLogFileRefusesTheRunBeforeAnythingIsSent) {
    Machine(kDemoDrives);
    const Finished run =
        Program("flash", {"--test-loaders", "--yes", "--log", (dir / "no-such-folder" / "run.log").string()});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_NE(run.err.find("norvek-flash: refused before anything was sent: no run log: cannot write"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(AnyExec()) << "not even an identity read";
}

TEST_F(E2E, ListWritesNoLogUnlessAskedTo) {
    Machine(kDemoDrives);
    ASSERT_EQ(Program("list").exitCode, 0);
    EXPECT_TRUE(FilesIn(dir / "state" / "norvek-flash").empty());
    EXPECT_TRUE(FilesIn(dir / "var-log" / "norvek-flash").empty());
    const Finished asked = Program("list", {"--log", (dir / "list.log").string()});
    EXPECT_EQ(asked.exitCode, 0);
    EXPECT_NE(ReadText(dir / "list.log").find("identity sg0"), std::string::npos);
}

TEST_F(E2E, ARootRunLogsUnderTheSystemLogFolderReadableByAllAndNeverInTheHome) {
    if (::geteuid() != 0) GTEST_SKIP() << "SKIPPED LOUDLY: needs root (the program decides the folder by its user)";
    Machine(kDemoDrives);
    const Finished run = Program("flash", {"--test-loaders", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path folder = dir / "var-log" / "norvek-flash";
    EXPECT_EQ(Mode(folder), 0755u);
    const std::vector<fs::path> files = FilesIn(folder);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(Mode(files[0]), 0644u);
    EXPECT_NE(run.out.find("run log: " + files[0].string()), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "state")) << "a root run leaves nothing in the user's state folder";
}

}  // namespace
}  // namespace e2e
