#include <cstring>

#include "../drive/drive_commands.h"
#include "../package/settings.h"
#include "dialog_texts.h"
#include "drive_table_log.h"
#include "norvek_main.h"
#include "table_matching.h"

void TNorvekMain::FillDriveList() {
    cboDrives.Clear();
    detectedDrivesText.clear();
    for (std::uint16_t i = 0; i < mainManager->GetDriveCount(); ++i) {
        const DriveEntry* entry = mainManager->GetEntry(i);
        if (entry == nullptr) continue;
        const std::string line = FormatDriveLine(*entry) + TestBuildNote(*entry);
        detectedDrivesText += line;
        detectedDrivesText += "\n";
        cboDrives.Add(line);
    }
    MatchDrives();
    LogDriveTable(*mainManager);
    for (std::uint16_t i = 0; i < mainManager->GetDriveCount(); ++i) {
        const DriveEntry* entry = mainManager->GetEntry(i);
        if (entry != nullptr && entry->present && entry->matched) {
            cboDrives.SetItemIndex(i);
            return;
        }
    }
}

void TNorvekMain::MatchDrives() { MatchTable(*mainManager); }

void TNorvekMain::cboDrivesChange(void*) {
    try {
        if (mainManager == nullptr) return;
        const int k = cboDrives.ItemIndex();
        const DriveEntry* entry = mainManager->GetEntry(static_cast<std::uint32_t>(k));
        if (entry == nullptr) return;
        if (entry->matched == 0) {
            cmdUpdate.SetEnabled(false);
            lblNewFW.SetVisible(false);
            lblOldFW.SetVisible(false);
            lblUpdateMsg.SetCaption("This drive is not allowed to be updated.");
            lblUpdateMsg.SetFontColor(fw::clMaroon);
            return;
        }
        cmdUpdate.SetEnabled(!RunInProgress());
        lblNewFW.SetVisible(true);
        lblOldFW.SetVisible(true);
        lblUpdateMsg.SetCaption("It will be updated from");
        lblUpdateMsg.SetFontColor(fw::clBlack);
        lblTo.SetFontColor(fw::clBlack);
        lblNewFW.SetCaption(pkg::ActivePackage().NewRevision(entry->bank));
        lblOldFW.SetCaption(std::string(entry->revision, strnlen(entry->revision, sizeof entry->revision)));
        mainManager->SelectDrive(static_cast<std::int16_t>(k));
    } catch (...) {
        // A failure here must not take the window down; the controls keep
        // the state they reached.
    }
}
