// The command vocabulary: the 13 command block templates, one builder per
// command, the sense tests and the composite readiness and tray operations.
//
// Every operation acts on the session's drive and returns 1 for success or
// a true answer, 0 for failure or a false answer. None of it sees how the
// commands travel, so both editions share it.
#pragma once

#include <array>
#include <cstdint>

#include "session/drive_session.h"
#include "transport/sense_codes.h"

using Cdb = std::array<std::uint8_t, 12>;
extern const Cdb CdbTemplate[13];

std::uint8_t GetEventStatus(DriveSession& m, std::uint8_t polled, std::uint8_t classRequest,
                            std::uint32_t allocationLength, std::uint8_t control);
std::uint8_t Inquiry(DriveSession& m, std::uint8_t cmdDt, std::uint8_t evpd, std::uint8_t pageCode,
                     std::uint8_t allocationLength, std::uint8_t control);
std::uint8_t StartStopUnit(DriveSession& m, std::uint8_t immed, std::uint8_t powerCondition,
                           std::uint8_t loEj, std::uint8_t start);
std::uint8_t TestUnitReady(DriveSession& m);
// 1 only when the command succeeded and one of the 128 reply bytes is non-zero.
std::uint8_t VendorIdentify(DriveSession& m);
std::uint8_t ReadBuffer(DriveSession& m, std::uint32_t offset, std::uint32_t length);
// Control 80h and A0h are sent without a data phase; any other control sends
// the first `length` bytes of writeBuffer.
std::uint8_t WriteBuffer(DriveSession& m, std::uint32_t offset, std::uint32_t length,
                         std::uint8_t control);

std::uint8_t SenseIs(const DriveSession& m, std::uint8_t key, std::uint8_t asc);
// The same for a named code of transport/sense_codes.h (key and ASC).
std::uint8_t SenseIs(const DriveSession& m, std::uint32_t code);
std::uint8_t SenseKeyIs(const DriveSession& m, std::uint8_t key);

std::uint8_t ReadIdentity(DriveSession& m);
std::uint8_t WaitReady(DriveSession& m, std::int32_t timeoutSeconds);
std::uint8_t IsMediumAbsent(DriveSession& m);
void ClearUnitAttention(DriveSession& m);
std::uint8_t IsTrayOpen(DriveSession& m);
std::uint8_t LoadTray(DriveSession& m);
std::uint8_t EjectTray(DriveSession& m);
std::uint8_t StopUnit(DriveSession& m);
