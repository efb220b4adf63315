// Where a run's log goes: the system folder for root, the user's state
// folder for anyone else, never a home folder for root.
#include <gtest/gtest.h>

#include <cstdlib>

#include "linux/run_log_place.h"

namespace {

class LogPlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_STATE_HOME", "/home/ada/.state", 1);
        setenv("HOME", "/home/ada", 1);
        paths.logRoot = "/var/log";
    }
    void TearDown() override {
        unsetenv("XDG_STATE_HOME");
        if (home) setenv("HOME", home->c_str(), 1);
    }
    nflash::SystemPaths paths;
    std::optional<std::string> home = std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
};

TEST_F(LogPlaceTest, RootLogsUnderTheSystemFolderWhateverTheUsersVariablesSay) {
    EXPECT_EQ(nflash::DefaultLogDirectory(paths, true), std::filesystem::path("/var/log/norvek-flash"));
}

TEST_F(LogPlaceTest, AUserLogsInTheStateFolderAndWithoutItInTheHomesOne) {
    EXPECT_EQ(nflash::DefaultLogDirectory(paths, false), std::filesystem::path("/home/ada/.state/norvek-flash"));
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(nflash::DefaultLogDirectory(paths, false), std::filesystem::path("/home/ada/.local/state/norvek-flash"));
    unsetenv("HOME");
    EXPECT_EQ(nflash::DefaultLogDirectory(paths, false), std::nullopt);
}

TEST_F(LogPlaceTest, ListOpensNoLogWithoutTheOption) {
    nflash::Options options;
    options.command = nflash::Command::List;
    paths.logRoot = "/nonexistent-for-this-test";
    const nflash::LogChoice choice = nflash::OpenRunLogFor(options, paths, true);
    EXPECT_EQ(choice.log, nullptr);
    EXPECT_TRUE(choice.problem.empty()) << choice.problem;
    EXPECT_FALSE(choice.refuse);
}

}  // namespace
