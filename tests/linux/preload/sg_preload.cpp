// LD_PRELOAD library that makes the virtual drives of a scenario file look
// like SCSI devices to the real norvek-flash: open(2) of <dev>/sgN or
// <dev>/srN (N: the drive's place in the scenario) gets a real descriptor
// (of /dev/null) that ioctl(SG_IO) answers from the drive, as the kernel's
// sg driver would (tests/linux/support/vdrive_sg_system.h). Everything else
// goes to the C library untouched.
//
// Environment:
//   NORVEK_SG_SCENARIO  the scenario file (the test ASPI DLL's format)
//   NORVEK_DEV_ROOT     the folder of the test nodes (the program reads it too)
//   NORVEK_SG_LOG       the request log: the DLL's "scenario" and "exec" lines,
//                       so logs of both programs compare line for line, and at
//                       exit "exit" lines and <log>.driveN.flash files
//   NORVEK_SG_BUSY      nodes (sg1,sr2,...) whose every open fails with EBUSY
//   NORVEK_SG_FIRST_COMMAND  a file that gets the CLOCK_MONOTONIC time (ns) of
//                       the first SG_IO, for start-up measurements
//
// Each process has its own virtual drives, but the kernel keeps a node's
// claims for every process; so the claims are also flocks on the node's
// file under NORVEK_DEV_ROOT, which every process with this library sees
// (see Claim below).
#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/aspi-dll/request_log.h"
#include "sim/aspi-dll/scenario.h"
#include "tests/linux/support/vdrive_sg_system.h"

namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);

