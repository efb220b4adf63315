// The one object through which the updater reaches optical drives: the drive
// table, the current drive, the transport (pass-through or ASPI), two 64 KB
// data buffers, command timing and the result record of the last command.
//
// A manager is used by one thread at a time and takes no locks.
#pragma once

#include <cstdint>
#include <memory>

#include "../platform/os_info.h"
#include "../platform/win32.h"
#include "aspi_layout.h"
#include "drive_entry.h"
#include "passthrough_layout.h"
#include "stopwatch.h"

constexpr std::uint32_t kBufferSize = 65536;
constexpr std::uint32_t kDefaultTimeoutSeconds = 108000;
constexpr std::int16_t kNoDriveSelected = 127;
constexpr std::int16_t kSelectionFailed = -1;

// Execute's transfer directions (the pass-through interface's values).
constexpr std::uint8_t kDataOut = 0;
constexpr std::uint8_t kDataIn = 1;
constexpr std::uint8_t kNoData = 2;

// lastStatus values.
constexpr std::uint8_t kStatusFailed = 0;
constexpr std::uint8_t kStatusGood = 1;
constexpr std::uint8_t kStatusCheckCondition = 2;

class DriveManager {
public:
    DriveManager();                      // with discovery
    explicit DriveManager(bool discover);
    ~DriveManager();
    DriveManager(const DriveManager&) = delete;
    DriveManager& operator=(const DriveManager&) = delete;

    // True when both buffers and the ASPI request block were allocated; a
    // manager without them is unusable and the window treats it as not created.
    bool Usable() const {
        return readBuffer != nullptr && writeBuffer != nullptr && aspiRequest != nullptr;
    }

    // Sends one 12-byte command block to the current drive. Returns 1 for a
    // good outcome (lastStatus 1), else 0 with lastStatus 2 (the drive reported
    // sense: senseKey/asc/ascq) or 0 (transport failure, time-out, no answer).
    std::uint8_t Execute(const std::uint8_t* cdb, std::uint8_t direction, std::uint32_t length);

    void CloseDrive();
    void SetAddress(HANDLE handle, std::int16_t adapter, std::int16_t bus, std::int16_t target,
                    std::int16_t lun);
    void EnableRetry() { retryOnFailure = 1; }
    void DisableRetry() { retryOnFailure = 0; }
    void SetTimeout(std::uint32_t seconds) { timeoutSeconds = seconds; }
    std::int16_t CurrentDrive() const { return currentIndex; }

    bool ProbeAspi();   // silent: true when a working ASPI manager answers
    bool LoadAspi();    // reports each failure in a message box
    void UnloadAspi();
    void FreeBuffers();

    // ---- discovery and selection ------------------------------------------------
    void Discover();
    void ScanPassThrough();
    std::uint8_t QueryScsiAddress(const char* rootPath, std::int16_t& port, std::int16_t& bus,
                                  std::int16_t& target, std::int16_t& lun);
    std::uint8_t QueryStorageDescriptor(const char* rootPath, std::uint8_t* area);
    void ScanAspi();
    std::int16_t CountCdromLetters();
    void SortTable();
    // 1: row i is now the current drive, ready for commands; 0: not.
    std::uint8_t SelectDrive(std::int16_t i);
    // Row i when i < driveCount and the row is present, else nullptr.
    const DriveEntry* GetEntry(std::uint32_t i) const;
    DriveEntry* GetEntry(std::uint32_t i);
    std::uint8_t IsPresent(std::int16_t i) const;
    std::uint16_t GetDriveCount() const { return driveCount; }
    static void CopyDiscoveryState(const DriveManager* source, DriveManager* destination);

    // ---- state (public: the command set, the flash procedure and tests read it) ----
    Stopwatch waitTimer;
    Stopwatch commandTimer;
    PassThroughRequest passThroughRequest{};
    // Allocated apart from the manager: a request abandoned at its time-out
    // must outlive it (abandoned_requests.h).
    std::unique_ptr<SRB_ExecSCSICmd> aspiRequest;
    GetASPI32SupportInfoFn pfnGetASPI32SupportInfo = nullptr;
    SendASPI32CommandFn pfnSendASPI32Command = nullptr;
    std::uint16_t driveCount = 0;
    HMODULE aspiModule = nullptr;
    std::int16_t currentIndex = kNoDriveSelected;
    char vendor[9]{};
    char product[17]{};
    char revision[5]{};
    char vendorSpecific[17]{};
    DriveEntry drives[kMaxDrives]{};
    std::uint32_t timeoutSeconds = kDefaultTimeoutSeconds;
    std::int16_t adapter = -1;
    std::int16_t target = -1;
    std::int16_t lun = -1;
    std::int16_t bus = -1;
    HANDLE deviceHandle = INVALID_HANDLE_VALUE;
    std::uint8_t* readBuffer = nullptr;
    std::uint8_t* writeBuffer = nullptr;
    OsInfo osInfo;
    std::uint8_t useAspi = 0;
    std::uint8_t aspiAvailable = 0;
    std::uint8_t retryOnFailure = 0;
    // result record of the last command
    std::uint8_t lastStatus = 0;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    double lastElapsed = 0.0;
    std::uint32_t lastTransferLength = 0;
    std::uint8_t lastTooSlow = 0;
    std::uint8_t lastCdb[12]{};
    std::uint8_t errorCode = 0;
    // An ASPI request that was still pending when its wait ended belongs to the
    // ASPI manager; the block is never reused, so every later command fails,
    // and at destruction the block, its event, the buffers and the library
    // are handed to KeepForProcessLifetime instead of being released.
    std::uint8_t aspiRequestAbandoned = 0;
    HANDLE abandonedEvent = nullptr;

private:
    void Initialise();
    std::uint8_t ExecutePassThrough(const std::uint8_t* cdb, std::uint8_t direction,
                                    std::uint32_t length);
    std::uint8_t ExecuteAspi(const std::uint8_t* cdb, std::uint8_t direction,
                             std::uint32_t length);
};
