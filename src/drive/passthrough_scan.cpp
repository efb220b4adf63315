// Finding drives by their drive letters, for the pass-through transport.
#include <cstring>

#include "device_open.h"
#include "drive_manager.h"

namespace {

constexpr std::uint8_t kStorageDescriptorLength = 40;

// The system's list of root strings ("C:\", zero, "D:\", zero, ..., zero),
// held in a zeroed block of the process heap for as long as it is walked.
class DriveStringList {
public:
    DriveStringList() {
        size_ = GetLogicalDriveStringsA(0, nullptr);
        if (size_ == 0) return;
        heap_ = GetProcessHeap();
        if (heap_ != nullptr) text_ = static_cast<char*>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, size_));
        if (text_ == nullptr) {
            failed_ = true;
            return;
        }
        // A list that grew since the size was asked for is not copied; the
        // zeroed block then reads as an empty list.
        GetLogicalDriveStringsA(size_, text_);
    }
    ~DriveStringList() {
        if (text_ != nullptr) HeapFree(heap_, 0, text_);
    }
    DriveStringList(const DriveStringList&) = delete;
    DriveStringList& operator=(const DriveStringList&) = delete;

    bool Failed() const { return failed_; }

    // Calls visit(root) for each root string, first to last. The walk never
    // leaves the block, even when the list lacks its final empty string.
    template <typename Visit>
    void ForEachRoot(Visit visit) const {
        DWORD at = 0;
        while (text_ != nullptr && at < size_ && text_[at] != '\0') {
            const DWORD length = static_cast<DWORD>(strnlen(text_ + at, size_ - at));
            if (at + length >= size_) return;  // unterminated last string
            visit(text_ + at);
            at += length + 1;
        }
    }

private:
    DWORD size_ = 0;
    HANDLE heap_ = nullptr;
    char* text_ = nullptr;
    bool failed_ = false;
};

bool IsCdrom(const char* root) { return GetDriveTypeA(root) == DRIVE_CDROM; }

void CopyRootPath(char (&rootPath)[4], const char* root) {
    std::memset(rootPath, 0, sizeof rootPath);
    std::strncpy(rootPath, root, sizeof rootPath - 1);
}

// A drive whose address query fails gets an address of its own, with adapter
// numbers from 2 upwards in discovery order; ports 0 and 1 are the ones real
// controllers use first.
void GiveSyntheticAddress(DriveEntry& row, std::int16_t& synthetic) {
    row.adapter = static_cast<std::int16_t>(synthetic + 2);
    row.target = row.lun = row.bus = 0;
    ++synthetic;
}

}  // namespace

void DriveManager::ScanPassThrough() {
    DriveStringList list;
    int r = 0;
    std::int16_t synthetic = 0;
    list.ForEachRoot([&](const char* root) {
        if (r >= kMaxDrives || !IsCdrom(root)) return;  // a 17th drive is ignored
        DriveEntry& row = table.drives[r];
        std::memset(&row, 0, sizeof row);
        CopyRootPath(row.rootPath, root);
        std::int16_t port = 0, pathId = 0, targetId = 0, lunId = 0;
        if (QueryScsiAddress(row.rootPath, port, pathId, targetId, lunId)) {
            row.present = 1;
            if (port == -1 && targetId == -1) {
                GiveSyntheticAddress(row, synthetic);
            } else {
                row.adapter = port;
                row.target = targetId;
                row.lun = lunId;
                row.bus = pathId;
            }
        }
        QueryStorageDescriptor(row.rootPath, row.storageDescriptor);
        // A letter whose device cannot be opened leaves no row behind, so it
        // takes no room from the drives after it.
        if (row.present) {
            ++r;
        } else {
            std::memset(&row, 0, sizeof row);
        }
    });
}

std::uint8_t DriveManager::QueryScsiAddress(const char* rootPath, std::int16_t& port,
                                            std::int16_t& pathBus, std::int16_t& targetId,
                                            std::int16_t& lunId) {
    DeviceHandle device(rootPath);
    if (!device.IsOpen()) return 0;
    SCSI_ADDRESS address{};
    DWORD returned = 0;
    if (!DeviceIoControl(device.Get(), IOCTL_SCSI_GET_ADDRESS, &address, sizeof address, &address,
                         sizeof address, &returned, nullptr)) {
        port = targetId = -1;  // the caller gives the drive a synthetic address
        return 1;
    }
    if (address.Length == 0) return 0;
    port = address.PortNumber;
    pathBus = address.PathId;
    targetId = address.TargetId;
    lunId = address.Lun;
    return 1;
}

// The leading zero bytes of the area ask for the standard device property.
std::uint8_t DriveManager::QueryStorageDescriptor(const char* rootPath, std::uint8_t* area) {
    DeviceHandle device(rootPath);
    if (!device.IsOpen()) return 0;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, area,
                                    kStorageDescriptorLength, area, kStorageDescriptorLength,
                                    &returned, nullptr);
    return ok ? 1 : 0;
}

std::int16_t DriveManager::CountCdromLetters() {
    DriveStringList list;
    if (list.Failed()) return -1;
    std::int16_t count = 0;
    list.ForEachRoot([&](const char* root) {
        if (IsCdrom(root)) ++count;
    });
    return count;
}
