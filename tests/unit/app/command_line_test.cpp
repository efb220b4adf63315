// The Windows program's switches and its usage text.
#include "src/app/command_line.h"

#include <gtest/gtest.h>

#include "src/platform/exit_codes.h"

namespace {

TEST(CommandLineTest, NoSwitchesIsTheWindow) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_FALSE(line.quiet);
    EXPECT_FALSE(line.help);
    EXPECT_TRUE(line.problem.empty());
    EXPECT_TRUE(line.logPath.empty());
}

TEST(CommandLineTest, QuietWithEverySwitchInAnyCaseAndEitherPrefix) {
    const CommandLine line =
        ParseCommandLine({"/QUIET", "-norestart", "/Log:C:\\logs\\a b.log", "/report:C:\\r.json"});
    EXPECT_TRUE(line.problem.empty()) << line.problem;
    EXPECT_TRUE(line.quiet);
    EXPECT_TRUE(line.noRestart);
    EXPECT_EQ(line.logPath, "C:\\logs\\a b.log");
    EXPECT_EQ(line.reportPath, "C:\\r.json");
}

TEST(CommandLineTest, HelpInItsUsualSpellings) {
    for (const char* help : {"/?", "-?", "/h", "/help"}) EXPECT_TRUE(ParseCommandLine({help}).help) << help;
}

TEST(CommandLineTest, WhatItDoesNotUnderstandIsAProblem) {
    EXPECT_NE(ParseCommandLine({"/quite"}).problem, "");
    EXPECT_NE(ParseCommandLine({"quiet"}).problem, "");
    EXPECT_NE(ParseCommandLine({"/log:"}).problem, "");
    EXPECT_NE(ParseCommandLine({"/quiet", "/report:"}).problem, "");
    EXPECT_NE(ParseCommandLine({"/"}).problem, "");
    // A log for the window is fine; a report or "no restart" means nothing to it.
    EXPECT_EQ(ParseCommandLine({"/log:x.log"}).problem, "");
    EXPECT_NE(ParseCommandLine({"/norestart"}).problem, "");
    EXPECT_NE(ParseCommandLine({"/report:r.json"}).problem, "");
}

TEST(CommandLineTest, TheUsageListsEveryExitCode) {
    using norvek::ExitCode;
    const std::string usage = UsageText();
    for (ExitCode code : {ExitCode::Success, ExitCode::NothingToDo, ExitCode::Refused, ExitCode::DriveFailed,
                          ExitCode::BadInput, ExitCode::AnotherCopyRunning, ExitCode::RestartStarted,
                          ExitCode::RestartRequired}) {
        EXPECT_NE(usage.find("  " + std::to_string(norvek::Code(code)) + "\t"), std::string::npos)
            << norvek::Code(code) << " missing from:\n"
            << usage;
    }
    for (const char* word : {"/quiet", "/norestart", "/log:FILE", "/report:FILE"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
