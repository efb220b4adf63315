// LD_PRELOAD library that makes the virtual drives of a scenario file look
// like SCSI devices to the real norvek-flash: open(2) of <dev>/sgN or
// <dev>/srN (N: the drive's place in the scenario) gets a real descriptor
// (of /dev/null) that ioctl(SG_IO) answers from the drive, as the kernel's
// sg driver would (tests/linux/support/vdrive_sg_system.h), and so do
// write(2), poll(2) and read(2) of an sg_io_hdr, the sg driver's
// asynchronous form: the command runs at the write, its answer waits for the
// read. As the sg driver does, an ioctl(SG_IO) on an sgN node during which
// the process was stopped and continued (SIGSTOP, then SIGCONT) sends its
// command again: the stop cut the driver's interruptible wait short,
// orphaning the command, and the kernel restarted the call. fstat(2) of an
// sgN node says it is one (a character device of the sg
// driver's major), as the program asks before choosing the form; an srN node
// stays /dev/null's character device and so gets ioctl(SG_IO), as a block
// node would. Everything else goes to the C library untouched.
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
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <scsi/sg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/aspi-dll/request_log.h"
#include "src/drive/hex_bytes.h"
#include "sim/aspi-dll/scenario.h"
#include "tests/linux/support/vdrive_sg_system.h"

namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using ReadFn = ssize_t (*)(int, void*, size_t);
using PollFn = int (*)(pollfd*, nfds_t, int);
using FstatFn = int (*)(int, struct stat*);

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

ssize_t realWrite(int fd, const void* data, size_t count) {
    static const WriteFn fn = Real<WriteFn>("write");
    return fn(fd, data, count);
}

ssize_t realRead(int fd, void* data, size_t count) {
    static const ReadFn fn = Real<ReadFn>("read");
    return fn(fd, data, count);
}

int realPoll(pollfd* fds, nfds_t count, int timeout) {
    static const PollFn fn = Real<PollFn>("poll");
    return fn(fds, count, timeout);
}

int realFstat(int fd, struct stat* st) {
    static const FstatFn fn = Real<FstatFn>("fstat");
    return fn(fd, st);
}

constexpr unsigned kScsiGenericMajor = 21;

struct Preload {
    std::unique_ptr<aspidll::RequestLog> log;
    std::string logPath;
    aspidll::Scenario scenario;
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    std::unique_ptr<sgsim::VdriveSgSystem> system;
    std::string firstCommandFile;
    std::atomic<bool> firstSeen{false};
    std::mutex answersMutex;
    std::map<int, sg_io_hdr_t> answers;  // written commands whose answer read(2) has not taken
    std::map<int, bool> sgNodes;         // descriptors of sgN nodes (true) and srN nodes (false)
    std::mutex claimsMutex;
    std::map<int, int> claims;  // served descriptor -> the descriptor holding its flock
    std::string claimsDir;      // the lock files standing for the nodes, beside the test /dev
};

Preload* g = nullptr;  // never freed: threads and the exit report use it to the end

// Counts the times the process was continued after a stop.
std::atomic<unsigned> g_continued{0};

void NoteContinued(int) { g_continued.fetch_add(1); }

void WatchStops() {
    struct sigaction action {};
    action.sa_handler = NoteContinued;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGCONT, &action, nullptr);
}

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
    const std::string sense = h.sb_len_wr > 0 ? HexBytes(h.sbp, h.sb_len_wr) : "-";
    g->log->Line(aspidll::ExecLine(slot.adapter, slot.target, slot.lun, HexBytes(h.cmdp, h.cmd_len),
                                   DirectionName(h.dxfer_direction), h.dxfer_len, done,
                                   sense));
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
    g->claimsDir = devRoot + ".claims";
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
    WatchStops();
}

__attribute__((destructor)) void Report() {
    if (g == nullptr || g->logPath.empty()) return;
    for (std::size_t i = 0; i < g->drives.size(); ++i) {
        const aspidll::DriveSlot& slot = g->scenario.drives[i];
        aspidll::LogDriveExit(*g->log, g->logPath, i, slot.adapter, slot.target, slot.lun, *g->drives[i]);
    }
}

