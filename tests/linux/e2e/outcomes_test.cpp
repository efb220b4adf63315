// What the real program makes of drives that answer wrongly, through the
// preload library: a read-back short of its piece, a drive that keeps its
// old revision after the commit.
#include <nlohmann/json.hpp>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

constexpr char kVelmora[] = "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n";

TEST_F(E2E, AReadBackShortOfThePieceIsNeverCommittedEvenWhereTheTailWouldMatch) {
    constexpr std::size_t kMissing = 1024;
    updater = sgsim::DemoUpdaterWith(dir.Path(), sgsim::DemoImageWithZeroTails(kMissing), {});
    Machine(std::string(kVelmora) + "short_reply = read_back:15360\n");
    const Finished run = Program("flash", {"--test-loaders", "--yes", "--json"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_NE(doc["drives"][0]["outcome"]["error"].get<std::string>().find("returned 15360 of 16384 bytes"),
              std::string::npos)
        << run.out;
    for (const std::string& line : Exec(0)) EXPECT_EQ(line.find("cdb=3b0501000000000000a0"), std::string::npos) << line;
}

TEST_F(E2E, ADriveStillAtItsOldRevisionExitsSixAndSaysWhatToDo) {
    Machine(std::string(kVelmora) + "new_revision = \"1.02\"\n");
    const Finished run = Program("flash", {"--test-loaders", "--yes"});
    EXPECT_EQ(run.exitCode, 6) << run.err;
    EXPECT_NE(run.out.find("flashed, but the drive reports 1.02, expected 1.05: power it off and on, then run list"),
              std::string::npos)
        << run.out;
}

// A drive (or USB bridge) that never answers INQUIRY: the list waits the
// identity time-out once, not the flash's 30 hours, and moves on.
TEST_F(E2E, AListWithAHungDriveEndsAfterTheShortTimeOut) {
    Machine(std::string(kVelmora) + "kind_latency = inquiry:100000\n" + kVelmora);
    const Finished run = Program("list");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("(no identity: no answer within 10 s)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1:0:0:0"), std::string::npos) << run.out;
    EXPECT_LT(run.seconds, 60.0) << "one time-out of 10 s, not the drive's 100000 s";
}

}  // namespace
}  // namespace e2e
