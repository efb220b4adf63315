#include "commands.h"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "block_locator.h"
#include "block_writer.h"
#include "file_bytes.h"
#include "loader_locator.h"
#include "manifest.h"
#include "package_inspector.h"
#include "package_plan.h"
#include "package_rules.h"
#include "sha256.h"
#include "src/package/pe_checksum.h"

namespace pack {
namespace {

namespace fs = std::filesystem;

int Fail(std::ostream& err, const Error& e) {
    err << "norvek-pack: " << e.message << "\n";
    return static_cast<int>(e.code);
}

// Recomputes the PE CheckSum, or says why there is none to recompute.
std::string UpdateChecksum(std::vector<std::uint8_t>& file) {
    const auto sum = pkg::WritePeChecksum(file);
    if (!sum) return "no PE header: checksum not written";
    return "PE checksum " + pkg::ChecksumHex(*sum);
}

std::string ChecksumStatus(std::span<const std::uint8_t> file) {
    const pkg::PeChecksumCheck check = pkg::CheckPeChecksum(file);
    if (!check.hasHeader) return "PE checksum: none (no PE header)";
    if (check.Matches()) return "PE checksum: " + pkg::ChecksumHex(check.stored) + " (matches)";
    return "PE checksum: " + pkg::ChecksumHex(check.stored) + ", the file sums to " + pkg::ChecksumHex(check.computed);
}

// The package the build writes, or the error that stops it.
Result<PackageModel> LoadPlan(const BuildOptions& options) {
    auto manifest = ReadManifest(options.manifestPath);
    if (!manifest) return manifest.error();
    return PlanPackage(manifest.value());
}

std::optional<Error> CheckTemplate(const pkg::PackageReader& block, const BuildOptions& options) {
    if (IsTemplate(block) || options.force) return std::nullopt;
    return Error{ExitCode::kRefused, options.templatePath.string() + " already holds a package (title \"" +
                                         block.Title() + "\"); use --force to pack it again"};
}

std::string LoaderLine(const LoaderSet& loaders) {
    if (loaders.state != LoaderRecordState::kFound) return "Loaders:     unknown (" + loaders.problem + ")";
    std::string line = "Loaders:     " + LoaderSetName(loaders) + ", sha256 " + DigestHex(loaders.sha256);
    if (loaders.testSet) line += " (test build, not for real drives)";
    return line;
}

// A template whose loaders could end up in a real drive only when they are
// known to be the maker's: the generated set is random bytes to a drive's
// controller, and a file that cannot say what it carries is no better.
std::optional<Error> CheckLoaders(const LoaderSet& loaders, const BuildOptions& options) {
    const std::string name = options.templatePath.string();
    if (loaders.state == LoaderRecordState::kDamaged) {
        return Error{ExitCode::kNoBlock, name + ": " + loaders.problem + "; its loaders cannot be trusted"};
    }
    if (options.testLoaders) return std::nullopt;
    if (loaders.state == LoaderRecordState::kMissing) {
        return Error{ExitCode::kRefused, "refused: " + name + ": " + loaders.problem +
                                             "; pass --test-loaders to pack it for tests and demos only"};
    }
    if (!loaders.testSet) return std::nullopt;
    return Error{ExitCode::kRefused,
                 "refused: " + name + " carries the generated test loader set (sha256 " + DigestHex(loaders.sha256) +
                     "): on a real drive its loaders, random bytes, would be uploaded as controller code. Build the "
                     "template with NORVEK_LOADER_FILE set to the drive maker's loader file, or pass --test-loaders "
                     "to pack it for tests and demos only"};
}

// The manifest says which loaders the file it came from carries, so nobody
// reads it as a release package by mistake.
std::string ManifestHeader(const fs::path& file, const LoaderSet& loaders) {
    const std::string from = "# Read from " + file.filename().string();
    if (loaders.state != LoaderRecordState::kFound) return from + ", whose loaders are unknown.\n";
    std::string header = from + ", which carries the " + LoaderSetName(loaders) + " of loaders (sha256 " +
                         DigestHex(loaders.sha256) + ").\n";
    if (loaders.testSet) header += "# A test package: not for real drives.\n";
    return header;
}

std::optional<Error> WriteManifestOut(const PackageModel& model, const fs::path& manifestPath,
                                      const std::string& header) {
    const fs::path folder = manifestPath.parent_path();
    std::error_code ec;
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (ec) return Error{ExitCode::kWriteFailed, "cannot create " + folder.string() + ": " + ec.message()};
    std::vector<std::string> names;
    for (std::size_t b = 0; b < model.banks.size(); ++b) {
        names.push_back(manifestPath.stem().string() + "-bank" + std::to_string(b + 1) + ".bin");
        if (auto e = WriteFileAtomically(folder / names.back(), model.banks[b].image)) return e;
    }
    const std::string text = header + ManifestText(model, names);
    return WriteFileAtomically(manifestPath,
                               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace

int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err) {
    auto file = ReadFileBytes(options.templatePath);
    if (!file) return Fail(err, file.error());
    std::vector<std::uint8_t>& bytes = file.value();
    const auto located = LocateBlock(bytes);
    if (!located)
        return Fail(err, Error{located.error().code, options.templatePath.string() + ": " + located.error().message});
    std::uint8_t* block = bytes.data() + located.value();
    if (auto e = CheckTemplate(pkg::PackageReader(block), options)) return Fail(err, *e);
    const LoaderSet loaders = LocateLoaderSet(bytes);
    if (auto e = CheckLoaders(loaders, options)) return Fail(err, *e);

    auto plan = LoadPlan(options);
    if (!plan) return Fail(err, plan.error());
    WriteBlock(plan.value(), block);
    if (auto mismatch = ReadBackMismatch(plan.value(), pkg::PackageReader(block))) {
        return Fail(err, Error{ExitCode::kRefused, "refused: " + *mismatch});
    }
    const std::string checksum = UpdateChecksum(bytes);
    if (auto e = WriteFileAtomically(options.outputPath, bytes, &options.templatePath)) return Fail(err, *e);

    out << "Wrote " << options.outputPath.string() << " (package block at file offset " << located.value() << ", "
        << checksum << ")\n";
    out << LoaderLine(loaders) << "\n";
    PrintInspection(Inspect(pkg::PackageReader(block)), pkg::PackageReader(block), out);
    for (const std::string& note : Notes(plan.value())) out << "note: " << note << "\n";
    return static_cast<int>(ExitCode::kOk);
}

int RunInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
    auto file = ReadFileBytes(options.file);
    if (!file) return Fail(err, file.error());
    const std::vector<std::uint8_t>& bytes = file.value();
    const auto located = LocateBlock(bytes);
    if (!located) return Fail(err, Error{located.error().code, options.file.string() + ": " + located.error().message});
    const pkg::PackageReader block(bytes.data() + located.value());
    const Inspection inspection = Inspect(block);

    const LoaderSet loaders = LocateLoaderSet(bytes);
    out << "File:        " << options.file.string() << " (package block at file offset " << located.value() << ")\n";
    out << LoaderLine(loaders) << "\n";
    PrintInspection(inspection, block, out);
    out << ChecksumStatus(bytes) << "\n";
    if (!options.manifestOut) return static_cast<int>(ExitCode::kOk);

    auto model = ToModel(inspection, block);
    if (!model) return Fail(err, model.error());
    if (auto e = WriteManifestOut(model.value(), *options.manifestOut, ManifestHeader(options.file, loaders)))
        return Fail(err, *e);
    out << "Wrote manifest " << options.manifestOut->string() << "\n";
    return static_cast<int>(ExitCode::kOk);
}

}  // namespace pack
