// What the drive says about itself: the INQUIRY identity and the vendor
// identify reply that names its flash chip.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "command_set.h"
#include "data_phase.h"
#include "handlers.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

constexpr std::size_t kInquiryLength = 96;
constexpr std::size_t kIdentifyLength = 128;

// Fixed-width INQUIRY text: cut to the field, padded with spaces.
void PutField(std::array<std::uint8_t, kInquiryLength>& reply, std::size_t at, std::size_t width,
              const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) {
        reply[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}

}  // namespace

Outcome Inquiry(const DriveState& state, const DriveConfig& config, const Request& request) {
    const bool vitalProductData = (request.cdb[1] & 0x03) != 0;  // EVPD or CmdDt: no pages here
    if (vitalProductData) return CheckCondition(kInvalidFieldInCdb);

    std::array<std::uint8_t, kInquiryLength> reply{};
    reply[0] = config.peripheralType;
    reply[1] = 0x80;  // removable medium
    reply[3] = 0x02;  // response data format
    reply[4] = static_cast<std::uint8_t>(kInquiryLength - 5);  // additional length
    if (!config.blankIdentity) {
        PutField(reply, 8, 8, config.vendor);
        PutField(reply, 16, 16, config.product);
        PutField(reply, 32, 4, state.revision);
        PutField(reply, wire::kVendorSpecificAt, wire::kVendorSpecificLength, config.vendorSpecific);
    }
    return SendIn(request, reply, request.cdb[4]);
}

Outcome VendorIdentify(const DriveConfig& config, const Request& request) {
    if (request.cdb[1] != kIdentifySubcode) return CheckCondition(kInvalidFieldInCdb);
    std::array<std::uint8_t, kIdentifyLength> reply{};
    if (!config.identifyAllZero) {
        std::memcpy(reply.data(), config.chipId.data(), config.chipId.size());
        const std::size_t tail =
            std::min(config.identifyTail.size(), kIdentifyLength - config.chipId.size());
        std::copy_n(config.identifyTail.begin(), tail, reply.begin() + config.chipId.size());
    }
    // The block has no allocation field: the reply is as long as the host's buffer lets it be.
    return SendIn(request, reply, static_cast<std::uint32_t>(reply.size()));
}

}  // namespace vdrive::detail
