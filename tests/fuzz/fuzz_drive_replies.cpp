// Fuzzes what drives answer, through discovery and the flash procedure.
//
// The simulated machine has no hook for scripting single replies, so the
// input scripts the devices instead: CD-ROM letters and ASPI slots, each with
// a virtual drive whose identity (any bytes, blank), chip id, readiness,
// tray, event status support, injected sense, BUSY, unanswered commands,
// corrupt read-backs and latencies come from the input. A start-up manager
// discovers them; a per-drive manager, made the way an update run makes it,
// then flashes a small image into one of the rows. Everything runs on the
// virtual clock, so time-outs and waits cost nothing.
//
// A second drive with the same configuration replays the first one's command
// log to learn what each command got back (the log holds the blocks, not the
// answers); from that the target checks that no commit follows a pass that
// was not cleanly verified.
//
// Input bytes that run out read as zero, and zero always means the healthy
// choice: an empty input is one good drive on a letter, flashed with one
// piece, so every mutation starts from a whole update.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "fuzz/fuzz_check.h"
#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/drive/transport_preference.h"
#include "src/drive/drive_manager.h"
#include "src/flash/flash_procedure.h"

namespace {

using fuzz::Require;
using DrivePtr = std::shared_ptr<vdrive::Drive>;

constexpr int kMaxLetters = 20;     // with ASPI slots, more than a table holds
constexpr int kMaxImagePieces = 4;  // small images: offsets stay below the loader's
constexpr std::uint8_t kWriteBufferOp = 0x3B;
constexpr std::uint8_t kReadBufferOp = 0x3C;
constexpr std::uint8_t kPieceControl = 0x00;

// Where the drives of the run sit, so a table row leads back to its drive.
struct Devices {
    std::map<char, DrivePtr> letters;
    std::map<std::tuple<int, int, int>, DrivePtr> aspi;  // (adapter, target, lun)
};

std::string Text(FuzzedDataProvider& in, const std::string& fallback) {
    return in.ConsumeBool() ? in.ConsumeRandomLengthString(20) : fallback;
}

void ConsumeIdentity(FuzzedDataProvider& in, vdrive::DriveConfig& c) {
    c.vendor = Text(in, c.vendor);
    c.product = Text(in, c.product);
    c.revision = Text(in, c.revision);
    c.vendorSpecific = Text(in, c.vendorSpecific);
    c.newRevision = Text(in, c.newRevision);
    if (in.ConsumeBool()) c.peripheralType = in.ConsumeIntegral<std::uint8_t>();
    c.blankIdentity = in.ConsumeBool();
    if (in.ConsumeBool()) {
        for (auto& b : c.chipId) b = in.ConsumeIntegral<std::uint8_t>();
    }
    c.identifyAllZero = in.ConsumeBool();
}

void ConsumeReadiness(FuzzedDataProvider& in, vdrive::DriveConfig& c) {
    c.becomingReadyPolls = in.ConsumeIntegralInRange(0, 4);
    c.becomingReadySeconds = in.ConsumeIntegralInRange(0, 90);
    c.neverReady = in.ConsumeBool();
    c.unitAttention = in.ConsumeBool();
    c.unitAttentionForever = in.ConsumeBool();
    c.unitAttentionAfterCommit = in.ConsumeBool();
    c.discPresent = !in.ConsumeBool();
    c.trayOpen = in.ConsumeBool();
    c.ejectLocked = in.ConsumeBool();
    c.discTakenWhenEjected = !in.ConsumeBool();
    c.eventStatusSupported = !in.ConsumeBool();
}

vdrive::CommandFault ConsumeFault(FuzzedDataProvider& in) {
    vdrive::CommandFault f;
    f.kind = static_cast<vdrive::CommandKind>(in.ConsumeIntegralInRange(0, static_cast<int>(vdrive::CommandKind::Other)));
    f.nth = in.ConsumeIntegralInRange(1, 40);
    f.count = in.ConsumeIntegralInRange(0, 3);
    f.effect = in.PickValueInArray({vdrive::FaultEffect::CheckCondition, vdrive::FaultEffect::NotDelivered,
                                    vdrive::FaultEffect::Busy});
    f.sense = {in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>(),
               in.ConsumeIntegral<std::uint8_t>()};
    // Now and then a command that hangs past any time-out.
    if (in.ConsumeBool()) f.extraSeconds = in.PickValueInArray({1.0, 61.0, 200000.0});
    return f;
}

void ConsumeFaults(FuzzedDataProvider& in, vdrive::DriveConfig& c) {
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) c.faults.push_back(ConsumeFault(in));
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        c.readBackFaults.push_back({in.ConsumeIntegralInRange(0, kMaxImagePieces), in.ConsumeIntegralInRange(0, 3)});
    }
    c.vanishAfterCommit = in.ConsumeBool();
    c.commandSeconds = in.ConsumeIntegralInRange(0, 3) * 0.25;
}

