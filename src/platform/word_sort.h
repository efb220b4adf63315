// The locale collation the updater's matching relies on (CompareStringA with
// the user's default locale and no flags), as a pure function for the
// platforms that do not have it: the simulated Win32 layer and the Linux
// edition. Both must decide every drive exactly as the window does on
// Windows.
//
// The rule, modelled on the platform's word sort:
//  1. Compare the texts with hyphens and apostrophes left out, character by
//     character, by group and then by code: blank < other symbols < digits <
//     letters (upper and lower case alike) < bytes above 0x7F. A text that is
//     a prefix of the other sorts first.
//  2. If still equal, the first letter that differs only in case decides:
//     lower case before upper case.
//  3. If still equal, compare the whole texts again as in 1, with hyphens and
//     apostrophes included, ranking right after the blank.
// Texts are equal only when they are byte for byte the same. For texts of
// digits and upper-case letters this is the order of the character codes.
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace wordsort {

inline bool IsWordSeparator(unsigned char c) { return c == '-' || c == '\''; }

inline int Weight(unsigned char c) {
    int group = 5;
    if (c == ' ') group = 0;
    else if (IsWordSeparator(c)) group = 1;
    else if (c >= 0x80) group = 6;
    else if (std::isdigit(c)) group = 3;
    else if (std::isalpha(c)) group = 4;
    else group = 2;
    const int folded = std::toupper(c);
    return group * 256 + folded;
}

inline int CompareWeights(std::string_view a, std::string_view b, bool skipSeparators) {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        if (skipSeparators) {
            while (i < a.size() && IsWordSeparator(static_cast<unsigned char>(a[i]))) ++i;
            while (j < b.size() && IsWordSeparator(static_cast<unsigned char>(b[j]))) ++j;
        }
        if (i == a.size() || j == b.size()) return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        const int wa = Weight(static_cast<unsigned char>(a[i++]));
        const int wb = Weight(static_cast<unsigned char>(b[j++]));
        if (wa != wb) return wa < wb ? -1 : 1;
    }
}

// The texts' letters already match but for case (step 1), so the first
// difference between aligned characters is one of case.
inline int CompareCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        while (i < a.size() && IsWordSeparator(static_cast<unsigned char>(a[i]))) ++i;
        while (j < b.size() && IsWordSeparator(static_cast<unsigned char>(b[j]))) ++j;
        if (i == a.size() || j == b.size()) return 0;
        const char ca = a[i++];
        const char cb = b[j++];
        if (ca != cb) return std::islower(static_cast<unsigned char>(ca)) ? -1 : 1;
    }
}

// Less (-1), equal (0) or greater (1).
inline int Collate(std::string_view a, std::string_view b) {
    if (const int primary = CompareWeights(a, b, true)) return primary;
    if (const int byCase = CompareCase(a, b)) return byCase;
    return CompareWeights(a, b, false);
}

}  // namespace wordsort
