// One builder per command: copy the template, patch the named bytes, send.
#include <algorithm>

#include "cdb_fields.h"
#include "command_codes.h"
#include "drive_commands.h"

namespace {

enum TemplatePos : int {
    kGetEventStatus = 0,
    kInquiry = 1,
    kStartStopUnit = 3,
    kTestUnitReady = 5,
    kVendorIdentify = 8,
    kReadBuffer = 9,
    kWriteBuffer = 12,
};

constexpr std::uint32_t kIdentifyReplyLength = 128;

Cdb FromTemplate(int pos) { return CdbTemplate[pos]; }

}  // namespace

std::uint8_t GetEventStatus(DriveSession& m, std::uint8_t polled, std::uint8_t classRequest,
                            std::uint32_t allocationLength, std::uint8_t control) {
    Cdb cdb = FromTemplate(kGetEventStatus);
    cdb[1] = polled & 0x01;                   // polled (asynchronous is not used)
    cdb[4] = classRequest;                    // notification class request
    PutBe16(&cdb[7], allocationLength);       // allocation length, low 16 bits
    cdb[9] = control;                         // control
    return m.Execute(cdb.data(), kDataIn, allocationLength);
}

std::uint8_t Inquiry(DriveSession& m, std::uint8_t cmdDt, std::uint8_t evpd, std::uint8_t pageCode,
                     std::uint8_t allocationLength, std::uint8_t control) {
    Cdb cdb = FromTemplate(kInquiry);
    cdb[1] = static_cast<std::uint8_t>(((cmdDt & 0x01) << 1) | (evpd & 0x01));  // CMDDT, EVPD
    cdb[2] = pageCode;                        // page or operation code
    cdb[4] = allocationLength;                // allocation length (one byte)
    cdb[5] = control;                         // control
    return m.Execute(cdb.data(), kDataIn, allocationLength);
}

std::uint8_t StartStopUnit(DriveSession& m, std::uint8_t immed, std::uint8_t powerCondition,
                           std::uint8_t loEj, std::uint8_t start) {
    Cdb cdb = FromTemplate(kStartStopUnit);
    cdb[1] = immed & 0x01;                    // IMMED
    cdb[4] = static_cast<std::uint8_t>(((powerCondition & 0x0F) << 4) | ((loEj & 0x01) << 1) |
                                       (start & 0x01));  // power condition, LoEj, Start
    return m.Execute(cdb.data(), kNoData, 0);
}

std::uint8_t TestUnitReady(DriveSession& m) {
    const Cdb cdb = FromTemplate(kTestUnitReady);
    return m.Execute(cdb.data(), kNoData, 0);
}

std::uint8_t VendorIdentify(DriveSession& m) {
    const Cdb cdb = FromTemplate(kVendorIdentify);
    if (!m.Execute(cdb.data(), kDataIn, kIdentifyReplyLength)) return 0;
    // A drive without the vendor command may still "succeed" and return
    // nothing: an all-zero reply names no chip.
    const std::uint8_t* reply = m.readBuffer;
    return std::any_of(reply, reply + kIdentifyReplyLength, [](std::uint8_t b) { return b != 0; })
               ? 1
               : 0;
}

std::uint8_t ReadBuffer(DriveSession& m, std::uint32_t offset, std::uint32_t length) {
    Cdb cdb = FromTemplate(kReadBuffer);
    PutBe24(&cdb[wire::kBufferOffsetByte], offset);  // buffer offset
    PutBe24(&cdb[wire::kBufferLengthByte], length);  // allocation length
    return m.Execute(cdb.data(), kDataIn, length);
}

std::uint8_t WriteBuffer(DriveSession& m, std::uint32_t offset, std::uint32_t length,
                         std::uint8_t control) {
    Cdb cdb = FromTemplate(kWriteBuffer);
    PutBe24(&cdb[wire::kBufferOffsetByte], offset);  // buffer offset
    PutBe24(&cdb[wire::kBufferLengthByte], length);  // parameter list length
    cdb[wire::kWriteBufferControlByte] = control;                         // control: 00h data, 7Fh loader, 80h/A0h commit
    // The commit carries its length in the block but moves no data.
    if (wire::IsCommitControl(control)) return m.Execute(cdb.data(), kNoData, 0);
    return m.Execute(cdb.data(), kDataOut, length);
}
