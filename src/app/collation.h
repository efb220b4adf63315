// Text comparison with the platform's locale collation (user default locale,
// no flags), reduced to less (-1), equal (0) or greater (1).
#pragma once

#include <string_view>

int CompareText(std::string_view a, std::string_view b);
