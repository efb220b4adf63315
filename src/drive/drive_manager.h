// The one object through which the updater reaches optical drives. It is
// made of three pieces:
//
//   DriveSession (its base)  the open drive: two 64 KB buffers, the identity
//                            read from it, the clocks, the result record of
//                            the last command, and Execute
//   table                    the drives discovery found, a value
//   passThrough, aspi        the two transports of the Windows platform;
//                            useAspi says which one the current drive uses
//
// and adds what ties them together: choosing the transport, discovery,
// selecting a row (opening its device), and the flash worker's outcome.
//
// A manager is used by one thread at a time and takes no locks.
#pragma once

#include <cstdint>
#include <optional>

#include "../platform/os_info.h"
#include "../platform/win32.h"
#include "session/drive_session.h"
#include "table/drive_table.h"
#include "transport/aspi_transport.h"
#include "transport/passthrough_transport.h"

constexpr std::int16_t kNoDriveSelected = 127;
constexpr std::int16_t kSelectionFailed = -1;

class DriveManager : public DriveSession {
public:
    DriveManager();                      // with discovery
    explicit DriveManager(bool discover);
    ~DriveManager() override;

    void CloseDrive();
    void SetAddress(HANDLE handle, std::int16_t adapter, std::int16_t bus, std::int16_t target,
                    std::int16_t lun);
    std::int16_t CurrentDrive() const { return currentIndex; }

    bool ProbeAspi();   // silent: true when a working ASPI manager answers
    // Loads the ASPI library; false with the reason in aspiLoadError, which
    // the caller shows the user (the manager shows nothing itself).
    bool LoadAspi();
    void UnloadAspi();
    // A request the ASPI manager still owns keeps its block, event, library
    // reference and both buffers for the process's life; the manager goes on
    // with new ones, so that a drive that hung does not silence the others.
    // Nothing happens when no request is held.
    void GiveUpAbandonedAspiRequest();

    // ---- discovery and selection ------------------------------------------------
    void Discover();
    void ScanPassThrough();
    std::uint8_t QueryScsiAddress(const char* rootPath, std::int16_t& port, std::int16_t& bus,
                                  std::int16_t& target, std::int16_t& lun);
    std::uint8_t QueryStorageDescriptor(const char* rootPath, std::uint8_t* area);
    void ScanAspi();
    std::int16_t CountCdromLetters();
    void SortTable() { table.Sort(); }
    // 1: row i is now the current drive, ready for commands; 0: not.
    std::uint8_t SelectDrive(std::int16_t i);
    const DriveEntry* GetEntry(std::uint32_t i) const { return table.GetEntry(i); }
    DriveEntry* GetEntry(std::uint32_t i) { return table.GetEntry(i); }
    std::uint8_t IsPresent(std::int16_t i) const { return table.IsPresent(i); }
    std::uint16_t GetDriveCount() const { return table.driveCount; }
    // The destination gets the source's table, transport choice and
    // settings, and no current drive: its first selection opens the device
    // afresh. It keeps its own library, buffers, clocks and result record.
    static void CopyDiscoveryState(const DriveManager* source, DriveManager* destination);

    // ---- state (public: the command set, the window and tests read it) ----
    DriveTable table;
    PassThroughTransport passThrough;
    AspiTransport aspi;
    OsInfo osInfo;
    std::int16_t currentIndex = kNoDriveSelected;
    std::int16_t adapter = -1;
    std::int16_t target = -1;
    std::int16_t lun = -1;
    std::int16_t bus = -1;
    HANDLE deviceHandle = INVALID_HANDLE_VALUE;  // the current drive's device, owned
    std::uint8_t useAspi = 0;
    std::uint8_t aspiAvailable = 0;
    // Why the ASPI library could not be loaded, for the caller to show.
    std::optional<AspiLoadError> aspiLoadError;
    // The flash worker's outcome: 0 success, 42 failure.
    std::uint8_t errorCode = 0;

    // "D:" for a drive with a letter, else its address "1-0-2-0".
    std::string DriveLabel() const override;

protected:
    Transport* CurrentTransport() override;

private:
    void ChooseTransport();
};

// Reads the current drive's identity again (ReadIdentity up to ten times)
// into its row of the table. 1: read; 0: no drive selected, or no identity.
std::uint8_t RefreshCurrentIdentity(DriveManager& m);
