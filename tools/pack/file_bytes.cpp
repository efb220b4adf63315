#include "file_bytes.h"

#include <fstream>
#include <system_error>

namespace pack {

namespace fs = std::filesystem;

Result<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return Error{ExitCode::kBadInput, "cannot open " + path.string()};
    // One read of the whole file: an executable is a megabyte and more, and
    // reading it a character at a time made every inspect slow.
    const std::streamoff size = in.tellg();
    if (size < 0) return Error{ExitCode::kBadInput, "cannot read " + path.string()};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (in.gcount() != size) return Error{ExitCode::kBadInput, "cannot read " + path.string()};
    return bytes;
}

std::optional<Error> WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes,
                                         const fs::path* permissionsFrom) {
    fs::path temp = path;
    temp += ".norvek-pack-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return Error{ExitCode::kWriteFailed, "cannot write " + temp.string()};
        }
    }
    std::error_code ec;
    if (permissionsFrom) {
        const fs::perms perms = fs::status(*permissionsFrom, ec).permissions();
        if (!ec) fs::permissions(temp, perms, ec);
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return Error{ExitCode::kWriteFailed, "cannot write " + path.string() + ": " + ec.message()};
    }
    return std::nullopt;
}

}  // namespace pack
