// The window's text comparison for matching, on Linux: the same word-sort
// rule the simulated Win32 layer implements CompareStringA with.
#include "src/app/collation.h"

#include "src/platform/word_sort.h"

int CompareText(const std::string& a, const std::string& b) { return wordsort::Collate(a, b); }
