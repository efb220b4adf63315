#include "drive_holders.h"

#include <unistd.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

namespace nflash {
namespace {

namespace fs = std::filesystem;

// mountinfo writes blanks, tabs, line feeds and backslashes as \ooo.
std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
                           std::isdigit(static_cast<unsigned char>(field[i + 2])) &&
                           std::isdigit(static_cast<unsigned char>(field[i + 3]));
        if (octal) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// One mountinfo line: "36 35 11:0 / /media/disc ro,relatime shared:1 - iso9660 /dev/sr0 ro".
struct MountLine {
    std::string device;
    std::string mountPoint;
    std::string type;
};

bool ParseMountLine(const std::string& line, MountLine& mount) {
    std::istringstream in(line);
    std::string id, parent, root, options, field;
    if (!(in >> id >> parent >> mount.device >> root >> mount.mountPoint >> options)) return false;
    while (in >> field && field != "-") {
    }
    if (field != "-" || !(in >> mount.type)) return false;
    mount.mountPoint = Unescape(mount.mountPoint);
    return true;
}

bool IsPid(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool OpensNode(const fs::path& fdDir, const OpticalDrive& drive) {
    std::error_code error;
    for (const fs::directory_entry& fd : fs::directory_iterator(fdDir, error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(fd.path(), linkError);
        if (linkError) continue;
        if ((!drive.sgPath.empty() && target == drive.sgPath) || (!drive.srPath.empty() && target == drive.srPath)) {
            return true;
        }
    }
    return false;
}

std::string CommandName(const fs::path& processDir) {
    std::ifstream in(processDir / "comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

}  // namespace

std::vector<std::string> MountsOf(const SystemPaths& paths, const OpticalDrive& drive) {
    std::vector<std::string> mounts;
    if (drive.srDevice.empty()) return mounts;
    std::ifstream in(paths.proc / "self" / "mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        MountLine mount;
        if (ParseMountLine(line, mount) && mount.device == drive.srDevice) {
            mounts.push_back("mounted at " + mount.mountPoint + " (" + mount.type + ")");
        }
    }
    return mounts;
}

std::vector<std::string> ProcessesHolding(const SystemPaths& paths, const OpticalDrive& drive) {
    std::vector<std::string> holders;
    const std::string self = std::to_string(getpid());
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator(paths.proc, error)) {
        const std::string pid = process.path().filename().string();
        if (!IsPid(pid) || pid == self) continue;
        if (OpensNode(process.path() / "fd", drive)) {
            holders.push_back("process " + pid + " (" + CommandName(process.path()) + ")");
        }
    }
    return holders;
}

std::string DescribeHolders(const SystemPaths& paths, const OpticalDrive& drive) {
    std::string text;
    auto add = [&text](const std::vector<std::string>& clauses) {
        for (const std::string& clause : clauses) text += (text.empty() ? "" : "; ") + clause;
    };
    add(MountsOf(paths, drive));
    add(ProcessesHolding(paths, drive));
    return text;
}

}  // namespace nflash
