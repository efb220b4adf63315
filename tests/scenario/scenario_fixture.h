// The whole host-built updater (window, managers, workers, timer) on a freshly
// reset simulated machine with the virtual clock, driven like a user would:
// scripted dialog answers, clicks, and hands on the virtual drives.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/app/norvek_main.h"
#include "src/drive/command_codes.h"
#include "src/drive/transport_preference.h"
#include "src/framework/framework.h"
#include "src/framework/headless/headless_loop.h"
#include "src/package/package_reader.h"
#include "support/package_builder.h"
#include "support/pe_image.h"

namespace scenario {

using fw::headless::Answer;
using fw::headless::DialogRecord;
using fw::headless::HeadlessLoop;
using fw::headless::StopReason;

constexpr std::size_t kImageSize = 1048576;  // the demo package's one bank
constexpr std::uint8_t kTestUnitReadyOp = wire::kOpTestUnitReady;
constexpr std::uint8_t kInquiryOp = wire::kOpInquiry;
constexpr std::uint8_t kIdentifyOp = wire::kOpVendorIdentify;
constexpr std::uint8_t kStartStopOp = wire::kOpStartStopUnit;
constexpr std::uint8_t kWriteBufferOp = wire::kOpWriteBuffer;

inline const std::string kDriveName = "VELMORA DVDRW KTV-360R";
inline const std::string kFailureText = "Unable to flash firmware. Please contact with your vendor !";
inline const std::string kSuccessText = "Firmware has been updated successfully !";
inline const std::string kNoticeText =
    "This flash utility only supports VELMORA DVDRW KTV-360R drive.\n\n"
    "NOTICE : \n\n"
    "1> Please REMOVE disc and close all applications before running this utility !\n"
    "2> Don't turn off the system while flash is in progress. \n"
    "\nDo you wish to continue ?";

inline std::string NoMatchText(const std::string& detectedLines) {
    return "No matched drive detected !\nThis utility is only for VELMORA DVDRW KTV-360R drive.\n\n"
           "Detected drives :\n" +
           detectedLines;
}

// A drive clock that holds the worker asking it: first until the UI thread
// has started the run (Start), then again once `seconds` have passed on the
// machine clock since then, until the UI thread lets it go (Open). The only
// way to see on the UI thread what the window shows while a worker is still
// busy, without racing the worker in real time.
class ClockGate {
public:
    std::function<double()> Clock(double seconds) {
        return [this, seconds] {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return started_ || open_; });
            if (sim::NowSeconds() - from_ >= seconds) changed_.wait(lock, [this] { return open_; });
            return sim::NowSeconds();
        };
    }
    void Start() {
        const double now = sim::NowSeconds();
        Set([&] {
            from_ = now;
            started_ = true;
        });
    }
    void Open() {
        Set([this] { open_ = true; });
    }

