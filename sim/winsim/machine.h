// The simulated Windows machine behind win32_sim.h.
//
// One process-wide machine, shared by every thread of a test: the platform
// family, the shutdown privilege, message boxes, collation, drive letters and
// the devices behind them, the ASPI manager, events, the heap and the clock.
// Tests configure it (after Reset) before they run the updater's code, then
// read its recorders. Every member function takes the machine's lock, so the
// updater's worker threads may call into it at the same time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../../src/platform/aspi_layout.h"
#include "sim/aspi-core/manager_config.h"
#include "win32_sim.h"

namespace vdrive {
class Drive;
}

namespace sim {

enum class Platform : std::uint8_t {
    Nt,                  // GetVersionExA: platform 2, version 5.1
    Older,               // GetVersionExA: platform 1, version 4.10
    VersionQueryFails,   // GetVersionExA returns FALSE and leaves the record alone
};

enum class ClockMode : std::uint8_t {
    Real,       // the steady clock; Sleep and device latencies really wait
    Virtual,    // Sleep, waits and latencies advance the clock; every counter
                // or tick read advances it by 1 microsecond
    NoCounter,  // virtual, but the platform has no high-resolution counter
};

// How the ASPI manager completes an SC_EXEC_SCSI_CMD for one device; Never
// holds a request until the test calls ReleasePendingAspi().
using AspiCompletion = aspisim::Completion;

enum class AddressQuery : std::uint8_t {
    Answers,    // SCSI_ADDRESS with Length 8 and the configured address
    CallFails,  // the call fails with error 50, as for a letter without device
    LengthZero, // the call succeeds but the record's Length is 0
};

// The device behind a CD-ROM letter. A null drive is a letter without a
// device: it opens, but its address query fails (error 50) and its commands
// fail.
struct CdromDevice {
    std::shared_ptr<vdrive::Drive> drive;
    AddressQuery addressQuery = AddressQuery::Answers;
    std::uint8_t port = 1;
    std::uint8_t pathId = 0;
    std::uint8_t targetId = 0;
    std::uint8_t lun = 0;
    STORAGE_BUS_TYPE busType = BusTypeAtapi;
    bool storageQueryFails = false;
    bool openFails = false;         // CreateFileA on "\\.\X:" fails (access denied)
    bool passThroughFails = false;  // every pass-through call fails (ERROR_IO_DEVICE)
    // A command slower than TimeOutValue still completes: the call succeeds
    // with the drive's answer after exactly TimeOutValue seconds, as a port
    // driver may when the completion wins the race with its own timer.
    // Otherwise such a call fails (ERROR_SEM_TIMEOUT) a timer tick after it.
    bool completesAtTimeOut = false;
    // The class driver knows the exclusive access request (Vista and
    // later); otherwise it fails with ERROR_INVALID_FUNCTION.
    bool exclusiveAccess = false;
    // The caller name of the program holding the drive's exclusive lock;
    // empty: nobody. Set here, another program holds it from the start; the
    // updater's own lock sets it while held.
    std::string lockedBy;
};

// The ASPI manager's adapters and devices (sim/aspi-core/manager_config.h).
// A device's signalsLate signal lands at the caller's next
// SendASPI32Command (after that request is under way) or next wait, unless
// the caller is waiting on the event by then; its signalsBeforeStatus holds
// for Background completion only, the status following once the caller has
// taken the signal (or a moment later).
using AspiDevice = aspisim::Device;
using AspiAdapter = aspisim::Adapter;

struct AspiManagerConfig : aspisim::ManagerConfig {
    AspiManagerConfig() { refusesMalformedCommands = true; }

    bool installed = false;
    bool supportInfoMissing = false;  // GetProcAddress finds no GetASPI32SupportInfo
    bool sendCommandMissing = false;  // GetProcAddress finds no SendASPI32Command
};

// ---- recorders ---------------------------------------------------------------

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type = 0;
    bool hadOwner = false;
};

struct PrivilegeLog {
    int tokensOpened = 0;
    DWORD lastTokenAccess = 0;
    int lookups = 0;
    int adjustments = 0;
    bool shutdownEnabled = false;  // an adjustment enabled the held privilege
};

// What GetSystemPowerStatus reports. The default is a desktop: on mains,
// no system battery.
struct PowerSupply {
    BYTE acLine = 1;            // 0 offline, 1 online, 255 unknown
    BYTE batteryFlag = 128;     // 128 no system battery, 255 unknown
    BYTE batteryPercent = 255;  // 255 unknown
    bool queryFails = false;    // the call returns FALSE

    // A laptop unplugged, its battery at `percent` (255: level unknown).
    static PowerSupply OnBattery(BYTE percent) { return {0, percent < 33 ? BYTE{2} : BYTE{1}, percent, false}; }
};

struct ExitRequest {
    UINT flags = 0;
    DWORD reason = 0;
    bool accepted = false;
};

struct DeviceOpen {
    std::string path;
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
    bool succeeded = false;
};

// One DeviceIoControl call: the input block exactly as the caller handed it
// in (before the machine wrote its answer).
struct IoctlRecord {
    char letter = 0;
    DWORD code = 0;
    std::vector<std::uint8_t> in;
    DWORD outSize = 0;
    bool succeeded = false;
};

// One request block received by SendASPI32Command, copied as received.
struct AspiRecord {
    BYTE command = 0;
    std::vector<std::uint8_t> bytes;
};

enum class HandleKind : std::uint8_t { Device, Event, Token, Heap, Module, Mutex };

