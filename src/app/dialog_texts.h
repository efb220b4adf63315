// The texts the window builds from the package and the drive list.
#pragma once

#include <cstdint>
#include <string>

#include "../drive/table/drive_entry.h"

// What a line of the drive list shows of a drive.
struct DriveLineFields {
    int adapter = 0;
    int bus = 0;
    int target = 0;
    int lun = 0;
    std::string rootPath;     // "X:\", or empty
    std::string displayName;  // vendor (8) then product (16)
    std::string revision;
};

// One line of the drive list: "%2d-%d-%d-%d %.2s%24s %4s".
std::string FormatDriveLine(const DriveLineFields& drive);
std::string FormatDriveLine(const DriveEntry& entry);

std::string NoMatchedDriveText(const std::string& driveName, const std::string& detectedDrives);
std::string NoticeText(const std::string& driveName, bool withBatteryPoint);
std::string UpToDateText();
// A drive another program holds exclusively (`holder`: the name it gave, may
// be empty); `rootPath` is the drive's "X:\".
std::string DriveInUseText(const char* rootPath, const std::string& holder);
