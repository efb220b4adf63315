#include "package_plan.h"

#include <algorithm>

#include "file_bytes.h"
#include "src/drive/command_codes.h"
#include "package_rules.h"

namespace pack {
namespace {

std::int64_t AlignUp(std::int64_t value, std::int64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

Result<PackageModel> PlanPackage(const Manifest& manifest) {
    PackageModel model;
    model.title = manifest.title;
    model.driveName = manifest.driveName;
    model.settings = manifest.settings;
    // Banks without a start follow the furthest end so far, on a 16 KiB
    // boundary, so the default is end to end in manifest order.
    std::int64_t end = 0;
    for (std::size_t b = 0; b < manifest.banks.size(); ++b) {
        const ManifestBank& wanted = manifest.banks[b];
        auto image = ReadFileBytes(wanted.image);
        if (!image) {
            return Error{ExitCode::kBadInput, "bank " + std::to_string(b + 1) + " image: " + image.error().message};
        }
        BankModel bank;
        bank.start = wanted.start.value_or(AlignUp(end, wire::kPieceSize));
        bank.image = std::move(image.value());
        bank.newRevision = wanted.newRevision;
        bank.slots = wanted.slots;
        end = std::max(end, bank.start + static_cast<std::int64_t>(bank.image.size()));
        model.banks.push_back(std::move(bank));
    }
    const std::vector<std::string> refusals = Refusals(model);
    if (!refusals.empty()) {
        std::string message = "refused:";
        for (const std::string& r : refusals) message += "\n  " + r;
        return Error{ExitCode::kRefused, message};
    }
    return model;
}

}  // namespace pack
