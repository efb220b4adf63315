#include "confirmation.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <istream>

namespace nflash {
namespace {

bool IsYes(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    answer.erase(0, answer.find_first_not_of(" \t\r"));
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    return answer == "y" || answer == "yes";
}

// Reads one line from the descriptor, giving up when the run is
// interrupted (the signal thread makes the wake descriptor readable).
bool ReadLine(int fd, int wakeFd, std::string& line) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents != 0) return false;
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got <= 0) return !line.empty();
        if (c == '\n') return true;
        line += c;
    }
}

}  // namespace

bool Confirm(const std::string& question, std::ostream& prompt, ProgramContext& context) {
    prompt << question << " [y/N] " << std::flush;
    std::string answer;
    const bool read = context.inputFd >= 0 ? ReadLine(context.inputFd, context.control.WakeFd(), answer)
                                           : static_cast<bool>(std::getline(context.in, answer));
    if (!read) prompt << "\n";
    return read && !context.control.Interrupted() && IsYes(answer);
}

}  // namespace nflash
