// One TCM-User device's command ring, as the kernel's target_core_user maps
// it through its UIO node (the protocol of <linux/target_core_user.h>).
//
// The kernel writes command entries at the ring's head and bumps a counter
// on the UIO node; user space answers each entry in place, in order, moves
// the tail past it and writes to the node so the kernel completes it. Data
// buffers are iovecs whose bases are offsets into the same mapping. The
// ring is never answered out of order: a command whose drive is slow holds
// back the ones behind it, as a drive that runs one command at a time does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tcmu {

// A command taken from the ring: its block as the kernel passed it (the
// standard length of its opcode group, scsi_command_size: 6, 10, 12 or 16
// bytes, vendor-unique groups 10) and its data buffer, gathered.
struct Command {
    std::vector<std::uint8_t> cdb;
    std::vector<std::uint8_t> data;  // the host's bytes (data out) or room for the answer (data in)
};

struct Answer {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> sense;  // fixed format, with CHECK CONDITION
    std::vector<std::uint8_t> data;   // data in: the bytes moved, at most the buffer's size
};

class Ring {
public:
    // Opens /dev/uioN and maps its ring; throws std::runtime_error saying why not.
    explicit Ring(const std::string& uioNode);
    ~Ring();
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    // Blocks until the kernel has queued something; false when the node is
    // gone (the device was removed).
    bool Wait();

    // Answers every queued command with `serve`, in order, then tells the
    // kernel. Task management entries (aborts) are marked unknown.
    void ServeQueued(const std::function<Answer(Command&)>& serve);

private:
    void AnswerOne(void* entry, const std::function<tcmu::Answer(Command&)>& serve);
    std::uint8_t* At(std::uint64_t offset) const { return base_ + offset; }

    int fd_ = -1;
    std::uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
};

// The UIO node (/dev/uioN) whose device name ends in `suffix` (the
// backstore's dev_config, "norvek/vd0"), or "" while there is none.
std::string FindUioNode(const std::string& suffix);

}  // namespace tcmu
