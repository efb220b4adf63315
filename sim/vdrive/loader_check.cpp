#include "loader_check.h"

#include <algorithm>
#include <cstring>

#include "command_set.h"
#include "data_phase.h"
#include "sense.h"
#include "src/flash/embedded_loader_store.h"

namespace vdrive::detail {

namespace {

constexpr std::uint32_t kShortHeaderOffset = 0x80000;

// Entries 0 and 1 take a 4-byte header (no loader length) at 80000h.
bool TakesShortHeader(int entry) { return entry == 0 || entry == 1; }

// The 1280-byte loaders of entries 2 to 4 travel without their last six
// (zero) bytes, the header taking their place.
bool HeaderReplacesTail(int entry) { return entry >= 2 && entry <= 4; }

}  // namespace

UploadForm ExpectedUpload(int entry) {
    const std::uint32_t header = TakesShortHeader(entry) ? 4 : 6;
    const std::uint32_t loader = LoaderLength(entry);
    std::uint32_t sent = loader + (loader % 2);  // padded to even with a zero
    if (!HeaderReplacesTail(entry)) sent += header;

    UploadForm form;
    form.offset = TakesShortHeader(entry) ? kShortHeaderOffset : 0;
    form.control = TakesShortHeader(entry) ? kImageControl : kLoaderControl;
    form.bytes.assign(sent, 0);
    std::memcpy(form.bytes.data(), &FlashChipTable[entry], header);
    const std::uint32_t loaderBytes = std::min(loader, sent - header);
    std::memcpy(form.bytes.data() + header, EmbeddedLoaderStore().data() + LoaderOffset(entry), loaderBytes);
    return form;
}

bool IsLoaderUpload(const Request& request, const DriveState& state) {
    const std::uint8_t control = request.cdb[kWriteBufferControlByte];
    if (control == kLoaderControl) return true;
    return control == kImageControl && Be24(&request.cdb[kBufferOffsetByte]) == kShortHeaderOffset &&
           TakesShortHeader(state.chipEntry) && !state.loaderAccepted;
}

Outcome UploadLoader(DriveState& state, const Request& request) {
    const std::uint32_t length = Be24(&request.cdb[kBufferLengthByte]);
    if (auto refused = CheckDataOut(request, length)) return *refused;

    bool right = state.chipEntry >= 0;
    if (right) {
        const UploadForm form = ExpectedUpload(state.chipEntry);
        right = Be24(&request.cdb[kBufferOffsetByte]) == form.offset &&
                request.cdb[kWriteBufferControlByte] == form.control && length == form.bytes.size() &&
                std::memcmp(request.data, form.bytes.data(), length) == 0;
    }
    state.loaderAccepted = right;
    return right ? Good(length) : CheckCondition(kInvalidFieldInParameters);
}

}  // namespace vdrive::detail