DrivePtr ConsumeDrive(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 7) == 7) return nullptr;  // a slot without a device
    vdrive::DriveConfig config;
    config.clock = sim::NowSeconds;
    if (in.ConsumeBool()) {
        ConsumeIdentity(in, config);
        ConsumeReadiness(in, config);
        ConsumeFaults(in, config);
    }
    return std::make_shared<vdrive::Drive>(std::move(config));
}

void AddLetters(FuzzedDataProvider& in, Devices& devices) {
    const int count = in.ConsumeIntegralInRange(1, kMaxLetters);
    for (int i = 0; i < count; ++i) {
        const char letter = static_cast<char>('D' + i);
        if (in.ConsumeIntegralInRange(0, 5) == 5) {
            sim::machine().AddLetter(letter, in.PickValueInArray({DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_REMOTE}));
            continue;
        }
        sim::CdromDevice d;
        d.drive = ConsumeDrive(in);
        d.addressQuery = in.PickValueInArray(
            {sim::AddressQuery::Answers, sim::AddressQuery::CallFails, sim::AddressQuery::LengthZero});
        d.port = in.ConsumeIntegralInRange<std::uint8_t>(0, 20);
        d.pathId = in.ConsumeIntegralInRange<std::uint8_t>(0, 2);
        d.targetId = in.ConsumeIntegralInRange<std::uint8_t>(0, 15);
        d.lun = in.ConsumeIntegralInRange<std::uint8_t>(0, 7);
        d.busType = in.PickValueInArray({BusTypeAtapi, BusTypeScsi, BusTypeUsb, BusType1394, BusTypeUnknown});
        d.storageQueryFails = in.ConsumeBool();
        d.openFails = in.ConsumeBool();
        d.passThroughFails = in.ConsumeBool();
        devices.letters[letter] = d.drive;
        sim::machine().AddCdrom(letter, d);
    }
}

sim::AspiAdapter ConsumeAdapter(FuzzedDataProvider& in, int index, Devices& devices) {
    sim::AspiAdapter adapter;
    adapter.inquiryFails = in.ConsumeIntegralInRange(0, 7) == 7;
    for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n) {
        const auto target = in.ConsumeIntegralInRange<BYTE>(0, 15);
        const auto lun = in.ConsumeIntegralInRange<BYTE>(0, 7);
        sim::AspiDevice device;
        device.deviceType = in.ConsumeBool() ? in.ConsumeIntegral<BYTE>() : DTYPE_CDROM;
        device.drive = ConsumeDrive(in);
        device.completion = in.PickValueInArray({sim::AspiCompletion::Synchronous, sim::AspiCompletion::Immediate,
                                                 sim::AspiCompletion::Background, sim::AspiCompletion::Never});
        adapter.devices[{target, lun}] = device;
        devices.aspi[{index, target, lun}] = device.drive;
    }
    return adapter;
}

void InstallAspi(FuzzedDataProvider& in, Devices& devices) {
    sim::AspiManagerConfig config;
    config.installed = in.ConsumeBool();
    if (!config.installed) return;
    config.supportStatus = in.PickValueInArray({SS_COMP, SS_COMP, SS_NO_ADAPTERS, SS_NO_ASPI, SS_ERR});
    config.reportedAdapterCount = in.ConsumeIntegralInRange(-1, 4);
    config.supportInfoMissing = in.ConsumeIntegralInRange(0, 7) == 7;
    config.sendCommandMissing = in.ConsumeIntegralInRange(0, 7) == 7;
    const int adapters = in.ConsumeIntegralInRange(0, 3);
    for (int a = 0; a < adapters; ++a) config.adapters.push_back(ConsumeAdapter(in, a, devices));
    sim::machine().SetAspiManager(std::move(config));
}

