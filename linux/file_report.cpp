#include "file_report.h"

#include <span>

#include "run_log_text.h"
#include "tools/pack/sha256.h"

namespace nflash {

FileReport DescribeFile(const UpdaterFile& file) {
    const pkg::PackageReader package = file.Package();
    FileReport report;
    report.path = file.path.string();
    report.sha256 = pack::Sha256Hex(file.bytes);
    report.title = package.Title();
    report.version = package.Version();
    report.driveName = package.DriveName();
    report.loaderSet = pack::LoaderSetName(file.loaders);
    report.testLoaders = file.loaders.testSet;
    report.loaderSha256 = pack::DigestHex(file.loaders.sha256);
    report.peChecksum = file.peChecksum;
    if (file.signature.state == SignatureCheck::State::Matches) {
        report.signer = file.signature.signer;
        report.signerIssuer = file.signature.issuer;
        report.signatureDigest = file.signature.digest;
    }
    for (int bank = 0; bank < pkg::BanksInUse(package.HowManyBin()); ++bank) {
        const std::int32_t size = package.BinSize(bank);
        report.banks.push_back(
            BankReport{bank + 1, package.BinStart(bank), size, package.NewRevision(bank),
                       pack::Sha256Hex(std::span(file.Image(bank), static_cast<std::size_t>(size)))});
    }
    return report;
}

RunReport& Described(RunReport& report, const UpdaterFile& file, RunLogFile* log) {
    report.file = DescribeFile(file);
    if (log) {
        for (const std::string& line : FileLogLines(*report.file)) log->Line(line);
    }
    return report;
}

}  // namespace nflash
