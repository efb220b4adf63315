// Every fault the virtual drive can inject, against the whole worker run:
// the outcome is right, and a commit only ever follows a clean pass.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "flash_rig.h"
#include "src/flash/parser.h"

namespace {

using namespace flashtest;
using vdrive::CommandKind;
using vdrive::FaultEffect;

constexpr std::int32_t kImageSize = 4 * 16384;

struct FaultCase {
    std::string name;
    vdrive::DriveConfig config;
    bool committed;
};

const char* KindName(CommandKind kind) {
    switch (kind) {
        case CommandKind::TestUnitReady: return "TestUnitReady";
        case CommandKind::StartStop: return "StartStop";
        case CommandKind::Identify: return "Identify";
        case CommandKind::LoaderUpload: return "LoaderUpload";
        case CommandKind::ImageWrite: return "ImageWrite";
        case CommandKind::ReadBack: return "ReadBack";
        case CommandKind::Commit: return "Commit";
        default: return "other";
    }
}

const char* EffectName(FaultEffect effect) {
    switch (effect) {
        case FaultEffect::CheckCondition: return "check condition";
        case FaultEffect::NotDelivered: return "transport failure";
        case FaultEffect::Busy: return "busy";
        case FaultEffect::ConditionMet: return "condition met";
        case FaultEffect::BareStatus: return "a bare status";
        case FaultEffect::Hangs: return "hangs";
    }
    return "?";
}

// What one fault on the first command of its kind (once) or on every one
// (always) must lead to. Preparation commands do not decide the outcome; a
// loader that did not arrive fails the transfer; a failed piece costs a pass;
// a check condition is never retried, a plain failure is retried once.
bool CommitsDespite(CommandKind kind, FaultEffect effect, bool always) {
    switch (kind) {
        case CommandKind::TestUnitReady:
        case CommandKind::StartStop: return true;
        case CommandKind::Identify:
        case CommandKind::LoaderUpload: return false;
        case CommandKind::ImageWrite:
        case CommandKind::ReadBack: return !always;
        case CommandKind::Commit: return !always && effect != FaultEffect::CheckCondition;
        default: return false;
    }
}

vdrive::DriveConfig WithFault(CommandKind kind, FaultEffect effect, int nth, int count,
                              double extraSeconds = 0.0) {
    vdrive::DriveConfig config;
    config.faults.push_back(
        {.kind = kind, .nth = nth, .count = count, .effect = effect, .extraSeconds = extraSeconds});
    return config;
}

vdrive::DriveConfig WithReadBackFaults(std::vector<vdrive::ReadBackFault> faults) {
    vdrive::DriveConfig config;
    config.readBackFaults = std::move(faults);
    return config;
}

std::vector<FaultCase> AllCases() {
    std::vector<FaultCase> cases;
    const CommandKind kinds[] = {CommandKind::TestUnitReady, CommandKind::StartStop,
                                 CommandKind::Identify,      CommandKind::LoaderUpload,
                                 CommandKind::ImageWrite,    CommandKind::ReadBack,
                                 CommandKind::Commit};
    const FaultEffect effects[] = {FaultEffect::CheckCondition, FaultEffect::NotDelivered,
                                   FaultEffect::Busy};
    for (CommandKind kind : kinds) {
        for (FaultEffect effect : effects) {
            for (bool always : {false, true}) {
                cases.push_back({std::string(KindName(kind)) + ", " + EffectName(effect) +
                                     (always ? ", always" : ", once"),
                                 WithFault(kind, effect, 1, always ? 0 : 1),
                                 CommitsDespite(kind, effect, always)});
            }
        }
    }
    // Piece faults that cross pass boundaries: image write 3 is piece 2 of pass 1.
    cases.push_back({"image write sense, passes 1-2", WithFault(CommandKind::ImageWrite, FaultEffect::CheckCondition, 3, 2), true});
    cases.push_back({"image write sense, passes 1-3", WithFault(CommandKind::ImageWrite, FaultEffect::CheckCondition, 3, 3), false});
    cases.push_back({"image write lost twice, pass 1", WithFault(CommandKind::ImageWrite, FaultEffect::NotDelivered, 3, 2), true});
    cases.push_back({"image write lost, passes 1-3", WithFault(CommandKind::ImageWrite, FaultEffect::NotDelivered, 3, 6), false});
    cases.push_back({"read-back busy, passes 1-3", WithFault(CommandKind::ReadBack, FaultEffect::Busy, 2, 6), false});
    // A commit the drive refuses in any status without sense data is no update.
    for (const std::uint8_t status : vdrive::kRefusalStatuses) {
        vdrive::DriveConfig refusing;
        refusing.faults.push_back(
            {.kind = CommandKind::Commit, .count = 0, .effect = FaultEffect::BareStatus, .status = status});
        char name[48];
        std::snprintf(name, sizeof name, "commit refused in status %02xh, always", status);
        cases.push_back({name, refusing, false});
    }
    // Commands that run into the 30-hour time-out.
    cases.push_back({"image write hangs once", WithFault(CommandKind::ImageWrite, FaultEffect::NotDelivered, 1, 1, 200000.0), true});
    cases.push_back({"commit hangs every time", WithFault(CommandKind::Commit, FaultEffect::NotDelivered, 1, 0, 200000.0), false});
    // Corrupt read-back (the download buffer itself stays right).
    cases.push_back({"corrupt piece 2, pass 1", WithReadBackFaults({{2, 1}}), true});
    cases.push_back({"corrupt passes 1 and 2", WithReadBackFaults({{2, 1}, {0, 2}}), true});
    cases.push_back({"corrupt passes 1, 2 and 3", WithReadBackFaults({{2, 1}, {0, 2}, {3, 3}}), false});
    cases.push_back({"corrupt last piece, every pass", WithReadBackFaults({{3, 0}}), false});
    // Drive states.
    vdrive::DriveConfig neverReady;
    neverReady.neverReady = true;
    cases.push_back({"never ready", neverReady, true});
    vdrive::DriveConfig attention;
    attention.unitAttentionForever = true;
    cases.push_back({"unit attention for ever", attention, false});
    vdrive::DriveConfig zeroIdentify;
    zeroIdentify.identifyAllZero = true;
    cases.push_back({"identify answers zeros", zeroIdentify, false});
    vdrive::DriveConfig unknownChip;
    unknownChip.chipId = {0xBF, 0xD6, 0x00, 0x00};
    cases.push_back({"chip not in the table", unknownChip, false});
    return cases;
}

// The commands between the last write of piece 0 and the commit must be
// every piece written and then read back, in order; a retried command shows
// twice in a row and counts once.
bool CommitFollowsCompletePass(const std::vector<vdrive::CommandRecord>& log) {
    auto isCommit = [](const vdrive::CommandRecord& c) {
        return c.cdb[0] == kWriteBufferOp && (c.cdb[9] == 0x80 || c.cdb[9] == 0xA0);
    };
    auto isFirstPiece = [](const vdrive::CommandRecord& c) {
        return c.cdb[0] == kWriteBufferOp && c.cdb[9] == 0x00 && Be24(c.cdb, 3) == 0;
    };
    const auto commit = std::find_if(log.begin(), log.end(), isCommit);
    const auto passStart = std::find_if(std::make_reverse_iterator(commit), log.rend(), isFirstPiece);
    if (commit == log.end() || passStart == log.rend()) return false;

    std::vector<std::pair<std::uint8_t, std::uint32_t>> steps;
    for (auto it = passStart.base() - 1; it != commit; ++it) {
        const std::pair<std::uint8_t, std::uint32_t> step{it->cdb[0], Be24(it->cdb, 3)};
        if (steps.empty() || steps.back() != step) steps.push_back(step);
    }
    std::vector<std::pair<std::uint8_t, std::uint32_t>> expected;
    for (std::uint32_t k = 0; k < kImageSize / 16384; ++k) {
        expected.emplace_back(kWriteBufferOp, k * 16384);
        expected.emplace_back(kReadBufferOp, k * 16384);
    }
    return steps == expected;
}

class FaultMatrixTest : public FlashTest {};

TEST_F(FaultMatrixTest, EveryInjectableFaultEndsRightAndNothingUnverifiedIsCommitted) {
    const std::vector<std::uint8_t> image = MakeImage(kImageSize, 99);
    const std::vector<FaultCase> cases = AllCases();
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
        Rig rig = MakeRig(c.config);
        FlashJob job{rig.manager.get(), image.data(), kImageSize, 0};
        Parser worker(job);  // run here, on the test thread, never started
        rig.manager->errorCode = 77;
        worker.WorkerRun();

        EXPECT_EQ(rig.manager->errorCode, c.committed ? 0 : kFlashFailed);
        EXPECT_EQ(rig.drive->CommitCount(), c.committed ? 1 : 0);
        if (rig.drive->CommitCount() > 0) {
            EXPECT_TRUE(CommitFollowsCompletePass(rig.drive->Commands()));
            const auto flash = rig.drive->FlashContents();
            ASSERT_GE(flash.size(), image.size());
            EXPECT_EQ(std::memcmp(flash.data(), image.data(), image.size()), 0);
        }
    }
    RecordProperty("cases", static_cast<int>(cases.size()));
    std::printf("fault matrix: %zu cases\n", cases.size());
}

}  // namespace
