#include "norvek_main.h"

#include <new>

#include "../drive/transport_preference.h"
#include "../package/settings.h"
#include "collation.h"
#include "dialog_texts.h"
#include "own_file_check.h"

namespace {

fw::TFont Font(const char* name, int height, fw::TColor color, bool bold) {
    return fw::TFont{name, height, color, bold};
}

const fw::TFont kArial = Font("Arial", -11, fw::clBlack, false);
const fw::TFont kVerdanaNavy = Font("Verdana", -11, fw::clNavy, true);
const fw::TFont kTahomaNavy = Font("Tahoma", -11, fw::clNavy, true);
const fw::TFont kTahomaButton = Font("Tahoma", -11, fw::clWindowText, true);
const fw::TFont kCourier = Font("Courier New", -13, fw::clWindowText, false);

constexpr int kSystemMenuSeparatorAndClose = 5;

}  // namespace

TNorvekMain::TNorvekMain()
    : fw::TForm("NorvekMain", {295, 265, 460, 167}, "Norvek"),
      Bevel1(this, "Bevel1", {8, 84, 437, 49}),
      Label1(this, "Label1", {12, 4, 128, 14}, kArial, "Please select target drive :"),
      lblMsg(this, "lblMsg", {16, 92, 56, 13}, kVerdanaNavy, "Message"),
      lblPercent(this, "lblPercent", {400, 112, 34, 13}, kTahomaNavy, "100%"),
      lblUpdateMsg(this, "lblUpdateMsg", {11, 56, 104, 14}, kArial, "t will be updated from"),
      lblNewFW(this, "lblNewFW", {208, 56, 28, 13}, kTahomaNavy, "XXXX"),
      lblOldFW(this, "lblOldFW", {143, 56, 28, 13}, kTahomaNavy, "XXXX"),
      lblTo(this, "lblTo", {186, 56, 9, 14}, kArial, "to"),
      cboDrives(this, "cboDrives", {8, 24, 353, 24}, kCourier, 16),
      pbar(this, "pbar", {16, 112, 373, 13}),
      cmdUpdate(this, "cmdUpdate", {368, 24, 77, 25}, kTahomaButton, "&Update", fw::ButtonKind::Custom),
      cmdClose(this, "cmdClose", {368, 52, 77, 25}, kTahomaButton, "&Close", fw::ButtonKind::Close),
      tmr(this, 100) {
    cboDrives.OnChange = [this](void* sender) { cboDrivesChange(sender); };
    cmdUpdate.OnClick = [this](void* sender) { cmdUpdateClick(sender); };
    cmdClose.OnClick = [this](void* sender) { cmdCloseClick(sender); };
    tmr.OnTimer = [this](void* sender) { tmrTimer(sender); };
    OnDestroy = [this](void* sender) { FormDestroy(sender); };

    if (StartUpFirstHalf()) StartUpSecondHalf();
}

TNorvekMain::~TNorvekMain() {
    Destroy();
    detectedDrivesText.clear();
}

bool TNorvekMain::StartUpFirstHalf() {
    detectedDrivesText.clear();
    SetApplicationTag(kPreferAspiTag);
    fw::Application->Tag = kPreferAspiTag;

    const pkg::PackageReader package = pkg::ActivePackage();
    SetCaption(package.Title());
    if (CompareText(Caption().substr(0, 14), "APP_TITLE_HERE") == 0) {
        SetCaption("Norvek " + package.Version());
    }
    if (const auto problem = OwnFileProblem()) {
        fw::MessageDlg(*problem, fw::DialogKind::Error, fw::DialogButtons::Ok);
        fw::Application->Terminate();
        return false;
    }

    ReadSettings(package);
    const Settings& settings = CurrentSettings();
    if (osInfo.IsNtFamily() && settings.admin) {
        fw::MessageDlg("User must be administrator priority !", fw::DialogKind::Warning,
                       fw::DialogButtons::Ok);
    }
    if (settings.howManyBin == 0) {
        fw::MessageDlg("No F/W in executable !", fw::DialogKind::Error, fw::DialogButtons::Ok);
        fw::Application->Terminate();
        return false;
    }
    lblMsg.SetCaption("");
    lblPercent.SetCaption("0 %");
    pbar.SetPosition(0);
    return true;
}

