#include "collation.h"

#include "../platform/win32.h"

int CompareText(const std::string& a, const std::string& b) {
    const int result = CompareStringA(LOCALE_USER_DEFAULT, 0, a.c_str(), static_cast<int>(a.size()),
                                      b.c_str(), static_cast<int>(b.size()));
    // 0 means the call itself failed; treating it as "not equal" keeps a
    // broken collation from admitting a drive.
    if (result == 0) return -1;
    return result - CSTR_EQUAL;
}