Devices SetUpMachine(FuzzedDataProvider& in) {
    sim::Machine& machine = sim::machine();
    machine.Reset();
    machine.SetClockMode(in.ConsumeBool() ? sim::ClockMode::NoCounter : sim::ClockMode::Virtual);
    machine.SetPlatform(in.PickValueInArray({sim::Platform::Nt, sim::Platform::Older, sim::Platform::VersionQueryFails}));
    SetApplicationTag(in.ConsumeBool() ? 1 : 0);
    Devices devices;
    AddLetters(in, devices);
    InstallAspi(in, devices);
    return devices;
}

bool IsTerminated(const char* text, std::size_t size) { return strnlen(text, size) < size; }

void CheckManager(const DriveManager& m) {
    Require(m.table.driveCount <= kMaxDrives, "at most 16 drives counted");
    Require(m.lastStatus <= kStatusCheckCondition, "lastStatus is 0, 1 or 2");
}

void CheckTable(const DriveManager& m) {
    CheckManager(m);
    int present = 0;
    while (present < kMaxDrives && m.table.drives[present].present) ++present;
    for (int i = 0; i < kMaxDrives; ++i) {
        const DriveEntry& row = m.table.drives[i];
        Require(i < present || !row.present, "present rows come first");
        if (i > 0 && i < present) Require(m.table.drives[i - 1].SortKey() <= row.SortKey(), "rows in key order");
        Require(IsTerminated(row.vendor, sizeof row.vendor) && IsTerminated(row.product, sizeof row.product) &&
                    IsTerminated(row.revision, sizeof row.revision) &&
                    IsTerminated(row.displayName, sizeof row.displayName),
                "identity texts end inside their fields");
    }
}

DrivePtr DriveOfRow(const Devices& devices, const DriveEntry& row) {
    if (row.viaAspi) {
        const auto found = devices.aspi.find({row.adapter, row.target, row.lun});
        return found == devices.aspi.end() ? nullptr : found->second;
    }
    const auto found = devices.letters.find(row.rootPath[0]);
    return found == devices.letters.end() ? nullptr : found->second;
}

// ---- the verification oracle --------------------------------------------------

struct Answer {
    vdrive::CommandRecord command;
    vdrive::Outcome outcome;
    std::vector<std::uint8_t> dataIn;
};

// Runs `log` again on a fresh drive configured like `drive`: the commands
// the flash procedure relies on (write, read back, commit) do not depend on
// the clock, so they get the answers the first drive gave.
std::vector<Answer> Replay(const vdrive::Drive& drive) {
    vdrive::Drive shadow(drive.Config());
    std::vector<Answer> answers;
    for (const vdrive::CommandRecord& command : drive.Commands()) {
        Answer a{command, {}, std::vector<std::uint8_t>(command.length)};
        std::vector<std::uint8_t> out = command.dataOut;
        out.resize(command.length);
        std::uint8_t* data = command.direction == vdrive::Direction::Out ? out.data() : a.dataIn.data();
        a.outcome = shadow.Execute(command.cdb.data(), command.direction, data, command.length);
        answers.push_back(std::move(a));
    }
    return answers;
}

std::uint32_t Be24(const std::array<std::uint8_t, 12>& cdb, int at) {
    return std::uint32_t(cdb[at]) << 16 | std::uint32_t(cdb[at + 1]) << 8 | cdb[at + 2];
}

bool Good(const vdrive::Outcome& o) { return o.delivered && o.scsiStatus == vdrive::kStatusGood; }

// The state of the pass under way, as the drive saw it.
class PassTracker {
public:
    PassTracker(const std::uint8_t* image, int pieces) : image_(image), written_(pieces), verified_(pieces) {}

    void Write(std::uint32_t offset, bool good) {
        if (offset == 0) Restart();
        if (const int k = Piece(offset); k >= 0) {
            written_[k] = good;
            verified_[k] = false;
        }
    }
    void ReadBack(std::uint32_t offset, const Answer& a) {
        const int k = Piece(offset);
        if (k < 0 || !Good(a.outcome)) return;
        const bool same = std::memcmp(a.dataIn.data(), image_ + offset, kPieceSize) == 0;
        verified_[k] = written_[k] && same;
        if (!same) mismatch_ = true;
    }
    bool Clean() const {
        return !mismatch_ && std::all_of(verified_.begin(), verified_.end(), [](bool v) { return v; });
    }

private:
    int Piece(std::uint32_t offset) const {
        const std::uint32_t k = offset / kPieceSize;
        return offset % kPieceSize == 0 && k < verified_.size() ? static_cast<int>(k) : -1;
    }
    void Restart() {
        std::fill(written_.begin(), written_.end(), false);
        std::fill(verified_.begin(), verified_.end(), false);
        mismatch_ = false;
    }

