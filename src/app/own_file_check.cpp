#include "own_file_check.h"

#include <fstream>
#include <vector>

#include "../package/pe_checksum.h"
#include "../platform/win32.h"

namespace {

constexpr char kAdvice[] = "\n\nNo drive was changed. Please download the updater again.";

}  // namespace

// The file is read through the standard library with the name the system
// gives for the running module: the same ANSI name the program was started
// by, on both families.
std::optional<std::string> OwnFileProblem() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string("This updater cannot find its own file, so it cannot check that it is undamaged.") +
               kAdvice;
    }
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in || bytes.empty()) {
        return std::string("This updater cannot read its own file ") + path +
               ", so it cannot check that it is undamaged." + kAdvice;
    }
    const pkg::PeChecksumCheck check = pkg::CheckPeChecksum(bytes);
    if (check.Matches()) return std::nullopt;
    return "This updater's file is damaged or was changed after it was packed: " + check.Problem() + "." + kAdvice;
}
