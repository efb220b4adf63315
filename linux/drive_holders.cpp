#include "drive_holders.h"

#include <libmount/libmount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <system_error>

namespace nflash {
namespace {

namespace fs = std::filesystem;

struct TableUnref {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct IterFree {
    void operator()(libmnt_iter* iter) const { mnt_free_iter(iter); }
};

bool IsPid(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// What a descriptor has open, when it is a device node: stat follows the
// /proc link to the inode itself, whatever name it was opened by.
std::optional<DeviceNumber> DeviceOf(const fs::path& fd) {
    struct stat info {};
    if (::stat(fd.c_str(), &info) != 0) return std::nullopt;
    if (S_ISBLK(info.st_mode)) return DeviceNumber{true, info.st_rdev};
    if (S_ISCHR(info.st_mode)) return DeviceNumber{false, info.st_rdev};
    return std::nullopt;
}

bool OpensNode(const fs::path& fdDir, const OpticalDrive& drive) {
    std::error_code error;
    for (const fs::directory_entry& fd : fs::directory_iterator(fdDir, error)) {
        const std::optional<DeviceNumber> device = DeviceOf(fd.path());
        if (device && std::find(drive.numbers.begin(), drive.numbers.end(), *device) != drive.numbers.end()) {
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

std::optional<dev_t> BlockNumber(const OpticalDrive& drive) {
    for (const DeviceNumber& n : drive.numbers) {
        if (n.block) return n.number;
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> MountsOf(const SystemPaths& paths, const OpticalDrive& drive) {
    std::vector<std::string> mounts;
    const std::optional<dev_t> block = BlockNumber(drive);
    if (!block) return mounts;
    const std::unique_ptr<libmnt_table, TableUnref> table(
        mnt_new_table_from_file((paths.proc / "self" / "mountinfo").c_str()));
    const std::unique_ptr<libmnt_iter, IterFree> iter(mnt_new_iter(MNT_ITER_FORWARD));
    if (!table || !iter) return mounts;
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        if (mnt_fs_get_devno(fs) != *block) continue;
        const char* type = mnt_fs_get_fstype(fs);
        mounts.push_back(std::string("mounted at ") + mnt_fs_get_target(fs) + " (" + (type ? type : "?") + ")");
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
