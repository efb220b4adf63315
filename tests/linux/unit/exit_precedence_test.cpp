// The exit code of a flash whose drives ended differently, for every pair of
// results a chosen drive can end with, in both orders and beside a drive
// that took no part: the order the README and the man page promise.
#include <gtest/gtest.h>

#include "linux/exit_precedence.h"

namespace {

using nflash::DriveResult;
using nflash::ExitCode;

nflash::RunReport Ended(std::initializer_list<DriveResult> results) {
    nflash::RunReport report;
    for (DriveResult result : results) {
        nflash::DriveReport r;
        r.chosen = result != DriveResult::None;
        r.result = result;
        report.drives.push_back(r);
    }
    return report;
}

struct Pair {
    DriveResult a, b;
    ExitCode code;
};

// Written out rather than derived: a drive failed (3) before a drive that
// answers with another revision than its bank's (6) before cancelled (5)
// before done (0; a dry run's plan counts as done).
constexpr Pair kPairs[] = {
    {DriveResult::Flashed, DriveResult::Flashed, ExitCode::Success},
    {DriveResult::Flashed, DriveResult::Failed, ExitCode::DriveFailed},
    {DriveResult::Flashed, DriveResult::Cancelled, ExitCode::Cancelled},
    {DriveResult::Flashed, DriveResult::Planned, ExitCode::Success},
    {DriveResult::Failed, DriveResult::Failed, ExitCode::DriveFailed},
    {DriveResult::Failed, DriveResult::Cancelled, ExitCode::DriveFailed},
    {DriveResult::Failed, DriveResult::Planned, ExitCode::DriveFailed},
    {DriveResult::Cancelled, DriveResult::Cancelled, ExitCode::Cancelled},
    {DriveResult::Cancelled, DriveResult::Planned, ExitCode::Cancelled},
    {DriveResult::Planned, DriveResult::Planned, ExitCode::Success},
    {DriveResult::RevisionMismatch, DriveResult::RevisionMismatch, ExitCode::RevisionMismatch},
    {DriveResult::RevisionMismatch, DriveResult::Failed, ExitCode::DriveFailed},
    {DriveResult::RevisionMismatch, DriveResult::Cancelled, ExitCode::RevisionMismatch},
    {DriveResult::RevisionMismatch, DriveResult::Flashed, ExitCode::RevisionMismatch},
    {DriveResult::RevisionMismatch, DriveResult::Planned, ExitCode::RevisionMismatch},
};

TEST(ExitPrecedence, EveryPairOfResultsInEitherOrderGivesTheDocumentedCode) {
    for (const Pair& p : kPairs) {
        const std::string name = nflash::ResultName(p.a) + " and " + nflash::ResultName(p.b);
        const int code = nflash::Code(p.code);
        EXPECT_EQ(Code(nflash::RunOutcome(Ended({p.a, p.b}))), code) << name;
        EXPECT_EQ(Code(nflash::RunOutcome(Ended({p.b, p.a}))), code) << name << ", the other way round";
        EXPECT_EQ(Code(nflash::RunOutcome(Ended({DriveResult::None, p.b, DriveResult::None, p.a}))), code)
            << name << ", among drives not chosen";
    }
}

// A result added to the table needs its pairs here too.
TEST(ExitPrecedence, ThePairsCoverEveryResultOfTheTable) {
    const std::size_t n = nflash::kExitPrecedence.size();
    EXPECT_EQ(std::size(kPairs), n * (n + 1) / 2);
    for (const nflash::ResultExit& row : nflash::kExitPrecedence) {
        std::size_t seen = 0;
        for (const Pair& p : kPairs) seen += (p.a == row.result ? 1 : 0) + (p.b == row.result ? 1 : 0);
        EXPECT_EQ(seen, n + 1) << nflash::ResultName(row.result) << " is not paired with every result once";
    }
}

}  // namespace
