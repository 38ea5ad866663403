// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/control.h"

#include <sstream>

namespace tarnex_sim {

std::string ApplyControlCommand(Network& network, const std::string& line, uint64_t nowMs) {
  std::istringstream in(line);
  std::string verb, hardware, extra;
  in >> verb;
  if (verb.empty() || verb[0] == '#')
    return "";
  if (verb != "reboot" && verb != "silence" && verb != "unsilence")
    return "unknown command '" + verb + "' (reboot, silence or unsilence)";
  if (!(in >> hardware))
    return verb + ": hardware address missing";
  if (in >> extra)
    return verb + ": unexpected '" + extra + "'";
  std::optional<HardwareAddress> hw = ParseHardware(hardware);
  if (!hw)
    return verb + ": bad hardware address '" + hardware + "'";
  bool known =
      verb == "reboot" ? network.Reboot(*hw, nowMs) : network.Silence(*hw, verb == "silence");
  if (!known)
    return verb + ": no router with hardware address " + FormatHardware(*hw);
  return "";
}

}  // namespace tarnex_sim
