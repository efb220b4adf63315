// The pieces of the run log's lines that both editions write alike. A
// command:
//
//   command LABEL CDB DIRECTION LENGTH -> OUTCOME BYTES bytes MS ms[: WHY]
//
// e.g. "command sg1 3b0501000000004000000000 out 16384 -> good 16384 bytes
// 2.113 ms". Each edition adds its own account of a failure (WHY): the
// Linux one names the SG_IO layer that failed, the Windows one the sense.
#pragma once

#include <cstdint>
#include <string>

#include "transport/transport.h"

// A command block, always its twelve bytes: "3b0501000000004000000000".
std::string CdbHex(const std::uint8_t* cdb);

// "WORD LABEL CDB DIRECTION LENGTH": WORD says what became of the command
// ("command" for one that was sent).
std::string CommandLogHead(const char* word, const std::string& label, const CommandRequest& request);

// " -> OUTCOME BYTES bytes MS ms", for a command that was sent.
std::string CommandLogTail(const CommandResult& result);

// "flash LABEL bank N image SIZE bytes sha256 DIGEST, commit (80)" (or
// ", commit with boot code (a0)"): a drive's flash as it starts, `bank`
// counted from 0 and written from 1 as the package names it.
std::string FlashLogText(const std::string& label, int bank, std::int32_t imageSize, const std::string& sha256,
                         bool bootCode);

// "sense 2/3a/00"; empty without sense data.
std::string SenseText(const CommandResult& result);

// Vendor, product and revision quoted: "\"VELMORA \" \"DVDRW KTV-360R  \" \"1.02\"".
std::string QuotedIdentityText(const std::string& vendor, const std::string& product, const std::string& revision);

// A drive's identity: the quoted three, then "vendor-specific \"...\"".
std::string IdentityLogText(const std::string& vendor, const std::string& product, const std::string& revision,
                            const std::string& vendorSpecific);

// The first four bytes of the identify reply: "bf d6 00 01".
std::string ChipIdText(const std::uint8_t* chip);
