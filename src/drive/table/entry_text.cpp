#include "entry_text.h"

#include <cstring>

std::string EntryField(const char* field, std::size_t width) { return std::string(field, strnlen(field, width)); }

std::string EntryAddress(const DriveEntry& entry) {
    return std::to_string(entry.adapter) + "-" + std::to_string(entry.bus) + "-" + std::to_string(entry.target) +
           "-" + std::to_string(entry.lun);
}

std::string EntryLabel(const DriveEntry& entry) {
    return entry.rootPath[0] != 0 ? std::string(entry.rootPath, 2) : EntryAddress(entry);
}