private:
    void Set(const std::function<void()>& change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    double from_ = 0.0;
    bool started_ = false;
    bool open_ = false;
};

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.Reset();
        machine.SetClockMode(sim::ClockMode::Virtual);
        GiveOwnFile(testpe::PackedPe());
    }

    void TearDown() override {
        gate.Open();
        Close();
        pkg::SetActivePackageForTesting(nullptr);
        SetApplicationTag(0);
        machine.Reset();
        std::filesystem::remove(ownFile);
    }

    // The file the program finds as its own (GetModuleFileNameA) and checks
    // at start-up; a packed one (its checksum right) unless a test gives another.
    void GiveOwnFile(const std::vector<std::uint8_t>& bytes) {
        testpe::WriteFile(ownFile, bytes);
        machine.SetModuleFileName(ownFile.string());
    }

    // A virtual drive behind the next CD-ROM letter (D, E, ...), at SCSI
    // target 0, 1, ... of port 1, so table order is the order added.
    std::shared_ptr<vdrive::Drive> AddDrive(vdrive::DriveConfig config = {}) {
        if (!config.clock) config.clock = sim::NowSeconds;
        auto drive = std::make_shared<vdrive::Drive>(std::move(config));
        sim::CdromDevice device;
        device.drive = drive;
        device.targetId = static_cast<std::uint8_t>(drives.size());
        machine.AddCdrom(static_cast<char>('D' + drives.size()), device);
        drives.push_back(drive);
        return drive;
    }

    // An ASPI manager whose one host adapter holds a new drive at target 0,
    // completing its commands on a background thread.
    std::shared_ptr<vdrive::Drive> InstallAspiDrive() {
        vdrive::DriveConfig config;
        config.clock = sim::NowSeconds;
        auto drive = std::make_shared<vdrive::Drive>(std::move(config));
        sim::AspiManagerConfig aspi;
        aspi.installed = true;
        sim::AspiAdapter adapter;
        adapter.devices[{0, 0}] = sim::AspiDevice{DTYPE_CDROM, drive, sim::AspiCompletion::Background};
        aspi.adapters.push_back(adapter);
        machine.SetAspiManager(aspi);
        return drive;
    }

    // Puts a new drive behind the letter of drive `index` once discovery is
    // over, so that what it is configured with (a long wait, a held clock)
    // meets only the update run.
    std::shared_ptr<vdrive::Drive> ReplaceDrive(std::size_t index, vdrive::DriveConfig config) {
        if (!config.clock) config.clock = sim::NowSeconds;
        auto drive = std::make_shared<vdrive::Drive>(std::move(config));
        const char letter = static_cast<char>('D' + index);
        machine.ConfigureCdrom(letter, [&](sim::CdromDevice& d) { d.drive = drive; });
        drives.at(index) = drive;
        return drive;
    }

    static vdrive::DriveConfig Revision(const std::string& revision) {
        vdrive::DriveConfig config;
        config.revision = revision;
        return config;
    }

    // Starts the program with `answers` scripted for its dialogs: the window's
    // construction is the whole start-up. A program started before is ended.
    void Launch(std::initializer_list<Answer> answers = {Answer::Yes}) {
        Close();
        pkg::SetActivePackageForTesting(package.Data());
        app = std::make_unique<fw::TApplication>(std::make_unique<HeadlessLoop>());
        loop = static_cast<HeadlessLoop*>(&app->Loop());
        loop->Script(answers);
        loop->OnDialog = [this](const DialogRecord& dialog) {
            if (onDialog) onDialog(dialog);
        };
        if (holdDialog) {
            loop->dialogsDispatch = true;
            loop->HoldDialog = holdDialog;
        }
        window = std::make_unique<TNorvekMain>();
    }

    // Runs the message loop until the program ends or waits for the user.
    StopReason RunLoop() {
        app->Run();
        return loop->LastStop();
    }

    void LaunchAndRun(std::initializer_list<Answer> answers = {Answer::Yes}) {
        Launch(answers);
        RunLoop();
    }

    // The user presses Update on the selected drive and waits for the end.
    StopReason UpdateAndRun() {
        window->cmdUpdate.Click();
        return RunLoop();
    }

    void Close() {
        window.reset();
        loop = nullptr;
        app.reset();
    }

    bool Ended() const { return app->Terminated(); }

    const std::vector<DialogRecord>& Dialogs() const { return loop->Dialogs(); }

    std::vector<std::string> DialogTexts() const {
        std::vector<std::string> texts;
        for (const auto& d : Dialogs()) texts.push_back(d.text);
        return texts;
    }

    static void ExpectDialog(const DialogRecord& d, fw::DialogKind kind, const std::string& text,
                             fw::DialogButtons buttons) {
        EXPECT_EQ(d.kind, kind) << d.text;
        EXPECT_EQ(d.text, text);
        EXPECT_EQ(d.buttons, buttons) << d.text;
    }

    std::vector<std::string> ListLines() const { return window->cboDrives.Items(); }

    // The image the package holds for its one bank.
    std::vector<std::uint8_t> Image() const {
        return {package.Image(0), package.Image(0) + kImageSize};
    }

    static int CountOpcode(const vdrive::Drive& drive, std::uint8_t opcode) {
        const auto blocks = drive.CommandBlocks();
        return static_cast<int>(
            std::ranges::count_if(blocks, [opcode](const auto& cdb) { return cdb[0] == opcode; }));
    }

    // Only what discovery sends: readiness, identity and chip queries.
    static bool OnlyDiscovered(const vdrive::Drive& drive) {
        const auto blocks = drive.CommandBlocks();
        return !blocks.empty() && std::ranges::all_of(blocks, [](const auto& cdb) {
                   return cdb[0] == kTestUnitReadyOp || cdb[0] == kInquiryOp || cdb[0] == kIdentifyOp;
               });
    }

    void ExpectFlashed(const vdrive::Drive& drive) const {
        EXPECT_EQ(drive.CommitCount(), 1);
        EXPECT_EQ(drive.Revision(), "1.05");
        EXPECT_TRUE(drive.FlashContents() == Image()) << "flash differs from the bank's image";
    }

    static void ExpectUntouched(const vdrive::Drive& drive) {
        EXPECT_EQ(drive.CommitCount(), 0);
        EXPECT_EQ(drive.Revision(), drive.Config().revision);
        EXPECT_EQ(CountOpcode(drive, kWriteBufferOp), 0);
    }

    sim::Machine& machine = sim::machine();
    const std::filesystem::path ownFile =
        std::filesystem::temp_directory_path() / ("norvek-scenario-own-" + std::to_string(getpid()) + ".exe");
    testpkg::PackageBuilder package = testpkg::PackageBuilder::Demo();
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    // Acts as the user while a dialog is up.
    std::function<void(const DialogRecord&)> onDialog;
    // Set before Launch: dialogs then behave as the platform's modal loop
    // does, delivering worker ends and timer ticks while this holds them up.
    std::function<bool(const DialogRecord&)> holdDialog;
    ClockGate gate;

    std::unique_ptr<fw::TApplication> app;
    HeadlessLoop* loop = nullptr;
    std::unique_ptr<TNorvekMain> window;
};

}  // namespace scenario
