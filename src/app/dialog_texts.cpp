#include "dialog_texts.h"

#include <cstdio>
#include <cstring>

#include "../drive/table/entry_text.h"

std::string FormatDriveLine(const DriveLineFields& drive) {
    char line[128];
    std::snprintf(line, sizeof line, "%2d-%d-%d-%d %.2s%24s %4s", drive.adapter, drive.bus, drive.target, drive.lun,
                  drive.rootPath.c_str(), drive.displayName.c_str(), drive.revision.c_str());
    return line;
}

std::string FormatDriveLine(const DriveEntry& entry) {
    // The fields are fixed-width and zero-terminated in the table; bound
    // every read by its field so a damaged row cannot run past it.
    return FormatDriveLine(DriveLineFields{entry.adapter, entry.bus, entry.target, entry.lun,
                                           EntryField(entry.rootPath, sizeof entry.rootPath),
                                           EntryField(entry.displayName, sizeof entry.displayName),
                                           EntryField(entry.revision, sizeof entry.revision)});
}

std::string NoMatchedDriveText(const std::string& driveName, const std::string& detectedDrives) {
    std::string text;
    text += "No matched drive detected !\n";
    text += "This utility is only for ";
    text += driveName;
    text += " drive.\n\n";
    text += "Detected drives :\n";
    text += detectedDrives;
    return text;
}

std::string NoticeText(const std::string& driveName, bool withBatteryPoint) {
    std::string text;
    text += "This flash utility only supports ";
    text += driveName;
    text += " drive.\n\n";
    text += "NOTICE : \n\n";
    text += "1> Please REMOVE disc and close all applications before running this utility !\n";
    text += "2> Don't turn off the system while flash is in progress. \n";
    if (withBatteryPoint) {
        text += "3> Don't remove the adapter and battery during F/W reflash processing. \n";
    }
    text += "\nDo you wish to continue ?";
    return text;
}

std::string UpToDateText() {
    std::string text;
    text += "Your drive's Firmware is already the most updated !\n ";
    text += "Do you wish to continue ?";
    return text;
}

std::string DriveInUseText(const char* rootPath, const std::string& holder) {
    const std::string program = holder.empty() ? "another program" : "another program (" + holder + ")";
    return "The drive " + std::string(rootPath, strnlen(rootPath, 2)) + " is in use by " + program +
           " and will not be updated.\nClose that program and run the update again.";
}
