// A machine of the tests' own making for norvek-flash: the sysfs tree the
// kernel would show for the drives of a scenario, their device nodes, and a
// /proc with this process's status, mounts and other programs' open files.
// The test build of the program (norvek-flash-test) is pointed at it with
// NORVEK_SYSFS_ROOT, NORVEK_DEV_ROOT and NORVEK_PROC_ROOT.
//
// Drive i of the scenario becomes SCSI device adapter:0:target:lun with the
// nodes sg<i> and sr<i> (the same numbering the preload library serves).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sim/scenario/scenario.h"

namespace sgsim {

struct HoldingProcess {
    int pid = 0;
    std::string command;  // comm
    std::string node;     // "sr0", "bsg/0:0:0:0": the node (under <dev>) it holds open
};

struct MachineOptions {
    std::map<int, std::uint32_t> maxTransferKb;  // by drive; default 512
    std::map<int, std::string> mountedAt;        // by drive: mount point of its sr device
    std::vector<HoldingProcess> holders;
    // Who runs the program: what /proc/self/status claims, and what an
    // in-process run is given as its privileges (the program itself asks
    // the kernel, never this made-up status).
    bool root = true;            // uid 0 and all capabilities
    bool rawIoOnly = false;      // a user with CAP_SYS_RAWIO alone
    std::vector<int> withoutSg;  // drives whose sg node is missing
    // Other names of a node ("scd3" for "sr3"), as a container or an old
    // udev rule makes them: the same device under another path.
    std::map<std::string, std::string> aliases;
};

class FakeMachine {
public:
    FakeMachine(std::filesystem::path root, const scenariofile::Scenario& scenario, const MachineOptions& options = {});

    std::filesystem::path Sys() const { return root_ / "sys"; }
    std::filesystem::path Dev() const { return root_ / "dev"; }
    std::filesystem::path Proc() const { return root_ / "proc"; }
    std::filesystem::path SgNode(int drive) const { return Dev() / ("sg" + std::to_string(drive)); }
    std::filesystem::path SrNode(int drive) const { return Dev() / ("sr" + std::to_string(drive)); }
    std::filesystem::path BsgNode(int drive) const;  // <dev>/bsg/H:C:T:L
    // The nodes are device nodes (made as root); else plain files, and
    // nothing can be found holding them by device number.
    bool DeviceNodes() const { return deviceNodes_; }

    // The kernel dropped drive `drive` and added it again: its sg node is
    // now sg<number>, at the same address.
    void MoveSgNode(int drive, int number);

private:
    void MakeNode(const std::filesystem::path& path, mode_t type, int major, int minor);
    void WriteDrive(int index, const scenariofile::DriveSlot& slot, const MachineOptions& options);
    void WriteProc(const MachineOptions& options);

    std::filesystem::path root_;
    std::map<int, std::filesystem::path> deviceDirs_;  // by drive
    std::map<int, std::string> bsgNodes_;               // by drive: its address
    bool deviceNodes_ = true;
};

// Writes `text` to `path`, making its folders.
void WriteFile(const std::filesystem::path& path, const std::string& text);

// The whole file; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

}  // namespace sgsim
