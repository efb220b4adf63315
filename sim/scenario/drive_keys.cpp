#include "drive_keys.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "scenario.h"

namespace scenariofile {
namespace {

using vdrive::CommandKind;
using vdrive::DriveConfig;
using vdrive::FaultEffect;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

bool Flag(const std::string& value) {
    if (value == "true" || value == "yes" || value == "1") return true;
    if (value == "false" || value == "no" || value == "0") return false;
    throw ScenarioError(value + " is not true or false");
}

long Integer(const std::string& value, long min, long max) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 0);
    if (value.empty() || *end != '\0' || n < min || n > max) {
        throw ScenarioError(value + " is not a whole number from " + std::to_string(min) + " to " +
                            std::to_string(max));
    }
    return n;
}

// Finite: "nan" and "inf" parse as numbers, and a latency of either is no
// time a drive can take.
double NonNegative(const std::string& value) {
    char* end = nullptr;
    const double n = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(n) || n < 0) {
        throw ScenarioError(value + " is not a number of 0 or more");
    }
    return n;
}

// One of two words, for keys like "disc = present|absent".
bool Choice(const std::string& value, const char* yes, const char* no) {
    if (value == yes) return true;
    if (value == no) return false;
    throw ScenarioError(value + " is neither " + yes + " nor " + no);
}

CommandKind Kind(const std::string& name) {
    static const std::map<std::string, CommandKind> kinds{
        {"any", CommandKind::Any},
        {"inquiry", CommandKind::Inquiry},
        {"test_unit_ready", CommandKind::TestUnitReady},
        {"start_stop", CommandKind::StartStop},
        {"event_status", CommandKind::EventStatus},
        {"identify", CommandKind::Identify},
        {"loader_upload", CommandKind::LoaderUpload},
        {"image_write", CommandKind::ImageWrite},
        {"read_back", CommandKind::ReadBack},
        {"commit", CommandKind::Commit},
        {"other", CommandKind::Other},
    };
    auto found = kinds.find(name);
    if (found == kinds.end()) throw ScenarioError("unknown command kind " + name);
    return found->second;
}

// "04/44/00": sense key, additional sense code and qualifier in hex.
vdrive::SenseCode Sense(const std::string& text) {
    const auto parts = Split(text, '/');
    if (parts.size() != 3) throw ScenarioError(text + " is not KEY/ASC/ASCQ");
    auto byte = [](const std::string& hex) {
        return static_cast<std::uint8_t>(Integer("0x" + hex, 0, 255));
    };
    return {byte(parts[0]), byte(parts[1]), byte(parts[2])};
}

// "KIND:NTH:COUNT:EFFECT[:KEY/ASC/ASCQ[:EXTRA_SECONDS]]", EFFECT one of
// check, lost, busy, met (CONDITION MET), hang (no answer ever).
vdrive::CommandFault Fault(const std::string& value) {
    const auto parts = Split(value, ':');
    if (parts.size() < 4 || parts.size() > 6) {
        throw ScenarioError(value + " is not KIND:NTH:COUNT:EFFECT[:KEY/ASC/ASCQ[:SECONDS]]");
    }
    vdrive::CommandFault fault;
    fault.kind = Kind(parts[0]);
    fault.nth = static_cast<int>(Integer(parts[1], 1, 1000000));
    fault.count = static_cast<int>(Integer(parts[2], 0, 1000000));
    if (parts[3] == "check") {
        fault.effect = FaultEffect::CheckCondition;
    } else if (parts[3] == "lost") {
        fault.effect = FaultEffect::NotDelivered;
    } else if (parts[3] == "busy") {
        fault.effect = FaultEffect::Busy;
    } else if (parts[3] == "met") {
        fault.effect = FaultEffect::ConditionMet;
    } else if (parts[3] == "hang") {
        fault.effect = FaultEffect::Hangs;
    } else {
        throw ScenarioError(parts[3] + " is not check, lost, busy, met or hang");
    }
    if (parts.size() > 4) fault.sense = Sense(parts[4]);
    if (parts.size() > 5) fault.extraSeconds = NonNegative(parts[5]);
    return fault;
}

// "PASS:PIECE", or "every:PIECE" for the piece in every pass.
vdrive::ReadBackFault ReadBack(const std::string& value) {
    const auto parts = Split(value, ':');
    if (parts.size() != 2) throw ScenarioError(value + " is not PASS:PIECE or every:PIECE");
    vdrive::ReadBackFault fault;
    fault.pass = parts[0] == "every" ? 0 : static_cast<int>(Integer(parts[0], 1, 1000));
    fault.piece = static_cast<int>(Integer(parts[1], 0, wire::kDownloadBufferSize / wire::kPieceSize - 1));
    return fault;
}

