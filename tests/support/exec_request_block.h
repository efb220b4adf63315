// An SC_EXEC_SCSI_CMD request block filled as the updater fills one: a
// 12-byte command, the sense length it asks for, the data buffer, and the
// completion event when one is given.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "src/platform/aspi_layout.h"

inline SRB_ExecSCSICmd ExecRequestBlock(const std::array<std::uint8_t, 12>& cdb, BYTE direction,
                                        std::vector<BYTE>& data, HANDLE event = nullptr) {
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = direction | (event ? SRB_EVENT_NOTIFY : 0);
    srb.SRB_PostProc = event;
    srb.SRB_SenseLen = ASPI_SENSE_LEN;
    srb.SRB_CDBLen = static_cast<BYTE>(cdb.size());
    srb.SRB_BufLen = static_cast<DWORD>(data.size());
    srb.SRB_BufPointer = data.data();
    std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
    return srb;
}
