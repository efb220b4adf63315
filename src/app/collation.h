// Text comparison with the platform's locale collation (user default locale,
// no flags), reduced to less (-1), equal (0) or greater (1).
#pragma once

#include <string>

int CompareText(const std::string& a, const std::string& b);
