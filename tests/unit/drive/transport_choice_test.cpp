// Choosing the transport at construction, the silent ASPI probe and the
// messages of a failed ASPI load.
#include <functional>
#include <string>

#include "drive_fixture.h"

namespace {

class TransportTest : public DriveTest {
protected:
    void InstallWorkingAspi(BYTE status = SS_COMP) { InstallAspi({{NewDrive()}}, {}, status); }
};

}  // namespace

TEST_F(TransportTest, NtWithWorkingAspiAndTheTagUsesAspiAndKeepsItLoaded) {
    InstallWorkingAspi();
    SetApplicationTag(kPreferAspiTag);
    DriveManager manager(false);
    EXPECT_EQ(manager.useAspi, 1);
    EXPECT_EQ(manager.aspiAvailable, 1);
    EXPECT_NE(manager.aspi.SupportInfo(), nullptr);
    EXPECT_NE(manager.aspi.SendCommand(), nullptr);
    EXPECT_EQ(m.AspiReferences(), 1) << "the probe released its own reference";
    EXPECT_TRUE(m.MessageBoxes().empty());
}

TEST_F(TransportTest, NtWithoutTheTagUsesPassThroughEvenWithAspi) {
    InstallWorkingAspi();
    DriveManager manager(false);
    EXPECT_EQ(manager.useAspi, 0);
    EXPECT_EQ(manager.aspiAvailable, 1);
    EXPECT_EQ(manager.aspi.SupportInfo(), nullptr);
    EXPECT_EQ(m.AspiReferences(), 0);
}

TEST_F(TransportTest, NtProbeFailuresAreSilentAndGiveWayToPassThrough) {
    struct Case {
        const char* name;
        std::function<void(sim::AspiManagerConfig&)> change;
    };
    const std::vector<Case> cases = {
        {"not installed", [](sim::AspiManagerConfig& c) { c.installed = false; }},
        {"no support entry", [](sim::AspiManagerConfig& c) { c.supportInfoMissing = true; }},
        {"no send entry", [](sim::AspiManagerConfig& c) { c.sendCommandMissing = true; }},
        {"not ready", [](sim::AspiManagerConfig& c) { c.supportStatus = SS_NO_ADAPTERS; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        SetApplicationTag(kPreferAspiTag);
        sim::AspiManagerConfig config;
        config.installed = true;
        c.change(config);
        m.SetAspiManager(config);
        DriveManager manager(false);
        EXPECT_EQ(manager.useAspi, 0);
        EXPECT_EQ(manager.aspiAvailable, 0);
        EXPECT_TRUE(m.MessageBoxes().empty());
        EXPECT_EQ(m.AspiReferences(), 0);
    }
}

TEST_F(TransportTest, NtLoadsTheManagerOnlyFromTheSystemDirectory) {
    InstallWorkingAspi();
    SetApplicationTag(kPreferAspiTag);
    DriveManager manager(false);
    for (const std::string& name : m.LibraryLoadNames()) EXPECT_EQ(name, "C:\\WINDOWS\\system32\\WNASPI32.DLL");
    EXPECT_EQ(m.LibraryLoadNames().size(), 2u) << "probe, then load";
}

TEST_F(TransportTest, OlderFamilyAlwaysUsesAspiByItsPlainName) {
    m.SetPlatform(sim::Platform::Older);
    InstallWorkingAspi();
    DriveManager manager(false);  // no tag: the older family has nothing else
    EXPECT_EQ(manager.useAspi, 1);
    EXPECT_NE(manager.aspi.SendCommand(), nullptr);
    for (const std::string& name : m.LibraryLoadNames()) EXPECT_EQ(name, "WNASPI32");
}

TEST_F(TransportTest, FailedLoadOnTheOlderFamilyGivesItsReasonAndShowsNothing) {
    m.SetPlatform(sim::Platform::Older);
    struct Case {
        const char* name;
        std::function<void(sim::AspiManagerConfig&)> change;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"no library", [](sim::AspiManagerConfig& c) { c.installed = false; },
         "Error FS 002|LoadLibrary:\nWNASPI32.DLL not found."},
        {"no support entry", [](sim::AspiManagerConfig& c) { c.supportInfoMissing = true; },
         "Error FS 003|GetProcAddress:\nGetASPI32SupportInfo not fount."},
        {"no send entry", [](sim::AspiManagerConfig& c) { c.sendCommandMissing = true; },
         "Error FS 004|GetProcAddress:\npfnSendASPI32Command not found."},
        {"old manager", [](sim::AspiManagerConfig& c) { c.supportStatus = SS_OLD_MANAGER; },
         "GetASPISupportInfo:|Old ASPI manager."},
        {"real mode", [](sim::AspiManagerConfig& c) { c.supportStatus = SS_ILLEGAL_MODE; },
         "GetASPISupportInfo:|ASPI for Windows does not support real mode."},
        {"no manager", [](sim::AspiManagerConfig& c) { c.supportStatus = SS_NO_ASPI; },
         "GetASPISupportInfo:|Could not find the ASPI manager."},
        {"other", [](sim::AspiManagerConfig& c) { c.supportStatus = SS_NO_ADAPTERS; },
         "GetASPISupportInfo:|Error initializing ASPI."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        m.SetPlatform(sim::Platform::Older);
        sim::AspiManagerConfig config;
        config.installed = true;
        c.change(config);
        m.SetAspiManager(config);
        DriveManager manager(false);
        EXPECT_EQ(manager.useAspi, 1) << "kept: commands then fail";
        EXPECT_EQ(manager.aspi.SupportInfo(), nullptr);
        EXPECT_EQ(manager.aspi.SendCommand(), nullptr);
        EXPECT_EQ(m.AspiReferences(), 0);
        ASSERT_TRUE(manager.aspiLoadError.has_value());
        EXPECT_EQ(std::string(manager.aspiLoadError->caption) + "|" + manager.aspiLoadError->text,
                  c.shown);
        // The caller shows it: a manager made on a worker's behalf must not
        // open a message box of its own.
        EXPECT_TRUE(m.MessageBoxes().empty());
    }
}
