#include "field_checks.h"

#include "records.h"

namespace tarcfg {

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ')
      out += c;
  return out;
}

bool IsValidPhoneNumber(std::string_view text) {
  if (text.empty() || text.size() > kPhoneNumberCapacity)
    return false;
  std::size_t digits = text.size();
  if (text.back() == 's')
    --digits;
  for (std::size_t i = 0; i < digits; ++i)
    if (text[i] < '0' || text[i] > '9')
      return false;
  return true;
}

}  // namespace tarcfg
