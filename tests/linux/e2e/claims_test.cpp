// While a drive is being flashed no other program gets at it: its sg node
// and its block node are both claimed, so a mount, an automounter, a burning
// program or a second norvek-flash is refused (and the kernel's media
// polling, which an exclusive claim of the block node stops, stays away too).
#include <cerrno>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

class Claims : public E2E {
protected:
    // The second program, with the preload library but a request log of
    // its own: "read", "claim" or "claim-for-writing" (node_opener.cpp).
    Finished Open(const std::filesystem::path& node, const std::string& how) {
        std::map<std::string, std::string> env = Env();
        env["NORVEK_SG_LOG"] = "";
        return RunToEnd({NORVEK_NODE_OPENER, node.string(), how}, env);
    }
};

TEST_F(Claims, ASecondProgramCannotClaimADriveWhileItIsFlashed) {
    // 20 ms a command and two seconds more for the commit: the flash lasts
    // some five seconds after its STOP.
    Machine(
        "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 20\n"
        "kind_latency = \"commit:2\"\n");
    std::filesystem::remove(RequestLog());
    ChildProcess flash({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=1b00")) << "the flash never started";

    const Finished mount = Open(machine->SrNode(0), "claim");
    const Finished burner = Open(machine->SgNode(0), "claim-for-writing");
    const Finished sgReader = Open(machine->SgNode(0), "read");
    const Finished blockReader = Open(machine->SrNode(0), "read");
    std::map<std::string, std::string> env = Env();
    env["NORVEK_SG_LOG"] = (dir / "second.log").string();
    const Finished second = RunToEnd({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, env);
    ASSERT_EQ(ReadText(RequestLog()).find("cdb=3b0501000000000000a0"), std::string::npos)
        << "the flash was over before the second program ran: this machine is too slow for the test";
    const Finished run = flash.Wait();
    ASSERT_EQ(run.exitCode, 0) << run.err;

    EXPECT_EQ(mount.exitCode, EBUSY) << "a mount claimed the block node: " << mount.out;
    EXPECT_EQ(mount.out, "Device or resource busy\n");
    EXPECT_EQ(burner.exitCode, EBUSY) << burner.out;
    EXPECT_EQ(sgReader.exitCode, EBUSY) << "the sg driver keeps everyone out of a node held with O_EXCL";
    EXPECT_EQ(blockReader.exitCode, 0) << "a block device's claim keeps out claims, not readers: " << blockReader.out;
    EXPECT_EQ(second.exitCode, 2) << second.err;
    EXPECT_NE(second.err.find("is held by another program"), std::string::npos) << second.err;
    EXPECT_EQ(ReadText(dir / "second.log").find("exec "), std::string::npos) << "the second flasher sent commands";

    // Once the run is over the drive is free again.
    EXPECT_EQ(Open(machine->SrNode(0), "claim").exitCode, 0);
    EXPECT_EQ(Open(machine->SgNode(0), "claim-for-writing").exitCode, 0);
}

}  // namespace
}  // namespace e2e