// The C library's own functions, looked up on first use: another library's
// constructor may open a file before this library's constructor has run.
template <typename Fn>
Fn Real(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

int realOpen(const char* path, int flags, mode_t mode) {
    static const OpenFn fn = Real<OpenFn>("open");
    return fn(path, flags, mode);
}

int realOpenAt(int dirfd, const char* path, int flags, mode_t mode) {
    static const OpenAtFn fn = Real<OpenAtFn>("openat");
    return fn(dirfd, path, flags, mode);
}

int realClose(int fd) {
    static const CloseFn fn = Real<CloseFn>("close");
    return fn(fd);
}

int realIoctl(int fd, unsigned long request, void* argument) {
    static const IoctlFn fn = Real<IoctlFn>("ioctl");
    return fn(fd, request, argument);
}

constexpr unsigned char kAspiDone = 0x01;   // SS_COMP, as the DLL logs it
constexpr unsigned char kAspiError = 0x04;  // SS_ERR

struct Preload {
    std::unique_ptr<aspidll::RequestLog> log;
    std::string logPath;
    aspidll::Scenario scenario;
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    std::unique_ptr<sgsim::VdriveSgSystem> system;
    std::string firstCommandFile;
    std::atomic<bool> firstSeen{false};
    std::mutex claimsMutex;
    std::map<int, int> claims;  // served descriptor -> the descriptor holding its flock
};

Preload* g = nullptr;  // never freed: threads and the exit report use it to the end

const char* DirectionName(int direction) {
    switch (direction) {
        case SG_DXFER_TO_DEV: return "out";
        case SG_DXFER_FROM_DEV: return "in";
        default: return "none";
    }
}

void NoteFirstCommand() {
    if (g->firstCommandFile.empty() || g->firstSeen.exchange(true)) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::ofstream(g->firstCommandFile) << (static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) << "\n";
}

void LogCommand(const sgsim::ServedCommand& c) {
    const aspidll::DriveSlot& slot = g->scenario.drives.at(static_cast<std::size_t>(c.driveIndex));
    const sg_io_hdr_t& h = *c.header;
    const bool done = c.outcome.delivered && h.host_status == 0 && c.outcome.scsiStatus == vdrive::kStatusGood;
    const std::string sense = h.sb_len_wr > 0 ? aspidll::Hex(h.sbp, h.sb_len_wr) : "-";
    char line[256];
    std::snprintf(line, sizeof line, "exec ha=%d target=%d lun=%d cdb=%s dir=%s len=%u status=%02x sense=%s",
                  slot.adapter, slot.target, slot.lun, aspidll::Hex(h.cmdp, h.cmd_len).c_str(),
                  DirectionName(h.dxfer_direction), h.dxfer_len, done ? kAspiDone : kAspiError, sense.c_str());
    g->log->Line(line);
}

std::vector<std::string> Split(const char* list) {
    std::vector<std::string> parts;
    std::stringstream in(list ? list : "");
    for (std::string part; std::getline(in, part, ',');) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Serve(const std::string& devRoot) {
    for (std::size_t i = 0; i < g->scenario.drives.size(); ++i) {
        auto drive = std::make_shared<vdrive::Drive>(g->scenario.drives[i].config);
        g->drives.push_back(drive);
        for (const char* prefix : {"/sg", "/sr"}) {
            g->system->AddNode(devRoot + prefix + std::to_string(i), drive, static_cast<int>(i));
        }
    }
    for (const std::string& node : Split(std::getenv("NORVEK_SG_BUSY"))) {
        g->system->FailOpen(devRoot + "/" + node, EBUSY);
    }
}

__attribute__((constructor)) void Start() {
    const std::string scenarioPath = Env("NORVEK_SG_SCENARIO");
    const std::string devRoot = Env("NORVEK_DEV_ROOT");
    if (scenarioPath.empty() || devRoot.empty()) return;

    auto* preload = new Preload;
    preload->logPath = Env("NORVEK_SG_LOG");
    preload->log = std::make_unique<aspidll::RequestLog>(preload->logPath);
    preload->firstCommandFile = Env("NORVEK_SG_FIRST_COMMAND");
    std::ifstream in(scenarioPath);
    try {
        if (!in) throw aspidll::ScenarioError("cannot open " + scenarioPath);
        preload->scenario = aspidll::ParseScenario(in);
    } catch (const aspidll::ScenarioError& e) {
        preload->log->Line(std::string("scenario error: ") + e.what());
        std::fprintf(stderr, "sg_preload: scenario error: %s\n", e.what());
        std::_Exit(99);
    }
    preload->log->Line("scenario " + scenarioPath + " drives=" + std::to_string(preload->scenario.drives.size()) +
                       " adapters=" + std::to_string(preload->scenario.adapterCount));
    preload->system = std::make_unique<sgsim::VdriveSgSystem>(
        [] { return realOpen("/dev/null", O_RDWR | O_CLOEXEC, 0); }, [](int fd) { realClose(fd); });
    preload->system->OnCommand(LogCommand);
    g = preload;
    Serve(devRoot);
}

__attribute__((destructor)) void Report() {
    if (g == nullptr || g->logPath.empty()) return;
    for (std::size_t i = 0; i < g->drives.size(); ++i) {
        const vdrive::Drive& drive = *g->drives[i];
        const std::vector<std::uint8_t> flash = drive.FlashContents();
        const std::string path = g->logPath + ".drive" + std::to_string(i) + ".flash";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(flash.data()), static_cast<std::streamsize>(flash.size()));
        const aspidll::DriveSlot& slot = g->scenario.drives[i];
        char line[512];
        std::snprintf(line, sizeof line,
                      "exit drive=%zu ha=%d target=%d lun=%d revision=%s commits=%d bootcode=%d loader=%d flash=%s", i,
                      slot.adapter, slot.target, slot.lun, drive.Revision().c_str(), drive.CommitCount(),
                      drive.BootCodeRequested() ? 1 : 0, drive.LoaderAccepted() ? 1 : 0, path.c_str());
        g->log->Line(line);
    }
}

// The claim an open of `path` makes on it across processes, as the kernel
// keeps them: O_EXCL on any node is exclusive, refused while another
// process has the node claimed in any way; a plain open of an sg node is
// shared, refused while another holds it with O_EXCL (the sg driver's
// rule); a plain open of a block node claims nothing, since a block
// device's exclusive claim keeps out other claims (mount, burning
// programs), not readers. 0, or EBUSY when refused. A node without a file
// to lock is claimed within this process only.
int Claim(int fd, const char* path, int flags) {
    const bool exclusive = (flags & O_EXCL) != 0;
    if (!exclusive && !sgsim::IsSgNode(path)) return 0;
    const int lock = realOpen(path, O_RDONLY | O_CLOEXEC, 0);
    if (lock < 0) return 0;
    if (flock(lock, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        realClose(lock);
        return EBUSY;
    }
    std::lock_guard guard(g->claimsMutex);
    g->claims[fd] = lock;
    return 0;
}

void ReleaseClaim(int fd) {
    std::lock_guard guard(g->claimsMutex);
    const auto claim = g->claims.find(fd);
    if (claim == g->claims.end()) return;
    realClose(claim->second);
    g->claims.erase(claim);
}

int OpenServed(const char* path, int flags, mode_t mode, bool& served) {
    served = g != nullptr && path != nullptr && g->system->Serves(path);
    if (!served) return -1;
    const int fd = g->system->Open(path, flags);
    if (fd < 0) {
        errno = -fd;
        return -1;
    }
    if (const int refused = Claim(fd, path, flags); refused != 0) {
        g->system->Close(fd);
        errno = refused;
        return -1;
    }
    (void)mode;
    return fd;
}

mode_t ModeOf(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

// The served device's descriptor for a test path, else what the C library's
// own call gives.
template <typename RealOpen>
int ServedOr(const char* path, int flags, mode_t mode, RealOpen real) {
    bool served = false;
    const int fd = OpenServed(path, flags, mode, served);
    return served ? fd : real();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return ServedOr(path, flags, mode, [&] { return realOpen(path, flags, mode); });
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return ServedOr(path, flags, mode, [&] { return realOpen(path, flags, mode); });
}

__attribute__((visibility("default"))) int __open_2(const char* path, int flags) { return open(path, flags); }
__attribute__((visibility("default"))) int __open64_2(const char* path, int flags) { return open(path, flags); }

__attribute__((visibility("default"))) int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return ServedOr(path, flags, mode, [&] { return realOpenAt(dirfd, path, flags, mode); });
}

__attribute__((visibility("default"))) int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return ServedOr(path, flags, mode, [&] { return realOpenAt(dirfd, path, flags, mode); });
}

__attribute__((visibility("default"))) int close(int fd) {
    if (g != nullptr && g->system->Owns(fd)) {
        ReleaseClaim(fd);
        g->system->Close(fd);
        return 0;
    }
    return realClose(fd);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (g != nullptr && request == SG_IO && g->system->Owns(fd)) {
        NoteFirstCommand();
        const int error = g->system->SgIo(fd, *static_cast<sg_io_hdr_t*>(argument));
        if (error != 0) {
            errno = error;
            return -1;
        }
        return 0;
    }
    return realIoctl(fd, request, argument);
}

}  // extern "C"
