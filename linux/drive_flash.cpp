#include "drive_flash.h"

#include <chrono>

#include "command_logging.h"
#include "drive_access.h"
#include "drive_return.h"
#include "run_log_text.h"
#include "src/drive/transport/sg_io/sg_answer.h"
#include "src/drive/transport/sg_io/sg_answer_text.h"
#include "wire_command.h"

namespace nflash {
namespace {

using Clock = std::chrono::steady_clock;

bool DecidesTheOutcome(WireKind kind) {
    return kind == WireKind::ImagePiece || kind == WireKind::ReadBack || kind == WireKind::Commit;
}

// The moments after which a power cut costs the most, so the log is on the
// disk by then: the drive stopped, its last piece verified, its commit.
bool Durable(const CommandRequest& request, const CommandResult& result, std::uint32_t pieces) {
    switch (Classify(request.cdb, request.length)) {
        case WireKind::StartStop:
        case WireKind::Commit: return true;
        case WireKind::ReadBack: return result.IsGood() && BufferOffset(request.cdb) / wire::kPieceSize + 1 == pieces;
        default: return false;
    }
}

std::string FailureText(const ProgressSnapshot& s, const std::string& lastFailure) {
    if (s.phase == FlashPhase::Committing) return "the drive refused the commit: " + lastFailure;
    const std::string why = lastFailure.empty() ? "a piece read back differed from what was written" : lastFailure;
    return "the image was not written and verified in " + std::to_string(s.pass) + " passes (" + why +
           "); nothing was committed";
}

std::string MismatchText(const Identity& after, const std::string& expected) {
    return "flashed, but the drive reports " + after.revision + ", expected " + expected +
           ": power it off and on, then run list";
}

// The drive has answered after its commit: its revision decides whether the
// flash took, and the kernel is asked to read its identity again.
void Judge(DriveReport& report, const ReturnedDrive& returned, ProgramContext& context) {
    report.after = returned.identity;
    if (returned.movedTo && returned.movedTo->CommandPath() != report.drive.CommandPath()) {
        report.movedTo = returned.movedTo->CommandPath().string();
    }
    const OpticalDrive& now = returned.movedTo ? *returned.movedTo : report.drive;
    const std::string rescan = RequestRescan(now);
    if (context.log != nullptr) context.log->Line(RescanLogLine(now, rescan));
    if (ReportsRevision(*report.after, report.decision.to)) {
        report.result = DriveResult::Flashed;
        return;
    }
    report.result = DriveResult::RevisionMismatch;
    report.error = MismatchText(*report.after, report.decision.to);
}

// A commit whose answer was lost: the drive that comes back (under its node
// or a new one) with its bank's revision did commit; one that comes back
// with another revision, or not at all, is a failure.
void AwaitCommitOutcome(DriveReport& report, Transport& flashed, ProgramContext& context,
                        const std::string& lastFailure) {
    const ReturnedDrive returned = AwaitReturn(flashed, report, context, context.answerWaitSeconds);
    if (returned.identity && ReportsRevision(*returned.identity, report.decision.to)) {
        Judge(report, returned, context);
        return;
    }
    report.result = DriveResult::Failed;
    report.after = returned.identity;
    report.error = returned.identity ? "the drive refused the commit: " + lastFailure
                                     : "the commit's answer was lost (" + lastFailure +
                                           ") and the drive did not answer again within " +
                                           std::to_string(context.answerWaitSeconds) +
                                           " s: power it off and on, then run norvek-flash list";
}

}  // namespace

void FlashOneDrive(DriveReport& report, std::size_t index, SgIoTransport& transport, const FlashOrder& order,
                   FlashProgress& progress, ProgramContext& context) {
    const CommandObserver log = LoggingObserver(context, report.drive, transport);
    std::string lastFailure;
    bool commitAnswerLost = false;
    const CommandObserver observe = [&](const CommandRequest& request, const CommandResult& result, Delivery d) {
        log(request, result, d);
        if (d == Delivery::Sent && context.log != nullptr && Durable(request, result, progress.Snapshot().pieces)) {
            context.log->Sync();
        }
        progress.Observe(request, result, d);
        if (d != Delivery::Sent || !DecidesTheOutcome(Classify(request.cdb, request.length))) return;
        if (!result.IsGood()) {
            lastFailure = CdbHex(request.cdb) + ": " + DescribeAnswer(transport.LastAnswer());
            // A drive that resets as it takes its new firmware can vanish
            // with the commit's answer: whether it committed is then for its
            // identity afterwards to tell.
            commitAnswerLost = Classify(request.cdb, request.length) == WireKind::Commit &&
                               !DriveAnswerArrived(transport.LastAnswer());
        } else if (result.transferred < request.length) {
            lastFailure = CdbHex(request.cdb) + ": the drive returned " + std::to_string(result.transferred) +
                          " of " + std::to_string(request.length) + " bytes";
        }
    };
    GatedTransport gate(transport, context.control, index, order.mode,
                        report.chipId.value_or(std::array<std::uint8_t, 4>{}), observe);

    const auto start = Clock::now();
    const bool committed =
        FlashDrive(gate, LoaderStore(order.loaders, kLoaderStoreSize), order.image, order.imageSize, order.bootCode);
    report.passes = progress.Snapshot().pass;
    if (order.mode == RunMode::DryRun) {
        report.result = committed ? DriveResult::Planned : DriveResult::Failed;
        report.plan = gate.Plan();
        if (!committed) report.error = "the dry run did not reach the commit";
    } else if (gate.Withheld()) {
        report.result = DriveResult::Cancelled;
    } else if (!committed && commitAnswerLost) {
        progress.Enter(FlashPhase::Reinquiring);
        AwaitCommitOutcome(report, gate, context, lastFailure);
    } else if (!committed) {
        report.result = DriveResult::Failed;
        report.error = FailureText(progress.Snapshot(), lastFailure);
        // The window re-inquires after a failed run too: the identity the
        // drive now gives goes into the report and the log.
        progress.Enter(FlashPhase::Reinquiring);
        report.after = Reinquire(gate);
    } else {
        progress.Enter(FlashPhase::Reinquiring);
        const ReturnedDrive returned = AwaitReturn(gate, report, context, context.answerWaitSeconds);
        if (returned.identity) {
            Judge(report, returned, context);
        } else {
            report.result = DriveResult::Failed;
            report.error = "committed, but the drive did not answer again within " +
                           std::to_string(context.answerWaitSeconds) +
                           " s: power it off and on, then run norvek-flash list";
        }
    }
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    progress.Enter(report.result == DriveResult::Flashed || report.result == DriveResult::Planned ? FlashPhase::Done
                   : report.result == DriveResult::Cancelled ? FlashPhase::Cancelled
                                                             : FlashPhase::Failed);
}

}  // namespace nflash
