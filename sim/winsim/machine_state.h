// What the simulated machine holds. Private to sim/winsim: the Win32
// functions reach it through machine().state() and take `mutex` themselves.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../vdrive/drive.h"
#include "sim/aspi-core/manager.h"
#include "machine.h"
#include "machine_clock.h"

namespace sim {

struct DriveLetter {
    char letter = 0;
    UINT type = DRIVE_UNKNOWN;
    std::optional<CdromDevice> device;  // CD-ROM letters only
    HANDLE lockHolder = nullptr;        // the handle holding device->lockedBy; null: another program
};

struct HandleEntry {
    HandleKind kind = HandleKind::Device;
    char letter = 0;           // Device
    DWORD access = 0;          // Token
    bool manualReset = true;   // Event
    bool signalled = false;    // Event
    int waiters = 0;           // Event: threads inside WaitForSingleObject on it
};

// An SC_EXEC_SCSI_CMD the manager has accepted and not yet finished, with
// the machine's own account of its timing.
struct AspiJob {
    aspisim::Request request;
    // The device's completion; Never once a hung drive kept the call from
    // answering.
    AspiCompletion completion = AspiCompletion::Background;
    bool signalsBeforeStatus = false;  // Background completion only
    std::int64_t sentAt = 0;
    // Written once the drive has answered (under the machine lock): the
    // machine time at which the request finishes.
    bool answered = false;
    std::int64_t finishAt = 0;
    bool finished = false;
    std::atomic<bool> cancelled{false};
    std::thread worker;
};

struct Machine::State {
    mutable std::mutex mutex;
    // Signalled whenever an event is set or an ASPI job changes state.
    std::condition_variable changed;
    MachineClock clock;

    Platform platform = Platform::Nt;
    bool privilegeHeld = true;
    bool openTokenFails = false;
    bool lookupFails = false;
    bool exitFails = false;
    PrivilegeLog privileges;
    std::vector<ExitRequest> exits;
    bool administrator = true;
    PowerSupply power;
    int powerQueries = 0;

    std::deque<int> answers;
    std::vector<MessageBoxRecord> boxes;

    std::vector<DriveLetter> letters;
    bool driveStringsFail = false;
    bool heapNull = false;
    bool heapAllocFails = false;
    std::map<void*, std::size_t> heapBlocks;
    std::vector<DeviceOpen> opens;
    std::vector<IoctlRecord> ioctls;

    AspiManagerConfig aspi;
    std::unique_ptr<aspisim::Manager> aspiManager;  // answers the requests, from `aspi`
    int aspiReferences = 0;
    int aspiLoads = 0;
    int aspiCallsWhileUnloaded = 0;
    int aspiBlocksReused = 0;
    std::vector<std::string> loadNames;
    std::vector<AspiRecord> aspiLog;
    std::list<std::shared_ptr<AspiJob>> aspiJobs;

    std::string moduleFileName;

    bool mediaPolling = false;
    std::int64_t lastMediaPoll = 0;

    bool kernelNamespaces = true;
    std::vector<std::string> mutexNames;

    bool createEventFails = false;
    std::map<std::uintptr_t, HandleEntry> handles;
    std::uintptr_t nextHandle = 0;
    // Closed handle values per kind, the last closed on top: as on Windows,
    // the next new handle takes the value just given back.
    std::map<HandleKind, std::vector<std::uintptr_t>> freedHandles;
    std::vector<ClosedHandle> closed;
    // Events an ASPI manager thread has yet to set for requests whose status
    // is already written (AspiDevice::signalsLate).
    std::vector<HANDLE> lateSignals;

    DriveLetter* FindLetter(char letter);
    HandleEntry* FindHandle(HANDLE handle, HandleKind kind);
    HANDLE NewHandle(HandleEntry entry);
    void FreeHandle(std::map<std::uintptr_t, HandleEntry>::iterator handle);
    // Marks an event signalled and wakes its waiters; unknown handles are ignored.
    bool Signal(HANDLE event);
    // The late signals land now, on whatever event holds each value by then.
    void DeliverLateSignals();
};

// Fixed handle values: one process heap, one module for WNASPI32.
HANDLE ProcessHeapHandle();
HMODULE AspiModuleHandle();

// The error code of the calling thread, for the functions that set it.
void SetError(DWORD code);

}  // namespace sim
