#include "flash_threads.h"

#include <exception>
#include <memory>
#include <span>
#include <thread>

#include "drive_flash.h"
#include "run_log_text.h"
#include "src/package/settings.h"
#include "tools/pack/sha256.h"
#include "wire_command.h"

namespace nflash {
namespace {

FlashOrder OrderFor(const DriveReport& r, const UpdaterFile& file, RunMode mode) {
    const pkg::PackageReader package = file.Package();
    FlashOrder order;
    order.loaders = file.LoaderStoreBytes();
    order.image = file.Image(r.decision.bank);
    order.imageSize = package.BinSize(r.decision.bank);
    order.bootCode = CurrentSettings().bootCode;
    order.mode = mode;
    return order;
}

std::vector<std::string> RunLabels(const RunReport& report) {
    std::vector<std::string> labels;
    for (const DriveReport& r : report.drives) labels.push_back(r.chosen ? r.drive.CommandPath().string() : "");
    return labels;
}

}  // namespace

void FlashChosenDrives(RunReport& report, HeldDrives& held, const UpdaterFile& file, RunMode mode,
                       ProgramContext& context, Console& console) {
    context.control.SetDrives(RunLabels(report));
    std::vector<std::unique_ptr<FlashProgress>> progress(report.drives.size());
    std::vector<Console::Row> rows;
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < report.drives.size(); ++i) {
        DriveReport& r = report.drives[i];
        if (!r.chosen) continue;
        const FlashOrder order = OrderFor(r, file, mode);
        r.imageSha256 = pack::Sha256Hex(std::span(order.image, static_cast<std::size_t>(order.imageSize)));
        if (context.log != nullptr) context.log->Line(FlashLogLine(r, order.imageSize, order.bootCode));
        progress[i] = std::make_unique<FlashProgress>(static_cast<std::uint32_t>(order.imageSize) / wire::kPieceSize);
        rows.push_back(Console::Row{r.drive.CommandPath().string(), progress[i].get()});
        SgIoTransport& transport = *held.drives.at(i).transport;
        workers.emplace_back([&r, i, &transport, order, &p = *progress[i], &context] {
            try {
                FlashOneDrive(r, i, transport, order, p, context);
            } catch (const std::exception& e) {
                r.result = DriveResult::Failed;
                r.error = std::string("internal error: ") + e.what();
            }
        });
    }
    console.StartProgress(std::move(rows));
    for (std::thread& worker : workers) worker.join();
    console.StopProgress();
    for (const DriveReport& r : report.drives) {
        if (r.chosen && context.log != nullptr) context.log->Line(ResultLogLine(r));
    }
}

}  // namespace nflash