// "BF D6 00 01": the four bytes the identify command reports.
std::array<std::uint8_t, 4> ChipId(const std::string& value) {
    std::istringstream in(value);
    std::array<std::uint8_t, 4> id{};
    for (auto& byte : id) {
        std::string hex;
        if (!(in >> hex)) throw ScenarioError(value + " is not four hex bytes");
        byte = static_cast<std::uint8_t>(Integer("0x" + hex, 0, 255));
    }
    std::string extra;
    if (in >> extra) throw ScenarioError(value + " is not four hex bytes");
    return id;
}

// "KIND:SECONDS".
vdrive::KindLatency KindLatency(const std::string& value) {
    const auto parts = Split(value, ':');
    if (parts.size() != 2) throw ScenarioError(value + " is not KIND:SECONDS");
    return {Kind(parts[0]), NonNegative(parts[1])};
}

// "KIND:BYTES": a data-in command of that kind moves at most BYTES bytes.
vdrive::ShortReply ShortReply(const std::string& value) {
    const auto parts = Split(value, ':');
    if (parts.size() != 2) throw ScenarioError(value + " is not KIND:BYTES");
    return {Kind(parts[0]), static_cast<std::uint32_t>(Integer(parts[1], 0, 65536))};
}

using Setter = std::function<void(DriveConfig&, const std::string&)>;

const std::map<std::string, Setter>& Setters() {
    static const std::map<std::string, Setter> setters{
        {"vendor", [](DriveConfig& c, const std::string& v) { c.vendor = v; }},
        {"product", [](DriveConfig& c, const std::string& v) { c.product = v; }},
        {"revision", [](DriveConfig& c, const std::string& v) { c.revision = v; }},
        {"vendor_specific", [](DriveConfig& c, const std::string& v) { c.vendorSpecific = v; }},
        {"peripheral_type",
         [](DriveConfig& c, const std::string& v) { c.peripheralType = static_cast<std::uint8_t>(Integer(v, 0, 31)); }},
        {"blank_identity", [](DriveConfig& c, const std::string& v) { c.blankIdentity = Flag(v); }},
        {"new_revision", [](DriveConfig& c, const std::string& v) { c.newRevision = v; }},
        {"chip_id", [](DriveConfig& c, const std::string& v) { c.chipId = ChipId(v); }},
        {"identify_all_zero", [](DriveConfig& c, const std::string& v) { c.identifyAllZero = Flag(v); }},
        {"becoming_ready_polls",
         [](DriveConfig& c, const std::string& v) { c.becomingReadyPolls = static_cast<int>(Integer(v, 0, 1000000)); }},
        {"becoming_ready_seconds", [](DriveConfig& c, const std::string& v) { c.becomingReadySeconds = NonNegative(v); }},
        {"never_ready", [](DriveConfig& c, const std::string& v) { c.neverReady = Flag(v); }},
        {"unit_attention", [](DriveConfig& c, const std::string& v) { c.unitAttention = Flag(v); }},
        {"unit_attention_forever", [](DriveConfig& c, const std::string& v) { c.unitAttentionForever = Flag(v); }},
        {"unit_attention_after_commit",
         [](DriveConfig& c, const std::string& v) { c.unitAttentionAfterCommit = Flag(v); }},
        {"disc", [](DriveConfig& c, const std::string& v) { c.discPresent = Choice(v, "present", "absent"); }},
        {"tray", [](DriveConfig& c, const std::string& v) { c.trayOpen = Choice(v, "open", "closed"); }},
        {"eject_locked", [](DriveConfig& c, const std::string& v) { c.ejectLocked = Flag(v); }},
        {"disc_taken_when_ejected", [](DriveConfig& c, const std::string& v) { c.discTakenWhenEjected = Flag(v); }},
        {"event_status_supported", [](DriveConfig& c, const std::string& v) { c.eventStatusSupported = Flag(v); }},
        {"fault", [](DriveConfig& c, const std::string& v) { c.faults.push_back(Fault(v)); }},
        {"corrupt_readback", [](DriveConfig& c, const std::string& v) { c.readBackFaults.push_back(ReadBack(v)); }},
        {"readable_disc", [](DriveConfig& c, const std::string& v) { c.readableDisc = Flag(v); }},
        {"vanish_after_commit", [](DriveConfig& c, const std::string& v) { c.vanishAfterCommit = Flag(v); }},
        {"latency_ms", [](DriveConfig& c, const std::string& v) { c.commandSeconds = NonNegative(v) / 1000.0; }},
        {"bytes_per_second", [](DriveConfig& c, const std::string& v) { c.bytesPerSecond = NonNegative(v); }},
        {"kind_latency", [](DriveConfig& c, const std::string& v) { c.latencies.push_back(KindLatency(v)); }},
        {"short_reply", [](DriveConfig& c, const std::string& v) { c.shortReplies.push_back(ShortReply(v)); }},
    };
    return setters;
}

}  // namespace

bool ApplyDriveKey(DriveConfig& config, const std::string& key, const std::string& value) {
    const auto& setters = Setters();
    auto found = setters.find(key);
    if (found == setters.end()) return false;
    found->second(config, value);
    return true;
}

}  // namespace scenariofile
