// The suite's check of its own UI driver: a dialog that exists, with its
// caption, for a while before it has a text and a button and is shown, as a
// message box is built. The driver must not take it before it is shown.
// Ends when its OK button is clicked.
#include <windows.h>

namespace {

constexpr DWORD kBuildMs = 1500;

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND dialog = CreateWindowExA(0, WC_DIALOG, "Warning", WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100,
                                  320, 140, nullptr, nullptr, instance, nullptr);
    if (!dialog) return 1;
    PumpFor(kBuildMs);
    CreateWindowExA(0, "STATIC", "Built at last.", WS_CHILD | WS_VISIBLE, 12, 12, 280, 20, dialog, nullptr,
                    instance, nullptr);
    HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 120, 60, 80, 25,
                              dialog, reinterpret_cast<HMENU>(IDOK), instance, nullptr);
    ShowWindow(dialog, SW_SHOW);
    // The driver posts its click to the button.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == ok && message.message == BM_CLICK) break;
        DispatchMessageA(&message);
    }
    DestroyWindow(dialog);
    return 0;
}
