#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace e2e {
namespace {

long long MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                           const std::string& input) {
    int outPipe[2];
    int errPipe[2];
    int inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) return;
    start_ = std::chrono::steady_clock::now();
    startedAt_ = MonotonicNow();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) close(fd);
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        // The test process may block signals (the program's own tests do);
        // a child starts with none blocked, as from a shell.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!input.empty()) [[maybe_unused]]
        const ssize_t written = write(inPipe[1], input.data(), input.size());
    close(inPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {out_, err_}) {
        if (fd >= 0) close(fd);
    }
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

Finished ChildProcess::Wait(std::chrono::seconds limit) {
    Finished finished;
    const auto deadline = start_ + limit;
    int open = 2;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? finished.out : finished.err).append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
    if (open > 0) kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    finished.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    return finished;
}

Finished RunToEnd(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                  const std::string& input) {
    ChildProcess child(argv, env, input);
    return child.Wait();
}

}  // namespace e2e
