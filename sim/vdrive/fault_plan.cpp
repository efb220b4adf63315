#include "fault_plan.h"

#include <limits>

#include "sense.h"

namespace vdrive::detail {

namespace {

bool Hits(const CommandFault& fault, int ordinal) {
    if (ordinal < fault.nth) return false;
    return fault.count <= 0 || ordinal < fault.nth + fault.count;
}

}  // namespace

const CommandFault* CountAndFindFault(DriveState& state, const DriveConfig& config, CommandKind kind) {
    const int any = ++state.kindCounts[static_cast<int>(CommandKind::Any)];
    const int ofKind = kind == CommandKind::Any ? any : ++state.kindCounts[static_cast<int>(kind)];
    for (const CommandFault& fault : config.faults) {
        if (fault.kind == CommandKind::Any && Hits(fault, any)) return &fault;
        if (fault.kind == kind && Hits(fault, ofKind)) return &fault;
    }
    return nullptr;
}

Outcome FaultOutcome(const CommandFault& fault) {
    switch (fault.effect) {
    case FaultEffect::NotDelivered: {
        Outcome outcome;
        outcome.delivered = false;
        return outcome;
    }
    case FaultEffect::Busy: {
        Outcome outcome;
        outcome.scsiStatus = kStatusBusy;
        return outcome;
    }
    case FaultEffect::ConditionMet: {
        Outcome outcome;
        outcome.scsiStatus = kStatusConditionMet;
        return outcome;
    }
    case FaultEffect::Hangs: {
        Outcome outcome;
        outcome.delivered = false;
        outcome.latencySeconds = std::numeric_limits<double>::infinity();
        return outcome;
    }
    case FaultEffect::CheckCondition: break;
    }
    return CheckCondition(fault.sense);
}

bool ReadBackCorrupted(const DriveState& state, const DriveConfig& config, int piece) {
    for (const ReadBackFault& fault : config.readBackFaults) {
        if (fault.piece == piece && (fault.pass == 0 || fault.pass == state.pass)) return true;
    }
    return false;
}

}  // namespace vdrive::detail
