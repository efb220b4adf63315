#include "wire_command.h"

#include "src/drive/command_codes.h"
#include "src/drive/transport/transport.h"

namespace nflash {
namespace {

WireKind ClassifyWriteBuffer(const std::uint8_t* cdb, std::uint32_t length) {
    const std::uint8_t control = cdb[wire::kWriteBufferControlByte];
    if (wire::IsCommitControl(control)) return WireKind::Commit;
    if (control == wire::kLoaderControl || length != wire::kPieceSize) return WireKind::LoaderUpload;
    return WireKind::ImagePiece;
}

}  // namespace

WireKind Classify(const std::uint8_t* cdb, std::uint32_t length) {
    switch (cdb[0]) {
        case wire::kOpTestUnitReady: return WireKind::TestUnitReady;
        case wire::kOpInquiry: return WireKind::Inquiry;
        case wire::kOpStartStopUnit: return WireKind::StartStop;
        case wire::kOpVendorIdentify: return WireKind::Identify;
        case wire::kOpReadBuffer: return WireKind::ReadBack;
        case wire::kOpWriteBuffer: return ClassifyWriteBuffer(cdb, length);
        default: return WireKind::Other;
    }
}

bool ChangesDrive(const std::uint8_t* cdb) {
    return cdb[0] == wire::kOpStartStopUnit || cdb[0] == wire::kOpWriteBuffer;
}

std::uint32_t BufferOffset(const std::uint8_t* cdb) {
    const std::uint8_t* field = cdb + wire::kBufferOffsetByte;
    return static_cast<std::uint32_t>(field[0]) << 16 | static_cast<std::uint32_t>(field[1]) << 8 | field[2];
}

}  // namespace nflash
