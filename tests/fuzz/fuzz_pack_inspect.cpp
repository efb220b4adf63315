// Fuzzes `norvek-pack inspect` (RunInspect, with and without --manifest-out)
// on files made from the input.
//
// Input: a flags byte, then either the whole file (flag kEmbed clear) or a
// length byte, that many bytes of file head, and bytes written over a
// template block that follows the head (flag kEmbed set). A whole block
// takes a megabyte, which a fuzzer input should not need to be; the
// template supplies what the input leaves out. With kTruncate, the last
// input byte says how much of the file's end is cut off.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/pack/commands.h"
#include "tools/pack/manifest.h"
#include "tools/pack/pack_result.h"
#include "src/package/package_layout.h"
#include "src/package/package_reader.h"

namespace {

namespace fs = std::filesystem;
using fuzz::Require;

constexpr std::uint8_t kEmbed = 0x01;         // a template block after a head from the input
constexpr std::uint8_t kManifestOut = 0x02;   // also write the manifest back
constexpr std::uint8_t kTruncate = 0x04;      // cut the file short inside the block
constexpr std::uint8_t kSecondBlock = 0x08;   // a second whole block after the first
constexpr std::size_t kTruncateStep = 4099;   // odd, so cuts land anywhere in a field

// A folder of this process's own, removed when the run ends.
const fs::path& WorkDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("norvek-fuzz-inspect-" + std::to_string(getpid()));
        fs::create_directories(d);
        std::atexit([] { std::error_code ec; fs::remove_all(WorkDir(), ec); });
        return d;
    }();
    return dir;
}

std::vector<std::uint8_t> EmbeddedFile(std::uint8_t flags, const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    const std::size_t head = std::min<std::size_t>(data[0], size - 1);
    std::vector<std::uint8_t> file(data + 1, data + 1 + head);
    const std::uint8_t* block = pkg::EmbeddedBlock();
    file.insert(file.end(), block, block + pkg::kBlockSize);
    const std::size_t rest = std::min(size - 1 - head, pkg::kBlockSize);
    std::copy_n(data + 1 + head, rest, file.begin() + static_cast<std::ptrdiff_t>(head));
    if (flags & kSecondBlock) file.insert(file.end(), block, block + pkg::kBlockSize);
    if (flags & kTruncate) {
        const std::size_t cut = std::min(file.size(), (data[size - 1] + 1u) * kTruncateStep);
        file.resize(file.size() - cut);
    }
    return file;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "the input file could be written");
}

bool IsExitCode(int code) {
    return code >= static_cast<int>(pack::ExitCode::kOk) && code <= static_cast<int>(pack::ExitCode::kWriteFailed);
}

void Inspect(const fs::path& file, bool manifestOut) {
    pack::InspectOptions options;
    options.file = file;
    const fs::path manifest = WorkDir() / "out" / "package.toml";
    if (manifestOut) options.manifestOut = manifest;
    std::ostringstream out, err;
    const int code = pack::RunInspect(options, out, err);
    Require(IsExitCode(code), "inspect ends with a documented exit code");
    Require((code == 0) == err.str().empty(), "an error is reported exactly when inspect fails");
    if (code != 0) return;
    Require(out.str().find("Kind:") != std::string::npos, "a successful inspect prints the package");
    // A manifest written back must read again, or the package cannot be rebuilt from it.
    if (manifestOut) Require(pack::ReadManifest(manifest).ok(), "the manifest written back reads again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::vector<std::uint8_t> file =
        (flags & kEmbed) ? EmbeddedFile(flags, data + 1, size - 1) : std::vector<std::uint8_t>(data + 1, data + size);
    const fs::path path = WorkDir() / "input.exe";
    WriteFile(path, file);
    Inspect(path, (flags & kManifestOut) != 0);
    std::error_code ec;
    fs::remove_all(WorkDir() / "out", ec);
    return 0;
}
