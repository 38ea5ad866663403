// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/router_rules.h"

#include "config/string_table.h"

namespace tarcfg {

int NetworkErrorMessageNumber(int code) {
  switch (code) {
    case kStatusFlashFailed:
      return 40101;
    case kErrorDownloadFailed:
      return 40102;
    case kErrorLoaderNotFound:
      return 40103;
    default:
      return 40100;
  }
}

std::string NetworkErrorMessage(int code) {
  const int number = NetworkErrorMessageNumber(code);
  if (number == 40100)
    return FormatString(number, code);
  return LoadString(number);
}

std::string RegistrationRefusalMessage(const RegistrationResult& result) {
  switch (result.refusalCode) {
    case kRefusedWrongPassword:
      return LoadString(40000);
    case kRefusedHeldByOtherHost:
      return FormatString(40007, result.registeredHost.c_str());
    case kRefusedBusy:
      return LoadString(40107);
    case kRefusedNoAnswer:
      return LoadString(40008);
    default:
      return FormatString(40006, static_cast<int>(result.refusalCode));
  }
}

std::string PasswordTooLongMessage() {
  return LoadString(40000);
}

void ApplyRegistration(const RegistrationResult& result, std::string_view routerName,
                       RouterParameters& parameters) {
  parameters.name = routerName;
  parameters.netmask = result.netmask;
  parameters.phoneNumber = result.phoneNumber;
  parameters.dChannelProtocol = result.dChannelProtocol;
  parameters.firmwareVersion = result.firmwareVersion;
  parameters.permanentConnection = result.permanentConnection;
}

}  // namespace tarcfg
