// The identity reads outside a flash (list, the survey before a flash, the
// re-inquiry): short time-outs, a stop at an interruption, and the vendor's
// own command only for the package's drive.
#include "linux/drive_access.h"
#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::ExitCode;

constexpr char kTur[] = "000000000000000000000000";
constexpr char kInquiry[] = "120000006000000000000000";
constexpr char kIdentify[] = "df1100000000000000000000";
constexpr unsigned kShortMs = nflash::kIdentityTimeoutSeconds * 1000;
constexpr unsigned kFlashMs = 108000u * 1000u;

// The time-out of every command a drive received, by the opcode.
struct TimeOuts {
    std::vector<std::pair<std::uint8_t, unsigned>> seen;
};

void Record(sgsim::VdriveSgSystem& system, int index, TimeOuts& into) {
    system.OnCommand([&into, index](const sgsim::ServedCommand& c) {
        if (c.driveIndex == index) into.seen.emplace_back(c.header->cmdp[0], c.header->timeout);
    });
}

TEST_F(LinuxRun, OnlyThePackagesDriveIsAskedTheVendorIdentifyCommand) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(Blocks(0), (std::vector<std::string>{kTur, kInquiry, kIdentify}));
    EXPECT_EQ(Blocks(1), (std::vector<std::string>{kTur, kInquiry})) << "another maker's drive gets standard commands";
    EXPECT_FALSE(report.drives[1].chipId.has_value());
}

TEST_F(LinuxRun, IdentityReadsCarryTheShortTimeOutAndTheFlashTheLongOne) {
    Machine(DemoScenario());
    TimeOuts timeOuts;
    Record(system, 0, timeOuts);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    ASSERT_EQ(report.code, ExitCode::Success) << err.str();
    ASSERT_GE(timeOuts.seen.size(), 5u);
    // Discovery's three, then the flash, then the re-inquiry.
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(timeOuts.seen[i].second, kShortMs) << i;
    for (std::size_t i = 3; i + 1 < timeOuts.seen.size(); ++i) EXPECT_EQ(timeOuts.seen[i].second, kFlashMs) << i;
    EXPECT_EQ(timeOuts.seen.back(), std::make_pair(std::uint8_t{0x12}, kShortMs));
}

TEST_F(LinuxRun, ADriveThatHangsCostsTheListOneShortTimeOutAndIsAskedNothingMore) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives[0].config.latencies.push_back({vdrive::CommandKind::Inquiry, 1000.0});
    Machine(scenario);
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(Blocks(0), (std::vector<std::string>{kTur, kInquiry}));
    EXPECT_FALSE(report.drives[0].answered);
    EXPECT_NE(report.drives[0].problem.find("no answer within 10 s"), std::string::npos) << report.drives[0].problem;
    EXPECT_TRUE(report.drives[1].answered);
}

TEST_F(LinuxRun, AnInterruptedListStopsAtOnceAndSaysSo) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives.push_back(Velmora("1.00", 2));
    Machine(scenario);
    system.OnCommand([this](const sgsim::ServedCommand& c) {
        if (c.driveIndex == 0 && c.header->cmdp[0] == 0x12) control.Interrupt();
    });
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.code, ExitCode::Cancelled);
    EXPECT_EQ(Blocks(0), (std::vector<std::string>{kTur, kInquiry}));
    EXPECT_TRUE(Blocks(1).empty());
    EXPECT_TRUE(Blocks(2).empty());
}

TEST_F(LinuxRun, ADriveWithoutAnSgNodeSaysToLoadTheDriverAndTakesItsLimitFromTheBlockQueue) {
    sgsim::MachineOptions options;
    options.withoutSg = {0};
    options.maxTransferKb[0] = 64;
    Machine(DemoScenario(), options);
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_NE(err.str().find("norvek-flash: warning: 0:0:0:0 has no sg node (only " + machine->SrNode(0).string() +
                             "): the sg driver is not loaded; load it with modprobe sg"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(report.drives[0].drive.maxTransferKb, std::optional<std::uint32_t>(64));
    EXPECT_TRUE(report.drives[0].answered) << "its commands go through the block node";
}

// The SG_IO call itself failed: that is what the drive's line says, not
// that the drive gave no answer.
TEST_F(LinuxRun, AFailedIoctlIsNamedAsSuch) {
    Machine(DemoScenario());
    class FailingIoctl final : public SgSystem {
    public:
        explicit FailingIoctl(SgSystem& inner) : inner_(inner) {}
        int Open(const char* path, int flags) override { return inner_.Open(path, flags); }
        int SgIo(int, sg_io_hdr_t&) override { return EIO; }
        void Close(int fd) override { inner_.Close(fd); }

    private:
        SgSystem& inner_;
    };
    FailingIoctl failing(system);
    systemOverride = &failing;
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.drives[0].problem, "no identity: the SG_IO ioctl failed: Input/output error");
}

}  // namespace
}  // namespace linuxrun