// The claim an open of `path` makes on it across processes, as the kernel
// keeps them: O_EXCL on any node is exclusive, refused while another
// process has the node claimed in any way; a plain open of an sg node is
// shared, refused while another holds it with O_EXCL (the sg driver's
// rule); a plain open of a block node claims nothing, since a block
// device's exclusive claim keeps out other claims (mount, burning
// programs), not readers. 0, or EBUSY when refused. Where the lock file
// cannot be made the node is claimed within this process only.
int Claim(int fd, const char* path, int flags) {
    const bool exclusive = (flags & O_EXCL) != 0;
    if (!exclusive && !sgsim::IsSgNode(path)) return 0;
    // The lock is taken on a file standing for the node, not on the node:
    // where the test machine made real device nodes, opening one reaches
    // no driver (ENXIO) and could hold no lock.
    std::error_code ignored;
    std::filesystem::create_directories(g->claimsDir, ignored);
    const std::string lockPath = g->claimsDir + "/" + std::filesystem::path(path).filename().string();
    const int lock = realOpen(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
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
    std::lock_guard lock(g->answersMutex);
    g->sgNodes[fd] = sgsim::IsSgNode(path);
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
        {
            std::lock_guard lock(g->answersMutex);
            g->answers.erase(fd);
            g->sgNodes.erase(fd);
        }
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
        bool sgNode = false;
        {
            std::lock_guard lock(g->answersMutex);
            sgNode = g->sgNodes[fd];
        }
        auto& header = *static_cast<sg_io_hdr_t*>(argument);
        const sg_io_hdr_t asked = header;
        unsigned continued = g_continued.load();
        int error = g->system->SgIo(fd, header);
        while (sgNode && g_continued.load() != continued) {  // the restarted call sends it again
            continued = g_continued.load();
            header = asked;
            error = g->system->SgIo(fd, header);
        }
        if (error != 0) {
            errno = error;
            return -1;
        }
        return 0;
    }
    return realIoctl(fd, request, argument);
}

__attribute__((visibility("default"))) ssize_t write(int fd, const void* data, size_t count) {
    if (g == nullptr || !g->system->Owns(fd)) return realWrite(fd, data, count);
    sg_io_hdr_t header{};
    if (count < sizeof header) {
        errno = EINVAL;
        return -1;
    }
    std::memcpy(&header, data, sizeof header);
    NoteFirstCommand();
    const int error = g->system->SgIo(fd, header);
    if (error != 0) {
        errno = error;
        return -1;
    }
    std::lock_guard lock(g->answersMutex);
    g->answers[fd] = header;
    return static_cast<ssize_t>(count);
}

__attribute__((visibility("default"))) ssize_t read(int fd, void* data, size_t count) {
    if (g == nullptr || !g->system->Owns(fd)) return realRead(fd, data, count);
    std::lock_guard lock(g->answersMutex);
    const auto answer = g->answers.find(fd);
    if (answer == g->answers.end()) {
        errno = EAGAIN;  // the node is opened O_NONBLOCK: nothing has been answered
        return -1;
    }
    const size_t size = std::min(count, sizeof answer->second);
    std::memcpy(data, &answer->second, size);
    g->answers.erase(answer);
    return static_cast<ssize_t>(size);
}

// A served descriptor is readable once its command has been answered; the
// program polls one descriptor at a time. (The C library declares poll's
// array write-only, which it is not: the caller fills in fd and events.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((visibility("default"))) int poll(pollfd* fds, nfds_t count, int timeout) {
    if (g == nullptr || count != 1 || !g->system->Owns(fds[0].fd)) return realPoll(fds, count, timeout);
    std::lock_guard lock(g->answersMutex);
    fds[0].revents = g->answers.count(fds[0].fd) != 0 ? static_cast<short>(fds[0].events & POLLIN) : 0;
    return fds[0].revents != 0 ? 1 : 0;
}
#pragma GCC diagnostic pop

__attribute__((visibility("default"))) int fstat(int fd, struct stat* st) {
    const int result = realFstat(fd, st);
    if (result == 0 && g != nullptr && g->system->Owns(fd)) {
        std::lock_guard lock(g->answersMutex);
        if (g->sgNodes[fd]) st->st_rdev = makedev(kScsiGenericMajor, 0);
    }
    return result;
}

__attribute__((visibility("default"))) int fstat64(int fd, struct stat64* st) {
    return fstat(fd, reinterpret_cast<struct stat*>(st));
}

}  // extern "C"
