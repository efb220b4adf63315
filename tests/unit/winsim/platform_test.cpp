#include <cstring>
#include <string>

#include "machine_fixture.h"

namespace {

using PlatformTest = MachineTest;

OSVERSIONINFOA PreparedRecord() {
    OSVERSIONINFOA info;
    std::memset(&info, 0x5A, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return info;
}

// The steps a restart takes on the NT family; returns the last error read
// right after the adjustment, or -1 when an earlier step failed.
long AdjustShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return -1;
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        CloseHandle(token);
        return -1;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(77);
    const BOOL adjusted = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    const long error = static_cast<long>(GetLastError());
    EXPECT_TRUE(adjusted);
    EXPECT_TRUE(CloseHandle(token));
    return error;
}

int Compare(const char* a, const char* b) {
    return CompareStringA(LOCALE_USER_DEFAULT, 0, a, -1, b, -1);
}

}  // namespace

TEST_F(PlatformTest, VersionQueryReportsEachFamilyOrFailsLeavingTheRecord) {
    OSVERSIONINFOA info = PreparedRecord();
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GE(info.dwMajorVersion, 5u);

    m.SetPlatform(sim::Platform::Older);
    info = PreparedRecord();
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 10u);

    m.SetPlatform(sim::Platform::VersionQueryFails);
    info = PreparedRecord();
    const OSVERSIONINFOA before = info;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);

    m.SetPlatform(sim::Platform::Nt);
    info = PreparedRecord();
    info.dwOSVersionInfoSize = 0;
    EXPECT_FALSE(GetVersionExA(&info)) << "a record without its size is refused";
}

TEST_F(PlatformTest, ShutdownPrivilegeHeldClearsTheErrorAndAllowsTheRestart) {
    EXPECT_EQ(AdjustShutdownPrivilege(), 0);
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
    const auto exits = m.ExitRequests();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, 6u);
    EXPECT_TRUE(exits[0].accepted);
    EXPECT_EQ(m.Privileges().tokensOpened, 1);
    EXPECT_EQ(m.Privileges().lastTokenAccess, 0x28u);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Token), 0);
}

TEST_F(PlatformTest, PrivilegeNotHeldSucceedsWithError1300AndRestartIsRefused) {
    m.SetShutdownPrivilegeHeld(false);
    EXPECT_EQ(AdjustShutdownPrivilege(), 1300);
    EXPECT_FALSE(m.Privileges().shutdownEnabled);
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0)) << "NT refuses without the privilege";
}

TEST_F(PlatformTest, TokenAndLookupFailuresAndRefusedExit) {
    m.SetOpenProcessTokenFails(true);
    EXPECT_EQ(AdjustShutdownPrivilege(), -1);
    m.SetOpenProcessTokenFails(false);
    m.SetLookupPrivilegeFails(true);
    EXPECT_EQ(AdjustShutdownPrivilege(), -1);
    EXPECT_EQ(m.Privileges().adjustments, 0);
    m.SetLookupPrivilegeFails(false);
    EXPECT_EQ(AdjustShutdownPrivilege(), 0);
    m.SetExitWindowsFails(true);
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
    ASSERT_EQ(m.ExitRequests().size(), 1u);
    EXPECT_FALSE(m.ExitRequests()[0].accepted);
}

TEST_F(PlatformTest, OlderFamilyRestartsWithoutTokenAndHasNone) {
    m.SetPlatform(sim::Platform::Older);
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
    HANDLE token = nullptr;
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
    EXPECT_EQ(m.Privileges().tokensOpened, 0);
}

TEST_F(PlatformTest, MessageBoxesAreRecordedAndAnsweredFromTheScript) {
    m.QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Old ASPI manager.", "GetASPISupportInfo:", MB_ICONERROR), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "second", nullptr, MB_OK), IDOK);
    const auto boxes = m.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Old ASPI manager.");
    EXPECT_EQ(boxes[0].caption, "GetASPISupportInfo:");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(boxes[1].caption, "Error");
}

TEST_F(PlatformTest, CollationOrdersDigitsLettersBlanksHyphensAndCase) {
    EXPECT_EQ(Compare("1B05", "1B05"), CSTR_EQUAL);
    EXPECT_EQ(Compare("1B04", "1B05"), CSTR_LESS_THAN);
    EXPECT_EQ(Compare("1Z00", "1A99"), CSTR_GREATER_THAN);
    EXPECT_EQ(Compare("9ZZZ", "A000"), CSTR_LESS_THAN) << "digits before letters";
    EXPECT_EQ(Compare("DVDRW", "DVDRW KTV"), CSTR_LESS_THAN) << "a prefix sorts first";
    EXPECT_EQ(Compare("A B", "A0"), CSTR_LESS_THAN) << "blank before digits";
    EXPECT_EQ(Compare("KTV-360R", "KTV360R"), CSTR_LESS_THAN) << "hyphen only breaks the tie";
    EXPECT_EQ(Compare("KTV360R", "KTV-360R"), CSTR_GREATER_THAN);
    EXPECT_EQ(Compare("KTV-360R", "KTV361R"), CSTR_LESS_THAN) << "hyphen ignored first";
    EXPECT_EQ(Compare("abc", "ABC"), CSTR_LESS_THAN) << "lower case before upper";
    EXPECT_EQ(Compare("abd", "ABC"), CSTR_GREATER_THAN) << "letters before case";
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "APP_TITLE_HERE and more", 14, "APP_TITLE_HERE", -1),
              CSTR_EQUAL);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, 1, "A", -1), 0);
}

// The program's own file name, with the platform's contract: the length
// without the zero, a name cut to fit (zero-terminated, the size returned,
// ERROR_INSUFFICIENT_BUFFER), and no name for another module or none given.
TEST_F(PlatformTest, ModuleFileNameFollowsThePlatformsContract) {
    char name[MAX_PATH] = {};
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    m.SetModuleFileName("/tmp/norvek.exe");
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, MAX_PATH), 15u);
    EXPECT_STREQ(name, "/tmp/norvek.exe");
    char small[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 8u);
    EXPECT_STREQ(small, "/tmp/no");
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(name), name, MAX_PATH), 0u);

    m.Reset();
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, MAX_PATH), 0u);
}
