#include "wire_command.h"

namespace nflash {
namespace {

constexpr std::uint8_t kOpTestUnitReady = 0x00;
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpStartStopUnit = 0x1B;
constexpr std::uint8_t kOpWriteBuffer = 0x3B;
constexpr std::uint8_t kOpReadBuffer = 0x3C;
constexpr std::uint8_t kOpVendorIdentify = 0xDF;
constexpr std::size_t kControlByte = 9;
constexpr std::uint8_t kLoaderControl = 0x7F;
constexpr std::uint8_t kCommitControl = 0x80;
constexpr std::uint8_t kCommitWithBootCodeControl = 0xA0;
constexpr std::size_t kCdbBytes = 12;

WireKind ClassifyWriteBuffer(const std::uint8_t* cdb, std::uint32_t length) {
    const std::uint8_t control = cdb[kControlByte];
    if (control == kCommitControl || control == kCommitWithBootCodeControl) return WireKind::Commit;
    if (control == kLoaderControl || length != kImagePieceBytes) return WireKind::LoaderUpload;
    return WireKind::ImagePiece;
}

}  // namespace

WireKind Classify(const std::uint8_t* cdb, std::uint32_t length) {
    switch (cdb[0]) {
        case kOpTestUnitReady: return WireKind::TestUnitReady;
        case kOpInquiry: return WireKind::Inquiry;
        case kOpStartStopUnit: return WireKind::StartStop;
        case kOpVendorIdentify: return WireKind::Identify;
        case kOpReadBuffer: return WireKind::ReadBack;
        case kOpWriteBuffer: return ClassifyWriteBuffer(cdb, length);
        default: return WireKind::Other;
    }
}

bool ChangesDrive(const std::uint8_t* cdb) { return cdb[0] == kOpStartStopUnit || cdb[0] == kOpWriteBuffer; }

std::uint32_t BufferOffset(const std::uint8_t* cdb) {
    return static_cast<std::uint32_t>(cdb[3]) << 16 | static_cast<std::uint32_t>(cdb[4]) << 8 | cdb[5];
}

std::string CdbHex(const std::uint8_t* cdb) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < kCdbBytes; ++i) {
        text += kDigits[cdb[i] >> 4];
        text += kDigits[cdb[i] & 0x0F];
    }
    return text;
}

}  // namespace nflash
