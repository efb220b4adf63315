// The opcodes and fixed fields of the commands this drive understands.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vdrive::detail {

constexpr std::uint8_t kOpTestUnitReady = 0x00;
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpStartStopUnit = 0x1B;
constexpr std::uint8_t kOpWriteBuffer = 0x3B;
constexpr std::uint8_t kOpReadBuffer = 0x3C;
constexpr std::uint8_t kOpGetEventStatus = 0x4A;
constexpr std::uint8_t kOpVendorIdentify = 0xDF;
constexpr std::uint8_t kIdentifySubcode = 0x11;  // byte 1 of DF 11

// WRITE BUFFER / READ BUFFER: the vendor download form the updater uses.
constexpr std::uint8_t kWriteBufferMode = 0x05;  // download microcode and save
constexpr std::uint8_t kReadBufferMode = 0x01;   // vendor-specific
constexpr std::uint8_t kBufferId = 0x01;
constexpr std::size_t kBufferOffsetByte = 3;  // 24-bit, big-endian
constexpr std::size_t kBufferLengthByte = 6;  // 24-bit, big-endian
constexpr std::size_t kWriteBufferControlByte = 9;
constexpr std::uint8_t kImageControl = 0x00;
constexpr std::uint8_t kLoaderControl = 0x7F;
constexpr std::uint8_t kCommitControl = 0x80;
constexpr std::uint8_t kCommitWithBootCodeControl = 0xA0;

}  // namespace vdrive::detail
