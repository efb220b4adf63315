// The drive command protocol's numbers: operation codes, the fixed fields of
// the vendor buffer commands, and the WRITE BUFFER control bytes that say
// what a download is. The updater, the virtual drive and the tests all take
// them from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wire {

constexpr std::uint8_t kOpTestUnitReady = 0x00;
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpStartStopUnit = 0x1B;
constexpr std::uint8_t kOpWriteBuffer = 0x3B;
constexpr std::uint8_t kOpReadBuffer = 0x3C;
constexpr std::uint8_t kOpGetEventStatus = 0x4A;
constexpr std::uint8_t kOpStopPlayScan = 0x4E;
constexpr std::uint8_t kOpVendorIdentify = 0xDF;
constexpr std::uint8_t kOpVendorF3 = 0xF3;
constexpr std::uint8_t kIdentifySubcode = 0x11;  // byte 1 of DF 11

// WRITE BUFFER / READ BUFFER in the vendor download form.
constexpr std::uint8_t kWriteBufferMode = 0x05;  // download microcode and save
constexpr std::uint8_t kReadBufferMode = 0x01;   // vendor-specific
constexpr std::uint8_t kBufferId = 0x01;
constexpr std::size_t kBufferOffsetByte = 3;  // 24-bit, big-endian
constexpr std::size_t kBufferLengthByte = 6;  // 24-bit, big-endian
constexpr std::size_t kWriteBufferControlByte = 9;

// WRITE BUFFER control byte: what the download is.
constexpr std::uint8_t kImageControl = 0x00;               // a piece of the image
constexpr std::uint8_t kLoaderControl = 0x7F;              // a chip loader
constexpr std::uint8_t kCommitControl = 0x80;              // program the flash
constexpr std::uint8_t kCommitWithBootCodeControl = 0xA0;  // program it, boot code too

// The drive's download buffer, which the image (and the high loaders) go
// into, and the piece the updater writes and reads back at a time.
constexpr std::uint32_t kDownloadBufferSize = 0x100000;
constexpr std::uint32_t kPieceSize = 0x4000;

// SCSI status bytes, as a drive returns them.
constexpr std::uint8_t kScsiGood = 0x00;
constexpr std::uint8_t kScsiCheckCondition = 0x02;
constexpr std::uint8_t kScsiConditionMet = 0x04;
constexpr std::uint8_t kScsiBusy = 0x08;

// INQUIRY bytes 36-51 (vendor specific) of every virtual drive this project
// makes, and of no real drive: a build that carries the generated test
// loaders flashes only drives that answer with them.
constexpr std::size_t kVendorSpecificAt = 36;
constexpr std::size_t kVendorSpecificLength = 16;
constexpr char kVirtualDriveMarker[kVendorSpecificLength + 1] = "NORVEK-VIRTUAL  ";
// The INQUIRY allocation length discovery and the re-inquiry ask for: the
// standard identity and the vendor-specific bytes after it, with room.
constexpr std::uint8_t kIdentityInquiryLength = 96;
static_assert(kIdentityInquiryLength >= kVendorSpecificAt + kVendorSpecificLength);

constexpr bool IsCommitControl(std::uint8_t control) {
    return control == kCommitControl || control == kCommitWithBootCodeControl;
}

}  // namespace wire