    const std::uint8_t* image_;
    std::vector<bool> written_;
    std::vector<bool> verified_;
    bool mismatch_ = false;
};

// Every commit the flash procedure sent follows a pass in which each piece
// was written and read back unchanged; returns the answer to the last commit.
const Answer* CheckCommits(const std::vector<Answer>& answers, std::size_t from, const std::uint8_t* image,
                           int pieces) {
    PassTracker pass(image, pieces);
    const Answer* commit = nullptr;
    for (std::size_t i = from; i < answers.size(); ++i) {
        const Answer& a = answers[i];
        const auto& cdb = a.command.cdb;
        if (cdb[0] == kReadBufferOp) pass.ReadBack(Be24(cdb, 3), a);
        if (cdb[0] != kWriteBufferOp) continue;
        if (cdb[9] == kPieceControl) pass.Write(Be24(cdb, 3), Good(a.outcome));
        if (cdb[9] == 0x80 || cdb[9] == 0xA0) {
            Require(pass.Clean(), "no commit after a failed verification");
            commit = &a;
        }
    }
    return commit;
}

// ---- the flash run ----------------------------------------------------------------

std::int32_t ConsumeImageSize(FuzzedDataProvider& in, int pieces) {
    const std::int32_t whole = pieces * static_cast<std::int32_t>(kPieceSize);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 2: return whole + in.ConsumeIntegralInRange(-16383, 16383);
    case 3: return in.PickValueInArray<std::int32_t>({0, -16384, INT_MIN, INT_MAX, 1048576 + 16384});
    default: return whole;
    }
}

bool IsWholePieces(std::int32_t size) {
    return size > 0 && size <= 1048576 && size % static_cast<std::int32_t>(kPieceSize) == 0;
}

// One piece more than the largest whole image, so that no size the run
// picks can read past it.
std::vector<std::uint8_t> MakeImage(std::uint8_t seed) {
    std::vector<std::uint8_t> image((kMaxImagePieces + 1) * kPieceSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(seed + i * 131 + (i >> 14));
    return image;
}

// What the drive's log and flash say about one FlashFirmware call whose
// commands start at log entry `before`.
void CheckFlash(const vdrive::Drive& drive, std::size_t before, const std::vector<std::uint8_t>& image,
                std::int32_t size, std::uint8_t flashed) {
    if (!IsWholePieces(size)) {
        Require(flashed == 0 && drive.Commands().size() == before, "a bad image size sends nothing");
        return;
    }
    const std::vector<Answer> answers = Replay(drive);
    const Answer* commit = CheckCommits(answers, before, image.data(), size / static_cast<std::int32_t>(kPieceSize));
    if (!flashed) return;
    Require(commit != nullptr && Good(commit->outcome), "success only with a commit the drive took");
    const std::vector<std::uint8_t> flash = drive.FlashContents();
    Require(std::equal(image.begin(), image.begin() + size, flash.begin()), "a success leaves the image in flash");
}

void FlashOneRow(FuzzedDataProvider& in, const DriveManager& startup, const Devices& devices) {
    if (startup.table.driveCount == 0) return;
    const auto row = in.ConsumeIntegralInRange<std::int16_t>(0, static_cast<std::int16_t>(startup.table.driveCount - 1));
    DriveManager m(false);
    DriveManager::CopyDiscoveryState(&startup, &m);
    if (m.SelectDrive(row) != 1) return;
    const DrivePtr drive = DriveOfRow(devices, m.table.drives[row]);

    const std::vector<std::uint8_t> image = MakeImage(in.ConsumeIntegral<std::uint8_t>());
    const std::int32_t size = ConsumeImageSize(in, in.ConsumeIntegralInRange(1, kMaxImagePieces));
    const std::uint8_t bootCode = in.ConsumeBool() ? 1 : 0;

    const std::size_t before = drive ? drive->Commands().size() : 0;
    const std::uint8_t flashed = FlashFirmware(m, EmbeddedLoaderStore(), image.data(), size, bootCode);
    CheckManager(m);
    Require(flashed <= 1, "FlashFirmware answers 0 or 1");
    if (drive) CheckFlash(*drive, before, image, size, flashed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const Devices devices = SetUpMachine(in);
    {
        DriveManager startup(true);
        CheckTable(startup);
        FlashOneRow(in, startup, devices);
    }
    sim::machine().Reset();
    SetApplicationTag(0);
    return 0;
}
