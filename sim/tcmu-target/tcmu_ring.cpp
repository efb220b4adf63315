#include "tcmu_ring.h"

#include "tcmu_abi.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tcmu {

namespace {

std::string FirstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::size_t MapSize(const std::string& uioNode) {
    const std::string name = std::filesystem::path(uioNode).filename();
    const std::string text = FirstLine("/sys/class/uio/" + name + "/maps/map0/size");
    if (text.empty()) throw std::runtime_error(uioNode + ": no map size in sysfs");
    return std::stoull(text, nullptr, 0);
}

std::uint32_t Load(const std::uint32_t* field) { return __atomic_load_n(field, __ATOMIC_ACQUIRE); }
void Store(std::uint32_t* field, std::uint32_t value) { __atomic_store_n(field, value, __ATOMIC_RELEASE); }

struct Buffer {
    std::uint64_t offset = 0;
    std::size_t length = 0;
};

}  // namespace

Ring::Ring(const std::string& uioNode) {
    size_ = MapSize(uioNode);
    fd_ = ::open(uioNode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error(uioNode + ": " + std::strerror(errno));
    void* map = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
        const int error = errno;
        ::close(fd_);
        throw std::runtime_error(uioNode + ": mmap: " + std::strerror(error));
    }
    base_ = static_cast<std::uint8_t*>(map);
    tcmu_abi_mailbox mb{};
    tcmu_abi_read_mailbox(base_, &mb);
    if (mb.version != tcmu_abi_mailbox_version()) {
        throw std::runtime_error(uioNode + ": mailbox version " + std::to_string(mb.version));
    }
}

Ring::~Ring() {
    if (base_ != nullptr) ::munmap(base_, size_);
    if (fd_ >= 0) ::close(fd_);
}

bool Ring::Wait() {
    std::uint32_t events = 0;
    for (;;) {
        const ssize_t got = ::read(fd_, &events, sizeof events);
        if (got == static_cast<ssize_t>(sizeof events)) return true;
        if (got < 0 && errno == EINTR) continue;
        return false;
    }
}

void Ring::ServeQueued(const std::function<tcmu::Answer(Command&)>& serve) {
    tcmu_abi_mailbox mb{};
    tcmu_abi_read_mailbox(base_, &mb);
    for (std::uint32_t tail = Load(mb.cmd_tail); tail != Load(mb.cmd_head);) {
        void* entry = At(mb.cmdr_off + tail);
        switch (tcmu_abi_entry_kind(entry)) {
            case TCMU_ABI_PAD: break;
            case TCMU_ABI_COMMAND: AnswerOne(entry, serve); break;
            default: tcmu_abi_mark_unknown(entry); break;
        }
        tail = (tail + tcmu_abi_entry_length(entry)) % mb.cmdr_size;
        Store(mb.cmd_tail, tail);
    }
    const std::uint32_t kick = 0;
    (void)!::write(fd_, &kick, sizeof kick);
}

void Ring::AnswerOne(void* entry, const std::function<tcmu::Answer(Command&)>& serve) {
    tcmu_abi_request request{};
    tcmu_abi_read_request(entry, &request);
    const std::uint8_t* cdb = At(request.cdb_offset);
    Command command;
    // The kernel stores the block at its standard length; the group of the
    // opcode says which (the table the kernel's scsi_command_size reads).
    static constexpr std::uint8_t kGroupLength[8] = {6, 10, 10, 12, 16, 12, 10, 10};
    command.cdb.assign(cdb, cdb + kGroupLength[cdb[0] >> 5]);
    std::vector<Buffer> buffers(request.iov_count);  // read now: the answer overwrites them
    for (std::uint32_t i = 0; i < request.iov_count; ++i) {
        tcmu_abi_read_iov(entry, i, &buffers[i].offset, &buffers[i].length);
        const std::uint8_t* p = At(buffers[i].offset);
        command.data.insert(command.data.end(), p, p + buffers[i].length);
    }

    const tcmu::Answer answer = serve(command);

    std::size_t copied = 0;
    for (const Buffer& b : buffers) {
        if (copied >= answer.data.size()) break;
        const std::size_t n = std::min(b.length, answer.data.size() - copied);
        std::memcpy(At(b.offset), answer.data.data() + copied, n);
        copied += n;
    }
    tcmu_abi_mailbox mb{};
    tcmu_abi_read_mailbox(base_, &mb);
    tcmu_abi_respond(entry, answer.status, answer.sense.data(), answer.sense.size(),
                     mb.read_len_capable && !answer.data.empty(), static_cast<std::uint32_t>(copied));
}

std::string FindUioNode(const std::string& suffix) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/uio", error)) {
        const std::string name = FirstLine(entry.path() / "name");
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return "/dev/" + entry.path().filename().string();
        }
    }
    return "";
}

}  // namespace tcmu
