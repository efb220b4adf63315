// Message boxes: recorded, and answered from the test's script.
#include "machine_state.h"

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    // A box without a caption is titled "Error" by the platform.
    s.boxes.push_back({text ? text : "", caption ? caption : "Error", type, owner != nullptr});
    if (s.answers.empty()) return IDOK;
    const int answer = s.answers.front();
    s.answers.pop_front();
    return answer;
}
