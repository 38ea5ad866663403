// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <iostream>

#include "cli/cli_text.h"
#include "cli/router_fields.h"
#include "config/field_checks.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {

bool CheckRouterFields(CliContext& context, const QCommandLineParser& parser,
                       RouterParameters& wanted, bool askOwnNetwork) {
  AddressService& addresses = context.addresses();
  if (parser.isSet("ip")) {
    const std::string ip = RemoveBlanks(parser.value("ip").toStdString());
    if (!IsValidAddressField(ip, addresses)) {
      PrintError(LoadString(40004));
      return false;
    }
    wanted.name = ip;
  }
  if (parser.isSet("phone")) {
    const std::string phone = RemoveBlanks(parser.value("phone").toStdString());
    if (!IsValidPhoneNumber(phone)) {
      PrintError(LoadString(40104));
      return false;
    }
    wanted.phoneNumber = phone;
  }
  if (parser.isSet("netmask")) {
    const std::string mask = RemoveBlanks(parser.value("netmask").toStdString());
    if (!IsValidAddressField(mask, addresses)) {
      PrintError(LoadString(40004));
      return false;
    }
    wanted.netmask = mask;
  }
  if (wanted.netmask.empty())
    wanted.netmask = DottedQuad(context.settings().netMask);
  const std::uint32_t mask = addresses.ResolveAddress(wanted.netmask.view());
  const std::uint32_t router = addresses.ResolveAddress(wanted.name.view());
  const std::uint32_t own = context.settings().ownAddress;
  if (askOwnNetwork && !InOwnNetwork(mask, router, own) && !parser.isSet("yes")) {
    bool yes = false;
    if (::isatty(STDIN_FILENO)) {
      std::cerr << LoadString(40110) << " " << Say(CliText::tr("[y/N]")) << " " << std::flush;
      std::string answer;
      std::getline(std::cin, answer);
      yes = !answer.empty() && std::string("yYjJ").find(answer[0]) != std::string::npos;
    } else {
      PrintError(std::string(LoadString(40110)) + " " + Say(CliText::tr("(answer with --yes)")));
    }
    if (!yes)
      return false;
  }
  if (!IsDiallableRouterNumber(wanted.phoneNumber.view())) {
    PrintError(LoadString(40104));
    return false;
  }
  return true;
}

void AddRouterFieldOptions(QCommandLineParser& parser) {
  parser.addOption({"ip", CliText::tr("The router's new IP address."), "A"});
  parser.addOption({"netmask", CliText::tr("The router's new net mask."), "M"});
  parser.addOption({"phone", CliText::tr("The router's own ISDN number."), "P"});
  parser.addOption(
      {"yes", CliText::tr("Use an address outside the local network without asking.")});
}

}  // namespace tarcfg::cli
