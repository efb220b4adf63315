#include "collation.h"

#include "../platform/win32.h"

int CompareText(std::string_view a, std::string_view b) {
    // An empty view may carry no pointer at all; the call refuses a null text.
    const char* left = a.empty() ? "" : a.data();
    const char* right = b.empty() ? "" : b.data();
    const int result = CompareStringA(LOCALE_USER_DEFAULT, 0, left, static_cast<int>(a.size()), right,
                                      static_cast<int>(b.size()));
    // 0 means the call itself failed; treating it as "not equal" keeps a
    // broken collation from admitting a drive.
    if (result == 0) return -1;
    return result - CSTR_EQUAL;
}
