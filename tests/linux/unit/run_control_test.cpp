// Cancelling, finishing and dry runs, decided before each command reaches a
// drive, and the progress followed from the same commands.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

#include "linux/flash_progress.h"
#include "linux/gated_transport.h"
#include "linux/run_control.h"

namespace {

using nflash::Delivery;
using nflash::GatedTransport;
using nflash::RunControl;
using nflash::RunMode;

using Block = std::array<std::uint8_t, 12>;
constexpr Block kTur{};
constexpr Block kStop{0x1B};
constexpr Block kIdentify{0xDF, 0x11};
constexpr Block kLoader{0x3B, 0x05, 0x01, 0, 0, 0, 0, 0x05, 0x00, 0x7F};
constexpr Block kPiece0{0x3B, 0x05, 0x01, 0, 0, 0, 0, 0x40, 0x00, 0x00};
constexpr Block kPiece1{0x3B, 0x05, 0x01, 0, 0x40, 0, 0, 0x40, 0x00, 0x00};
constexpr Block kRead0{0x3C, 0x01, 0x01, 0, 0, 0, 0, 0x40, 0x00};
constexpr Block kRead1{0x3C, 0x01, 0x01, 0, 0x40, 0, 0, 0x40, 0x00};
constexpr Block kCommit{0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0xA0};

// Answers everything good and keeps what reached it.
class RecordingDrive final : public Transport {
public:
    CommandResult Send(const CommandRequest& request) override {
        Block block;
        std::copy_n(request.cdb, 12, block.begin());
        received.push_back(block);
        CommandResult result;
        result.outcome = CommandOutcome::Good;
        result.transferred = request.length;
        return result;
    }
    std::vector<Block> received;
};

CommandResult Send(Transport& t, const Block& cdb, std::uint8_t direction = kNoData, std::uint8_t* buffer = nullptr,
                   std::uint32_t length = 0) {
    return t.Send(CommandRequest{cdb.data(), direction, buffer, length, 60});
}

struct Observed {
    std::vector<Delivery> deliveries;
    nflash::CommandObserver Observer() {
        return [this](const CommandRequest&, const CommandResult&, Delivery d) { deliveries.push_back(d); };
    }
};

TEST(RunControlTest, AnInterruptionCancelsTheDrivesNotYetChangingAndLetsTheOthersFinish) {
    RunControl control;
    control.SetDrives({"sg0", "sg1", "sg2"});
    EXPECT_TRUE(control.BeginChange(1));
    const nflash::Interruption first = control.Interrupt();
    EXPECT_TRUE(first.first);
    EXPECT_EQ(first.cancelled, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(first.finishing, (std::vector<std::size_t>{1}));
    EXPECT_FALSE(control.BeginChange(0));
    EXPECT_TRUE(control.BeginChange(1));  // asking again changes nothing
    EXPECT_TRUE(control.Cancelled(2));
    EXPECT_FALSE(control.Interrupt().first);
    EXPECT_FALSE(control.BeginChange(7));
}

TEST(RunControlTest, AnInterruptionBeforeTheRunCancelsEveryDriveAndWakesTheWaiter) {
    RunControl control;
    char byte = 0;
    EXPECT_EQ(read(control.WakeFd(), &byte, 1), -1);  // nothing yet
    control.Interrupt();
    EXPECT_EQ(read(control.WakeFd(), &byte, 1), 1);
    control.SetDrives({"sg0", ""});
    EXPECT_TRUE(control.Cancelled(0));
    EXPECT_FALSE(control.BeginChange(1));
}

TEST(GatedTransportTest, ACancelledDriveNeverSeesItsFirstChangingCommandNorAnythingAfter) {
    RecordingDrive drive;
    RunControl control;
    control.SetDrives({"sg0"});
    Observed observed;
    GatedTransport gate(drive, control, 0, RunMode::Flash, {}, observed.Observer());
    EXPECT_TRUE(Send(gate, kTur).IsGood());
    control.Interrupt();
    // Cancelled before it changed: nothing more goes out, not even the polls.
    EXPECT_EQ(Send(gate, kTur).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Send(gate, kStop).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Send(gate, kIdentify).outcome, CommandOutcome::Failed);
    EXPECT_EQ(drive.received, (std::vector<Block>{kTur}));
    EXPECT_TRUE(gate.Withheld());
    EXPECT_EQ(observed.deliveries,
              (std::vector<Delivery>{Delivery::Sent, Delivery::Withheld, Delivery::Withheld, Delivery::Withheld}));
}

TEST(GatedTransportTest, OnceChangingADriveCarriesOnThroughAnInterruption) {
    RecordingDrive drive;
    RunControl control;
    control.SetDrives({"sg0"});
    GatedTransport gate(drive, control, 0, RunMode::Flash, {}, nullptr);
    Send(gate, kStop);
    EXPECT_TRUE(control.Changing(0));
    control.Interrupt();
    EXPECT_TRUE(Send(gate, kCommit).IsGood());
    EXPECT_EQ(drive.received, (std::vector<Block>{kStop, kCommit}));
    EXPECT_FALSE(gate.Withheld());
}

TEST(GatedTransportTest, ADryRunSendsNothingFromTheFirstChangingCommandOnAndPlansTheRest) {
    RecordingDrive drive;
    RunControl control;
    control.SetDrives({"sg0"});
    GatedTransport gate(drive, control, 0, RunMode::DryRun, {0xBF, 0xD6, 0x00, 0x01}, nullptr);
    Send(gate, kTur);
    Send(gate, kTur);
    EXPECT_TRUE(Send(gate, kStop).IsGood());

    std::vector<std::uint8_t> buffer(16384);
    Send(gate, kIdentify, kDataIn, buffer.data(), 128);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 5),
              (std::vector<std::uint8_t>{0xBF, 0xD6, 0x00, 0x01, 0x00}));
    // What was "written" reads back, so the procedure runs to its commit.
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i * 3);
    const std::vector<std::uint8_t> piece = buffer;
    Send(gate, kPiece0, kDataOut, buffer.data(), 16384);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_TRUE(Send(gate, kRead0, kDataIn, buffer.data(), 16384).IsGood());
    EXPECT_EQ(buffer, piece);
    Send(gate, kCommit);

    EXPECT_EQ(drive.received, (std::vector<Block>{kTur, kTur}));
    ASSERT_EQ(gate.Plan().size(), 5u);
    EXPECT_EQ(gate.Plan()[0].cdb, kStop);
    EXPECT_EQ(gate.Plan()[2].length, 16384u);
    EXPECT_EQ(gate.Plan()[2].direction, kDataOut);
    EXPECT_EQ(gate.Plan()[4].cdb, kCommit);
    EXPECT_FALSE(control.Changing(0));  // a dry run never claims the drive
}

