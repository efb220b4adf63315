#include "chip_loader.h"

#include <cstring>

#include "../drive/command_codes.h"
#include "../drive/drive_commands.h"
#include "../drive/session/drive_session.h"

namespace {

constexpr std::uint32_t kClearedBytes = 32768;
constexpr std::uint32_t kHighLoaderOffset = 0x80000;
// The high loaders go as an ordinary download (control 00h).
constexpr std::uint8_t kHighLoaderControl = wire::kImageControl;

// Entries 0 and 1 are the 512-Kbit chips: their loaders go high in the
// download buffer behind a header without the length.
bool IsHighLoaderEntry(int entry) { return entry <= 1; }

// Entries 2, 3 and 4 are sent as exactly their 1280-byte loader: the header
// displaces the loader's last six bytes, which are zero fill.
bool HeaderReplacesTail(int entry) { return entry >= 2 && entry <= 4; }

std::uint32_t HeaderLength(int entry) { return IsHighLoaderEntry(entry) ? 4 : 6; }

std::uint32_t TransferLength(int entry, std::uint32_t loaderLength) {
    std::uint32_t n = loaderLength + (loaderLength & 1);  // the pad byte is the cleared zero behind
    if (!HeaderReplacesTail(entry)) n += HeaderLength(entry);
    return n;
}

}  // namespace

std::uint8_t* StageLoader(DriveSession& m, LoaderStore loaders, int entry) {
    if (entry == -1) return nullptr;
    std::memcpy(m.writeBuffer, loaders.data() + LoaderOffset(entry), LoaderLength(entry));
    return m.writeBuffer;
}

std::uint8_t IdentifyChipAndUploadLoader(DriveSession& m, LoaderStore loaders) {
    std::memset(m.writeBuffer, 0, kClearedBytes);
    if (!VendorIdentify(m)) return 0;

    const ChipIdentity id{m.readBuffer[0], m.readBuffer[1], m.readBuffer[2], m.readBuffer[3]};
    const int entry = FindChipEntry(id);
    if (entry == -1) return 0;
    const std::uint32_t loaderLength = LoaderLength(entry);
    if (loaderLength == 0) return 0;

    // The loader is staged at the start of writeBuffer, then moved up behind
    // the header through readBuffer (the two ranges overlap).
    const std::uint32_t h = HeaderLength(entry);
    const std::uint8_t* staged = StageLoader(m, loaders, entry);
    std::memcpy(m.readBuffer, staged, loaderLength);
    std::memcpy(m.writeBuffer + h, m.readBuffer, loaderLength);
    std::memcpy(m.writeBuffer, &FlashChipTable[entry], h);

    const std::uint32_t n = TransferLength(entry, loaderLength);
    if (IsHighLoaderEntry(entry)) return WriteBuffer(m, kHighLoaderOffset, n, kHighLoaderControl);
    return WriteBuffer(m, 0, n, wire::kLoaderControl);
}
