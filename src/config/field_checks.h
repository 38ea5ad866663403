// Checks of typed texts shared by the dialogs and the CLI.
#pragma once

#include <string>
#include <string_view>

namespace tarcfg {

// The text without any blanks (typed addresses, numbers and names).
std::string RemoveBlanks(std::string_view text);

// One to 20 decimal digits, or digits followed by one final "s" (at most 20
// characters in all, so the number always fits its record).
bool IsValidPhoneNumber(std::string_view text);

}  // namespace tarcfg
