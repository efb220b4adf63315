#include "updater_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "src/drive/command_codes.h"
#include "src/flash/image_pieces.h"
#include "src/package/pe_checksum.h"
#include "tools/pack/block_locator.h"
#include "tools/pack/sha256.h"

namespace nflash {
namespace {

// The whole file in one read of its size: the program's first command waits
// on this, and a character-wise stream read costs several times as much.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        problem = "cannot open " + path.string() + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    const int error = errno;
    ::close(fd);
    if (done != bytes.size()) {
        problem = "cannot read " + path.string() + ": " + std::strerror(error);
        return std::nullopt;
    }
    return bytes;
}

LoadedFile Refusal(ExitCode code, std::string message) {
    LoadedFile loaded;
    loaded.code = code;
    loaded.message = std::move(message);
    return loaded;
}

// The image of a bank in use must be whole pieces inside the image area
// (src/flash/image_pieces.h says why); the packer refuses such a package,
// and so does this.
std::optional<std::string> BankProblem(const pkg::PackageReader& package, int bank) {
    const std::int64_t start = package.BinStart(bank);
    const std::int64_t size = package.BinSize(bank);
    const std::string name = "bank " + std::to_string(bank + 1);
    if (start < 0) return name + " starts at " + std::to_string(start);
    if (!IsWholePieces(size)) {
        return name + " has " + std::to_string(size) + " bytes, not a positive multiple of " +
               std::to_string(wire::kPieceSize);
    }
    if (!pkg::RangeInImageArea(start, size)) return name + " reaches past the 1 MiB image area";
    return std::nullopt;
}

std::optional<LoadedFile> PackageProblem(const pkg::PackageReader& package, const std::string& name) {
    if (package.HowManyBin() == 0 || package.ImageAreaEmpty()) {
        return Refusal(ExitCode::BadInput,
                       name + " carries no firmware (\"No F/W in executable !\"): it is an unpacked template");
    }
    for (int bank = 0; bank < pkg::BanksInUse(package.HowManyBin()); ++bank) {
        if (auto problem = BankProblem(package, bank)) {
            return Refusal(ExitCode::BadInput, name + " has a damaged package: " + *problem);
        }
    }
    return std::nullopt;
}

// The file must be the one that was packed: the packer writes the PE
// checksum (signing keeps it right), and a signature must match the bytes.
std::optional<LoadedFile> IntegrityProblem(UpdaterFile& file, const std::string& name) {
    const pkg::PeChecksumCheck checksum = pkg::CheckPeChecksum(file.bytes);
    if (!checksum.hasHeader) {
        return Refusal(ExitCode::BadInput, name + " is not an updater as the packer writes it: " + checksum.Problem());
    }
    if (!checksum.Matches()) {
        return Refusal(ExitCode::BadInput, name + " is damaged or was changed after it was packed: " +
                                               checksum.Problem() + ". Download the updater again.");
    }
    file.peChecksum = checksum.stored;
    file.signature = CheckAuthenticode(file.bytes);
    if (file.signature.state == SignatureCheck::State::Refused) {
        return Refusal(ExitCode::BadInput, name + " cannot be trusted: " + file.signature.problem);
    }
    return std::nullopt;
}

std::optional<LoadedFile> LoaderProblem(const pack::LoaderSet& set, const std::string& name, bool allowTestLoaders) {
    if (set.state != pack::LoaderRecordState::kFound) {
        return Refusal(ExitCode::BadInput, name + ": " + set.problem + "; its loaders cannot be trusted");
    }
    if (set.testSet && !allowTestLoaders) {
        return Refusal(ExitCode::Refused,
                       name + " carries the generated test loader set (sha256 " + pack::DigestHex(set.sha256) +
                           "): its loaders are random bytes for virtual drives and would be run by a real "
                           "drive's controller. Use the maker's release, or --test-loaders with virtual drives.");
    }
    return std::nullopt;
}

}  // namespace

const std::uint8_t* UpdaterFile::Image(int bank) const {
    const pkg::PackageReader package = Package();
    return package.ImageArea() + package.BinStart(bank);
}

LoadedFile LoadUpdaterFile(const std::filesystem::path& path, bool allowTestLoaders) {
    const std::string name = path.string();
    std::string problem;
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, problem);
    if (!bytes) return Refusal(ExitCode::BadInput, problem);

    UpdaterFile file;
    file.path = path;
    file.bytes = std::move(*bytes);
    const pack::Result<std::size_t> block = pack::LocateBlock(file.bytes);
    if (!block && block.error().absent) return Refusal(ExitCode::BadInput, name + " is not a Norvek updater file");
    if (!block) return Refusal(ExitCode::BadInput, name + ": " + block.error().message);
    file.blockOffset = block.value();
    if (auto problem = PackageProblem(file.Package(), name)) return *problem;
    if (auto problem = IntegrityProblem(file, name)) return *problem;

    file.loaders = pack::LocateLoaderSet(file.bytes);
    if (auto problem = LoaderProblem(file.loaders, name, allowTestLoaders)) return *problem;

    LoadedFile loaded;
    loaded.file = std::move(file);
    return loaded;
}

}  // namespace nflash
