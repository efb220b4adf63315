// The requests a manager answers inside the call, from its configuration
// alone: the support information, SC_HA_INQUIRY, SC_GET_DEV_TYPE and
// SC_RESCAN_SCSI_BUS. Each writes its answer and SRB_Status into the
// caller's block and returns that status.
#pragma once

#include "manager_config.h"

namespace aspisim {

// GetASPI32SupportInfo: the status in bits 8-15, the adapter count in 0-7.
DWORD SupportInfo(const ManagerConfig& config);

// SS_COMP with the count and the host's description; SS_INVALID_HA for an
// adapter that does not exist, except adapter 0 of a manager without any,
// which answers with count 0 (that is how a caller learns there are none);
// SS_ERR for an adapter whose inquiry fails.
BYTE AnswerHaInquiry(const ManagerConfig& config, SRB_HAInquiry& srb);

// SS_COMP with the device's type; SS_INVALID_HA, or SS_NO_DEVICE for an
// empty or impossible slot.
BYTE AnswerDeviceType(const ManagerConfig& config, SRB_GDEVBlock& srb);

// SS_COMP, or SS_INVALID_HA.
BYTE AnswerRescan(const ManagerConfig& config, SRB_RescanPort& srb);

// The device at that address, or null.
const Device* FindDevice(const ManagerConfig& config, BYTE adapter, BYTE target, BYTE lun);

}  // namespace aspisim
