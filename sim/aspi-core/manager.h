// The request handling of a simulated ASPI manager, shared by the host
// build's machine (sim/winsim) and the test WNASPI32.DLL (sim/aspi-dll).
//
// Send answers every request but a command inside the call. A command it
// either refuses, or accepts: it marks the block SS_PENDING and hands the
// front end a Request, which the front end runs on the drive (Run), answers
// (WriteAnswer) and ends (Complete) with its own threads and clock, or never,
// for a hung drive. Until then the block is the manager's: the same block
// sent again is refused and left alone. Nothing is retried.
//
// Thread-safe: the configuration is fixed at construction, and the pending
// blocks are kept under a lock of their own.
#pragma once

#include <mutex>
#include <optional>
#include <set>

#include "exec_request.h"
#include "manager_config.h"

namespace aspisim {

enum class Disposition : std::uint8_t {
    Answered,  // SRB_Status written; `code` is that status
    Refused,   // the device refuses by return code; the block is untouched
    Reused,    // the block is still pending; SS_INVALID_SRB, the block is untouched
    Accepted,  // SRB_Status is SS_PENDING; `request` is the front end's to finish
};

struct Reply {
    Disposition disposition = Disposition::Answered;
    DWORD code = SS_PENDING;  // what SendASPI32Command returns, unless the front end finishes it first
    std::optional<Request> request;
};

class Manager {
public:
    explicit Manager(ManagerConfig config = {});
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    const ManagerConfig& Config() const { return config_; }
    DWORD SupportInfo() const;

    // `block` is a request record, not null, as large as its SRB_Cmd says.
    // Unknown command codes end in SS_INVALID_SRB.
    Reply Send(void* block);

    // Ends an accepted request with `status`: the block is released, then
    // its SRB_Status stored (so the caller may send it again at once).
    void Complete(const Request& request, BYTE status);

    // The block belongs to a request not yet completed.
    bool Pending(const void* block) const;

private:
    Reply Execute(SRB_ExecSCSICmd& srb);
    // Marks the block pending; false when it already was.
    bool Hold(const void* block);

    const ManagerConfig config_;
    mutable std::mutex mutex_;
    std::set<const void*> pending_;
};

}  // namespace aspisim