TEST(FlashProgressTest, FollowsPhasesPassesAndReadBacksFromTheCommands) {
    nflash::FlashProgress progress(64);
    const auto observe = [&](const Block& cdb, std::uint32_t length, bool good = true) {
        CommandResult result;
        result.outcome = good ? CommandOutcome::Good : CommandOutcome::CheckCondition;
        progress.Observe(CommandRequest{cdb.data(), kNoData, nullptr, length, 60}, result, Delivery::Sent);
        return progress.Snapshot();
    };
    EXPECT_EQ(observe(kTur, 0).phase, nflash::FlashPhase::Preparing);
    EXPECT_EQ(observe(kIdentify, 128).phase, nflash::FlashPhase::Identifying);
    EXPECT_EQ(observe(kLoader, 1280).phase, nflash::FlashPhase::Loader);
    EXPECT_EQ(observe(kPiece0, 16384).pass, 1);
    EXPECT_EQ(observe(kRead0, 16384).readBack, 1u);
    observe(kPiece1, 16384);
    EXPECT_EQ(observe(kRead1, 16384, false).readBack, 1u);  // a failed read-back counts nothing
    const nflash::ProgressSnapshot restarted = observe(kPiece0, 16384);
    EXPECT_EQ(restarted.pass, 2);
    EXPECT_EQ(restarted.readBack, 0u);
    observe(kRead0, 16384);
    EXPECT_EQ(nflash::ProgressText(progress.Snapshot()), "pass 2, 1/64 pieces verified, transferring");
    for (std::uint32_t k = 1; k < 64; ++k) {
        const Block read{0x3C, 0x01, 0x01, static_cast<std::uint8_t>(k >> 2), static_cast<std::uint8_t>(k << 6), 0,
                         0,    0x40, 0x00};
        observe(read, 16384);
    }
    EXPECT_EQ(nflash::ProgressText(progress.Snapshot()),
              "pass 2, 64/64 pieces verified, pausing before the commit");
    EXPECT_EQ(observe(kCommit, 0).phase, nflash::FlashPhase::Committing);
}

}  // namespace
