// The locale collation of CompareStringA, for the single-byte texts the
// updater compares (revisions, vendor and product names, the title key).
// The rule itself is shared with the Linux edition (src/platform/word_sort.h).
#include <string_view>

#include "../../src/platform/word_sort.h"
#include "machine_state.h"

namespace {

bool ToView(LPCSTR text, int count, std::string_view& view) {
    if (!text || count < -1) return false;
    view = count == -1 ? std::string_view(text) : std::string_view(text, static_cast<std::size_t>(count));
    return true;
}

}  // namespace

int WINAPI CompareStringA(LCID, DWORD, LPCSTR a, int countA, LPCSTR b, int countB) {
    std::string_view left;
    std::string_view right;
    if (!ToView(a, countA, left) || !ToView(b, countB, right)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int order = wordsort::Collate(left, right);
    return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}
