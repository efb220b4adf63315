// Commands through an ASPI manager (the WNASPI32 library).
//
// ASPI completes an SC_EXEC_SCSI_CMD request asynchronously: SendASPI32Command
// may return while the request is still SS_PENDING, and the manager goes on
// writing the block (status, sense area) and the data buffer until the drive
// has answered. With SRB_EVENT_NOTIFY it signals the event in SRB_PostProc
// when it is done, so the thread sleeps in the wait instead of spinning.
//
// The manager sets that event from its own thread a moment after it has
// written the final status, so a caller that already reads the status as
// final may see the signal arrive afterwards. The transport therefore keeps
// one auto-reset event for its whole life instead of one per command: a
// closed handle's value is soon given to another event (another drive's
// transport among them), which the late signal would then set in the middle
// of an unrelated wait. A wake-up only makes the transport look at the status
// again; the time-out is measured from the send.
//
// A request still pending when the wait has run out belongs to the manager:
// sending or rewriting the block then would hand it a second request in the
// memory of the first. The block is given up for good instead, together with
// its event, and every later command is refused without being sent. The
// block is allocated apart from the transport, so that whoever owns the
// transport can hand it, with the data buffers and the library, to
// KeepForProcessLifetime (abandoned_requests.h) rather than free memory the
// ASPI manager may still write.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "../../platform/aspi_layout.h"
#include "../../platform/os_info.h"
#include "../stopwatch.h"
#include "transport.h"

// Why the library could not be used, in the words of the message box the
// program shows for it.
struct AspiLoadError {
    const char* text;
    const char* caption;
};

class AspiTransport final : public Transport {
public:
    AspiTransport();
    // Releases the library; a transport holding an abandoned request must
    // have been handed to the keeper first (KeepAbandoned).
    ~AspiTransport() override;
    AspiTransport(const AspiTransport&) = delete;
    AspiTransport& operator=(const AspiTransport&) = delete;

    // ---- the library ----
    // True when a working ASPI manager answers; loads nothing for good.
    static bool Probe(const OsInfo& os);
    // Loads the library and its entry points; the reason when it cannot.
    std::optional<AspiLoadError> Load(const OsInfo& os);
    void Unload();
    // The manager's command entry, for discovery's own requests; null when
    // not loaded.
    SendASPI32CommandFn SendCommand() const { return sendCommand_; }
    GetASPI32SupportInfoFn SupportInfo() const { return supportInfo_; }

    // ---- the drive ----
    void SetAddress(std::int16_t adapter, std::int16_t target, std::int16_t lun);
    bool Addressed() const override { return adapter_ != -1 && target_ != -1; }
    CommandResult Send(const CommandRequest& request) override;

    // ---- a request the ASPI manager still owns ----
    bool HoldsAbandonedRequest() const { return abandoned_; }
    // Hands the block, its event, the library and the caller's data buffers
    // to the keeper; the transport then owns none of them.
    void KeepAbandoned(std::uint8_t* readBuffer, std::uint8_t* writeBuffer);
    // After KeepAbandoned: a new request block, no address, the library to
    // be loaded again; commands may then be sent to other drives.
    void StartAfresh();
    const SRB_ExecSCSICmd* RequestBlock() const { return request_.get(); }

private:
    void Fill(const CommandRequest& request);
    BYTE Status() const;
    bool SendRequest();
    bool WaitWhilePending(std::uint32_t timeoutSeconds);

    HMODULE module_ = nullptr;
    GetASPI32SupportInfoFn supportInfo_ = nullptr;
    SendASPI32CommandFn sendCommand_ = nullptr;
    std::unique_ptr<SRB_ExecSCSICmd> request_;
    std::int16_t adapter_ = -1;
    std::int16_t target_ = -1;
    std::int16_t lun_ = -1;
    bool abandoned_ = false;
    HANDLE event_ = nullptr;  // created at the first command
    Stopwatch timer_;
};
