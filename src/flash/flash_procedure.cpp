#include "flash_procedure.h"

#include <cstring>

#include "../drive/command_codes.h"
#include "../drive/drive_commands.h"
#include "../drive/session/drive_session.h"
#include "chip_loader.h"
#include "image_pieces.h"

namespace {

constexpr std::int32_t kReadyWaitSeconds = 60;
constexpr double kPauseBeforeCommitSeconds = 1.0;
constexpr auto kMaxImageSize = static_cast<std::int32_t>(wire::kDownloadBufferSize);

// An image of whole pieces that fits the download buffer; any other is
// refused before the drive is touched.
bool ImageIsWholePieces(const std::uint8_t* image, std::int32_t imageSize) {
    return image != nullptr && IsWholePieces(imageSize) && imageSize <= kMaxImageSize;
}

bool SendAndVerifyPiece(DriveSession& m, const std::uint8_t* image, std::uint32_t piece) {
    const std::uint32_t offset = piece * kPieceSize;
    std::memset(m.writeBuffer, 0, kPieceSize);
    std::memset(m.readBuffer, 0, kPieceSize);
    std::memcpy(m.writeBuffer, image + offset, kPieceSize);
    if (!WriteBuffer(m, offset, kPieceSize, wire::kImageControl)) return false;
    if (!ReadBuffer(m, offset, kPieceSize)) return false;
    // A reply short of the piece leaves the zeroed tail of readBuffer in
    // place of the drive's bytes; it would compare equal wherever the image
    // ends in zeros, so the count decides before the bytes do.
    if (m.lastTransferLength != kPieceSize) return false;
    return std::memcmp(m.readBuffer, m.writeBuffer, kPieceSize) == 0;
}

// A pass ends at its first bad piece; the next one starts again at piece 0.
bool TransferPass(DriveSession& m, const std::uint8_t* image, std::uint32_t pieces) {
    for (std::uint32_t k = 0; k < pieces; ++k) {
        if (!SendAndVerifyPiece(m, image, k)) return false;
    }
    return true;
}

}  // namespace

std::uint8_t WriteAndVerifyImage(DriveSession& m, const std::uint8_t* image,
                                 std::int32_t imageSize) {
    if (!ImageIsWholePieces(image, imageSize)) return 0;
    const auto pieces = static_cast<std::uint32_t>(imageSize) / kPieceSize;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (TransferPass(m, image, pieces)) return 1;
    }
    return 0;
}

std::uint8_t FlashFirmware(DriveSession& m, LoaderStore loaders, const std::uint8_t* image,
                           std::int32_t imageSize, std::uint8_t bootCode) {
    if (!ImageIsWholePieces(image, imageSize)) return 0;

    m.SetTimeout(kFlashTimeoutSeconds);  // the long time-out, whatever was set before
    m.DisableRetry();
    WaitReady(m, kReadyWaitSeconds);  // a drive still not ready shows up as a failed transfer
    m.DisableRetry();
    StopUnit(m);
    m.DisableRetry();
    IdentifyChipAndUploadLoader(m, loaders);  // no usable loader shows up as a failed transfer
    m.EnableRetry();

    if (!WriteAndVerifyImage(m, image, imageSize)) return 0;
    PauseWithMessages(m.waitTimer, kPauseBeforeCommitSeconds);
    return WriteBuffer(m, 0, 0, bootCode ? wire::kCommitWithBootCodeControl : wire::kCommitControl);
}
