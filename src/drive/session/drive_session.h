// One open drive: the two 64 KB buffers its commands move data through, the
// identity read from it, the clocks of its waits, and the result record of
// its last command. The command set, the readiness and tray operations and
// the flash procedure take a session; how its commands travel is the
// transport's business (transport/transport.h).
//
// A session is used by one thread at a time and takes no locks.
#pragma once

#include <cstdint>
#include <string>

#include "../stopwatch.h"
#include "../transport/transport.h"

constexpr std::uint32_t kBufferSize = 65536;
// The flash procedure's time-out (30 hours), set when it begins: programming
// may take the drive a long time, and a command given up in mid-flash leaves
// the drive in an unknown state.
constexpr std::uint32_t kFlashTimeoutSeconds = 108000;
// Every other command's time-out, and a session's default: discovery,
// identity, readiness and the disc and tray checks. A drive answers these in
// milliseconds, a tray movement with spin-up in a few seconds; 20 seconds is
// well past both, and short enough that a drive that hangs instead of
// failing costs the user seconds on the window's thread, not 30 hours.
constexpr std::uint32_t kShortTimeoutSeconds = 20;

// lastStatus values.
constexpr std::uint8_t kStatusFailed = 0;
constexpr std::uint8_t kStatusGood = 1;
constexpr std::uint8_t kStatusCheckCondition = 2;

class DriveSession {
public:
    // Allocates both buffers zeroed from the process heap. With `transport`,
    // every command goes through it; without, CurrentTransport() decides.
    explicit DriveSession(Transport* transport = nullptr);
    virtual ~DriveSession();
    DriveSession(const DriveSession&) = delete;
    DriveSession& operator=(const DriveSession&) = delete;

    // True when both buffers were allocated; a session without them cannot
    // carry a command with data.
    bool Usable() const { return readBuffer != nullptr && writeBuffer != nullptr; }

    // Sends one 12-byte command block to the drive: writeBuffer's first
    // `length` bytes for data out, into readBuffer (cleared first) for data
    // in. Returns 1 for a good outcome (lastStatus 1), else 0 with lastStatus
    // 2 (the drive reported sense: senseKey/asc/ascq) or 0 (the transport
    // failed, the time-out ran out, the block could not be carried).
    // A plain failure is sent once more when retrying is enabled and the
    // attempt did not use up the time-out; nothing else is retried.
    std::uint8_t Execute(const std::uint8_t* cdb, std::uint8_t direction, std::uint32_t length);

    void EnableRetry() { retryOnFailure = 1; }
    void DisableRetry() { retryOnFailure = 0; }
    void SetTimeout(std::uint32_t seconds) { timeoutSeconds = seconds; }
    const CommandResult& LastResult() const { return lastResult; }
    // How the run log names the drive the session has open.
    virtual std::string DriveLabel() const { return "session"; }

    // ---- state (public: the command set, the flash procedure and tests read it) ----
    Stopwatch waitTimer;
    std::uint8_t* readBuffer = nullptr;
    std::uint8_t* writeBuffer = nullptr;
    char vendor[9]{};
    char product[17]{};
    char revision[5]{};
    char vendorSpecific[17]{};
    std::uint32_t timeoutSeconds = kShortTimeoutSeconds;
    std::uint8_t retryOnFailure = 0;
    // The result record of the last command, all filled from lastResult by
    // Record(): lastStatus 1 good, 2 check condition, 0 failed; the sense
    // split in three; the bytes moved (good commands only); the attempt's
    // time, and whether it used up the time-out.
    std::uint8_t lastStatus = kStatusFailed;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    double lastElapsed = 0.0;
    std::uint32_t lastTransferLength = 0;
    std::uint8_t lastTooSlow = 0;
    std::uint8_t lastCdb[kCdbLength]{};

protected:
    // The transport of the drive the session has open; null: none.
    virtual Transport* CurrentTransport() { return transport_; }
    // Gives the buffers up without freeing them (their new owner keeps them).
    void ReleaseBuffers();
    // New zeroed buffers in place of released ones; Usable() says whether
    // they could be allocated.
    void AllocateBuffers();

private:
    void Record(const std::uint8_t* cdb, const CommandResult& result);
    std::uint8_t* BufferFor(std::uint8_t direction, std::uint32_t length) const;
    bool CanCarry(std::uint8_t direction, std::uint32_t length) const;

    Transport* transport_;
    CommandResult lastResult;
};
