// A host's side of a virtual drive for the tests: builds the command blocks
// the updater sends and the loader uploads it must make, from the fixed
// facts of the chip table rather than from the drive's own code.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "sim/vdrive/drive.h"
#include "src/flash/chip_table.h"

namespace vdrive_test {

using Cdb = std::array<std::uint8_t, 12>;

struct Reply {
    vdrive::Outcome outcome;
    std::vector<std::uint8_t> data;

    bool Good() const { return outcome.delivered && outcome.scsiStatus == vdrive::kStatusGood; }
    std::uint8_t Key() const { return outcome.sense[2] & 0x0F; }
    std::uint8_t Asc() const { return outcome.sense[12]; }
    std::uint8_t Ascq() const { return outcome.sense[13]; }
    bool Sense(std::uint8_t key, std::uint8_t asc) const {
        return outcome.delivered && outcome.scsiStatus == vdrive::kStatusCheckCondition && Key() == key &&
               Asc() == asc;
    }
};

inline void PutBe24(Cdb& cdb, std::size_t at, std::uint32_t value) {
    cdb[at] = static_cast<std::uint8_t>(value >> 16);
    cdb[at + 1] = static_cast<std::uint8_t>(value >> 8);
    cdb[at + 2] = static_cast<std::uint8_t>(value);
}

inline Cdb WriteBufferCdb(std::uint32_t offset, std::uint32_t length, std::uint8_t control) {
    Cdb cdb{0x3B, 0x05, 0x01};
    PutBe24(cdb, 3, offset);
    PutBe24(cdb, 6, length);
    cdb[9] = control;
    return cdb;
}

inline Cdb ReadBufferCdb(std::uint32_t offset, std::uint32_t length) {
    Cdb cdb{0x3C, 0x01, 0x01};
    PutBe24(cdb, 3, offset);
    PutBe24(cdb, 6, length);
    return cdb;
}

inline Reply In(vdrive::Drive& drive, const Cdb& cdb, std::uint32_t length) {
    Reply reply;
    reply.data.assign(length, 0xEE);
    reply.outcome = drive.Execute(cdb.data(), vdrive::Direction::In, reply.data.data(), length);
    return reply;
}

inline Reply Out(vdrive::Drive& drive, const Cdb& cdb, std::vector<std::uint8_t> data) {
    Reply reply;
    reply.outcome = drive.Execute(cdb.data(), vdrive::Direction::Out, data.data(),
                                  static_cast<std::uint32_t>(data.size()));
    return reply;
}

inline Reply NoData(vdrive::Drive& drive, const Cdb& cdb) {
    Reply reply;
    reply.outcome = drive.Execute(cdb.data(), vdrive::Direction::None, nullptr, 0);
    return reply;
}

inline Reply TestUnitReady(vdrive::Drive& drive) { return NoData(drive, Cdb{0x00}); }
inline Reply Inquiry(vdrive::Drive& drive) { return In(drive, Cdb{0x12, 0, 0, 0, 96}, 96); }
inline Reply Identify(vdrive::Drive& drive) { return In(drive, Cdb{0xDF, 0x11}, 128); }
inline Reply StartStop(vdrive::Drive& drive, std::uint8_t byte4) {
    return NoData(drive, Cdb{0x1B, 0, 0, 0, byte4});
}
inline Reply MediaEvent(vdrive::Drive& drive) { return In(drive, Cdb{0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8}, 8); }

// `header` bytes in front of `count` loader bytes from `storeOffset`, zero
// padded to `total`: how the updater lays an upload out.
inline std::vector<std::uint8_t> Upload(std::vector<std::uint8_t> header, std::uint32_t storeOffset,
                                        std::uint32_t count, std::uint32_t total) {
    std::vector<std::uint8_t> bytes = header;
    bytes.insert(bytes.end(), EmbeddedLoaderStore().data() + storeOffset, EmbeddedLoaderStore().data() + storeOffset + count);
    bytes.resize(total, 0);
    return bytes;
}

// Chip BF D6 00 01 (entry 2): 1280 bytes, the header over the loader's last six.
inline std::vector<std::uint8_t> Entry2Upload() {
    return Upload({0xBF, 0xD6, 0x00, 0x01, 0x05, 0x00}, 766, 1274, 1280);
}

inline Reply SendLoader(vdrive::Drive& drive, const std::vector<std::uint8_t>& upload,
                        std::uint32_t offset = 0, std::uint8_t control = 0x7F) {
    return Out(drive, WriteBufferCdb(offset, static_cast<std::uint32_t>(upload.size()), control), upload);
}

inline std::vector<std::uint8_t> Piece(int k) {
    std::vector<std::uint8_t> bytes(0x4000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + k * 31 + 1);
    return bytes;
}

inline Reply WritePiece(vdrive::Drive& drive, int k) {
    return Out(drive, WriteBufferCdb(static_cast<std::uint32_t>(k) * 0x4000, 0x4000, 0x00), Piece(k));
}

inline Reply ReadPiece(vdrive::Drive& drive, int k) {
    return In(drive, ReadBufferCdb(static_cast<std::uint32_t>(k) * 0x4000, 0x4000), 0x4000);
}

}  // namespace vdrive_test