void TNorvekMain::StartUpSecondHalf() {
    if (!CreateMainManager()) {
        fw::Application->MessageBox("Device object initialize failed !", "Error ...", 16);
        fw::Application->Terminate();
        fw::Application->ProcessMessages();
        return;
    }
    FillDriveList();
    mainManager->CloseDrive();
    cboDrivesChange(nullptr);

    if (!ConfirmMatchedDrives()) return;
    if (CurrentSettings().warning && !ConfirmNotice()) return;
    LockSystemMenu();
    if (CurrentSettings().autoMode) PostAutomaticRun();
}

// The automatic run starts from the message loop, once the window is built:
// an exception in the middle of it then stops at the loop's dispatch, with
// the window and the workers' managers still alive, instead of unwinding the
// constructor under workers that are already flashing.
void TNorvekMain::PostAutomaticRun() {
    fw::Application->Loop().Post([this] { cmdUpdateClick(nullptr); });
}

// A manager whose buffers could not be allocated cannot send a command with
// data, so it counts as not created.
bool TNorvekMain::CreateMainManager() {
    mainManager = new (std::nothrow) DriveManager(true);
    if (mainManager != nullptr) ShowAspiLoadError(*mainManager);
    if (mainManager != nullptr && !mainManager->Usable()) {
        delete mainManager;
        mainManager = nullptr;
    }
    return mainManager != nullptr;
}

// The drive layer gives the reason the ASPI library could not be used; the
// user sees it in the box it names, once per manager that tried.
void TNorvekMain::ShowAspiLoadError(const DriveManager& m) {
    if (!m.aspiLoadError) return;
    fw::Application->MessageBox(m.aspiLoadError->text, m.aspiLoadError->caption,
                                MB_OK | MB_ICONERROR);
}

bool TNorvekMain::ConfirmMatchedDrives() {
    int count = 0;
    for (std::uint16_t i = 0; i < mainManager->GetDriveCount(); ++i) {
        const DriveEntry* entry = mainManager->GetEntry(i);
        if (entry != nullptr && entry->present == 1 && entry->matched == 1) ++count;
    }
    if (count != 0) return true;
    const std::string text =
        NoMatchedDriveText(pkg::ActivePackage().DriveName(), detectedDrivesText);
    fw::MessageDlg(text, fw::DialogKind::Error, fw::DialogButtons::Ok);
    fw::Application->Terminate();
    return false;
}

bool TNorvekMain::ConfirmNotice() {
    const std::string text =
        NoticeText(pkg::ActivePackage().DriveName(), CurrentSettings().nbWarning);
    if (fw::MessageDlg(text, fw::DialogKind::Warning, fw::DialogButtons::YesNo)) return true;
    fw::Application->Terminate();
    return false;
}

// Removing the separator and then the close command leaves the Close button
// as the only way out, so the window cannot be closed in mid-flash.
void TNorvekMain::LockSystemMenu() {
    if (RemoveSystemMenuItem(kSystemMenuSeparatorAndClose)) {
        RemoveSystemMenuItem(kSystemMenuSeparatorAndClose);
    }
}

void TNorvekMain::cmdCloseClick(void*) {
    // Never while a worker may be flashing: the button is disabled then, and
    // a click that reaches the handler anyway is refused.
    if (run.Phase() == RunPhase::Starting || run.Phase() == RunPhase::Running) return;
    fw::Application->Terminate();
}

void TNorvekMain::FormDestroy(void*) {
    delete mainManager;
    mainManager = nullptr;
}
