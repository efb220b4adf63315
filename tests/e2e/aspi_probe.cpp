// A small ASPI client for checking the test WNASPI32.DLL on its own under
// Wine, before and apart from the updater: it loads the library the way the
// updater does, asks for the support information, scans every adapter and
// sends INQUIRY to each device it finds, with the completion event.
//
//   aspi_probe            prints "support", "device" and "inquiry" lines;
//                         exit code 1 when the library or a request fails.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "src/platform/aspi_layout.h"

namespace {

constexpr DWORD kWaitMs = 10000;

bool Inquire(SendASPI32CommandFn send, BYTE adapter, BYTE target, BYTE lun) {
    BYTE reply[96] = {};
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = adapter;
    srb.SRB_Target = target;
    srb.SRB_Lun = lun;
    srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
    srb.SRB_BufLen = sizeof reply;
    srb.SRB_BufPointer = reply;
    srb.SRB_SenseLen = ASPI_SENSE_LEN;
    srb.SRB_CDBLen = 12;
    srb.CDBByte[0] = 0x12;  // INQUIRY
    srb.CDBByte[4] = sizeof reply;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    srb.SRB_PostProc = event;
    const DWORD sent = send(&srb);
    DWORD waited = WAIT_OBJECT_0;
    if (srb.SRB_Status == SS_PENDING) waited = WaitForSingleObject(event, kWaitMs);
    CloseHandle(event);
    std::printf("inquiry ha=%d target=%d lun=%d send=%02lx wait=%s status=%02x", adapter, target,
                lun, static_cast<unsigned long>(sent), waited == WAIT_OBJECT_0 ? "signalled" : "timeout",
                srb.SRB_Status);
    if (srb.SRB_Status == SS_COMP) {
        std::printf(" vendor=\"%.8s\" product=\"%.16s\" revision=\"%.4s\"",
                    reinterpret_cast<char*>(reply + 8), reinterpret_cast<char*>(reply + 16),
                    reinterpret_cast<char*>(reply + 32));
    }
    std::printf("\n");
    return srb.SRB_Status == SS_COMP;
}

}  // namespace

int main() {
    HMODULE aspi = LoadLibraryA("WNASPI32");
    if (!aspi) {
        std::printf("load failed: error %lu\n", GetLastError());
        return 1;
    }
    auto support = reinterpret_cast<GetASPI32SupportInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(aspi, "GetASPI32SupportInfo")));
    auto send = reinterpret_cast<SendASPI32CommandFn>(
        reinterpret_cast<void*>(GetProcAddress(aspi, "SendASPI32Command")));
    if (!support || !send) {
        std::printf("entry points missing\n");
        return 1;
    }
    const DWORD info = support();
    std::printf("support status=%02lx count=%lu\n", (info >> 8) & 0xFF, info & 0xFF);

    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    send(&inquiry);
    if (inquiry.SRB_Status != SS_COMP) {
        std::printf("ha_inquiry status=%02x\n", inquiry.SRB_Status);
        return 1;
    }
    bool ok = true;
    for (BYTE a = 0; a < inquiry.HA_Count; ++a) {
        SRB_RescanPort rescan{};
        rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
        rescan.SRB_HaId = a;
        send(&rescan);
        for (BYTE t = 0; t < 16; ++t) {
            for (BYTE l = 0; l < 8; ++l) {
                SRB_GDEVBlock dev{};
                dev.SRB_Cmd = SC_GET_DEV_TYPE;
                dev.SRB_HaId = a;
                dev.SRB_Target = t;
                dev.SRB_Lun = l;
                send(&dev);
                if (dev.SRB_Status != SS_COMP) continue;
                std::printf("device ha=%d target=%d lun=%d type=%02x\n", a, t, l, dev.SRB_DeviceType);
                ok = Inquire(send, a, t, l) && ok;
            }
        }
    }
    FreeLibrary(aspi);
    return ok ? 0 : 1;
}