struct ClosedHandle {
    HandleKind kind;
    HANDLE handle;
};

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Back to a fresh NT machine: real clock, C: fixed, no other letters, no
    // ASPI manager, privilege held, empty recorders. Finishes or cancels every
    // ASPI request still held and frees the simulated heap.
    void Reset();

    // ---- platform and privileges ---------------------------------------------
    void SetPlatform(Platform platform);
    Platform GetPlatform() const;
    void SetShutdownPrivilegeHeld(bool held);
    void SetOpenProcessTokenFails(bool fails);
    void SetLookupPrivilegeFails(bool fails);
    void SetExitWindowsFails(bool fails);
    PrivilegeLog Privileges() const;
    // IsUserAnAdmin's answer; true after Reset.
    void SetAdministrator(bool administrator);
    void SetPowerSupply(PowerSupply supply);
    // GetSystemPowerStatus calls since Reset.
    int PowerQueries() const;
    std::vector<ExitRequest> ExitRequests() const;

    // ---- message boxes -----------------------------------------------------------
    // Answers are used in order; once the queue is empty every box answers IDOK.
    void QueueMessageBoxAnswer(int answer);
    std::vector<MessageBoxRecord> MessageBoxes() const;

    // ---- drive letters, devices, heap ---------------------------------------------
    // Letters are listed in the order added. Adding a letter again replaces it.
    void AddLetter(char letter, UINT driveType);
    void AddCdrom(char letter, CdromDevice device);
    void RemoveLetter(char letter);
    // Changes a CD-ROM letter's device in place (e.g. make its open fail after
    // discovery). Returns false when the letter has no device.
    bool ConfigureCdrom(char letter, const std::function<void(CdromDevice&)>& change);
    void SetDriveStringsFail(bool fails);  // GetLogicalDriveStringsA returns 0
    void SetProcessHeapNull(bool null);    // GetProcessHeap returns NULL
    void SetHeapAllocFails(bool fails);    // HeapAlloc returns NULL
    std::size_t HeapBlocksOutstanding() const;

    std::vector<DeviceOpen> DeviceOpens() const;
    std::vector<IoctlRecord> Ioctls() const;
    // The SCSI_PASS_THROUGH_DIRECT records of every pass-through call, as sent.
    std::vector<SCSI_PASS_THROUGH_DIRECT> PassThroughRequests() const;

    // ---- ASPI manager ------------------------------------------------------------------
    void SetAspiManager(AspiManagerConfig config);
    // Current reference count of the loaded WNASPI32 (LoadLibraryA minus FreeLibrary).
    int AspiReferences() const;
    int AspiLoads() const;  // successful LoadLibraryA calls since Reset
    std::vector<std::string> LibraryLoadNames() const;  // every LoadLibraryA name
    // Calls through an entry point while no reference was held: a use after
    // FreeLibrary, which would crash on Windows.
    int AspiCallsWhileUnloaded() const;
    std::vector<AspiRecord> AspiLog() const;
    // Requests still SS_PENDING (Never mode, or Background not yet finished).
    int AspiPending() const;
    // SC_EXEC_SCSI_CMD blocks sent again while the manager still held them
    // (the updater must never reuse a pending block).
    int AspiBlocksReusedWhilePending() const;
    // Finishes every Never-mode request now, as a manager that answers long
    // after the caller gave up: runs it on its drive, writes the data buffer
    // and the block, and signals its event. Whoever sent it may be gone by
    // then; the block and the buffer must still be owned (AddressSanitizer
    // reports a write into freed memory).
    void ReleasePendingAspi();

    // ---- the system's own use of the drives ------------------------------------------
    // The media polling of the CD-ROM class driver: once a second of machine
    // time, a TEST UNIT READY and a GET EVENT STATUS NOTIFICATION to every
    // CD-ROM drive that is not exclusively locked. They land between the
    // updater's own commands (the machine catches up on the polls due at
    // each device request) and show in the drives' command logs.
    void SetMediaPolling(bool on);
    // The caller name holding `letter`'s exclusive lock; empty: nobody.
    std::string ExclusiveHolder(char letter) const;

    // ---- named objects -----------------------------------------------------------------
    // The kernel namespaces ("Global\\", "Local\\") exist from Windows 2000 on;
    // the older family and NT4 refuse a name with a backslash (ERROR_INVALID_NAME).
    // SetPlatform(Older) turns them off; NT keeps them unless told otherwise.
    void SetKernelNamespaces(bool known);
    // Names of the mutexes created since Reset, in order.
    std::vector<std::string> MutexNames() const;

    // ---- the program's own file ------------------------------------------------------
    // What GetModuleFileNameA gives for the program itself: a path on this
    // host, so the program reads the file the test made. Empty (after
    // Reset): the call fails, as it does for a module that is not loaded.
    void SetModuleFileName(std::string path);

    // ---- events and handles ----------------------------------------------------------
    void SetCreateEventFails(bool fails);
    std::vector<ClosedHandle> ClosedHandles() const;
    int OpenHandles(HandleKind kind) const;

    // ---- clock ---------------------------------------------------------------------------
    void SetClockMode(ClockMode mode);
    ClockMode GetClockMode() const;
    // Seconds on the machine clock, without advancing it; the clock a
    // vdrive::DriveConfig can be given.
    double NowSeconds() const;
    // Moves the virtual clock forward (no effect on the real clock).
    void AdvanceSeconds(double seconds);

    // ---- implementation access for the Win32 functions (win32_*.cpp) ----------------
    struct State;
    State& state() { return *state_; }

private:
    std::unique_ptr<State> state_;
};

// The one machine of the process.
Machine& machine();

// machine().NowSeconds(), as a plain function for clock callbacks.
double NowSeconds();

}  // namespace sim
