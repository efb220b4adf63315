#include "sg_answer_text.h"

#include <scsi/sg_lib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr int kTextSize = 160;

// The kernel's DID_* and DRIVER_* names (include/scsi/scsi_status.h); the
// values past the last entry have no name there either.
constexpr std::array<std::string_view, 20> kHostNames{"DID_OK",
                                                      "DID_NO_CONNECT",
                                                      "DID_BUS_BUSY",
                                                      "DID_TIME_OUT",
                                                      "DID_BAD_TARGET",
                                                      "DID_ABORT",
                                                      "DID_PARITY",
                                                      "DID_ERROR",
                                                      "DID_RESET",
                                                      "DID_BAD_INTR",
                                                      "DID_PASSTHROUGH",
                                                      "DID_SOFT_ERROR",
                                                      "DID_IMM_RETRY",
                                                      "DID_REQUEUE",
                                                      "DID_TRANSPORT_DISRUPTED",
                                                      "DID_TRANSPORT_FAILFAST",
                                                      "DID_TARGET_FAILURE",
                                                      "DID_NEXUS_FAILURE",
                                                      "DID_ALLOC_FAILURE",
                                                      "DID_MEDIUM_ERROR"};
constexpr std::array<std::string_view, 9> kDriverNames{"DRIVER_OK",      "DRIVER_BUSY",  "DRIVER_SOFT",
                                                       "DRIVER_MEDIA",   "DRIVER_ERROR", "DRIVER_INVALID",
                                                       "DRIVER_TIMEOUT", "DRIVER_HARD",  "DRIVER_SENSE"};

template <std::size_t N>
std::string Named(const std::array<std::string_view, N>& names, unsigned value, const char* prefix) {
    if (value < names.size()) return std::string(names[value]);
    char text[32];
    std::snprintf(text, sizeof text, "%s 0x%02x", prefix, value);
    return text;
}

std::string ScsiStatus(std::uint8_t status) {
    char text[kTextSize];
    sg_get_scsi_status_str(status, sizeof text, text);
    return text;
}

}  // namespace

std::string DescribeSense(std::uint32_t packedSense) {
    if (packedSense == 0) return "no sense";
    char key[kTextSize];
    char code[kTextSize];
    sg_get_sense_key_str(SenseKeyOf(packedSense), sizeof key, key);
    sg_get_asc_ascq_str(static_cast<int>((packedSense >> 8) & 0xFF), static_cast<int>(packedSense & 0xFF), sizeof code,
                        code);
    return std::string(key) + ": " + code;
}

std::string DescribeAnswer(const SgIoAnswer& answer) {
    if (answer.error != 0) return std::string("system call: ") + std::strerror(answer.error);
    if (answer.hostStatus != kHostOk) return "host " + Named(kHostNames, answer.hostStatus, "DID");
    const unsigned driver = answer.driverStatus & kDriverMask;
    if (driver != kDriverOk && driver != kDriverSense) return "driver " + Named(kDriverNames, driver, "DRIVER");
    const std::uint32_t sense = PackSgSense(answer);
    std::string text = ScsiStatus(answer.scsiStatus);
    if (sense != 0) text += ": " + DescribeSense(sense);
    if (answer.residual != 0) text += " (residual " + std::to_string(answer.residual) + ")";
    return text;
}
