// SPDX-License-Identifier: GPL-3.0-or-later
// The commented ".cfg" configuration file: writer and reader.
#pragma once

#include <string>

#include "config/address.h"
#include "config/configuration.h"
#include "config/net_database.h"
#include "config/records.h"

namespace tarcfg {

// What the file functions need from the process: the protocol tables, the
// address service (with its name-resolving switch) and the system databases.
struct ConfigContext {
  const ProtocolTables& tables;
  AddressService& addresses;
  NetDatabase& database;
};

// The service text of a filter: "all", a service name that stands for one
// protocol only, or "port/protocol".
std::string FilterServiceText(const FilterEntry& filter, NetDatabase& database);

// The whole file as text (LF line ends).
std::string FormatConfigFile(const LineTargetList& lineTargets, const RouteList& routes,
                             const FilterList& filters, const RouterParameters& router,
                             const ConfigContext& context);

// What WriteConfigFile did: written, or why not. Tests as a bool.
struct ConfigWriteResult {
  bool written = false;
  int errorNumber = 0;  // errno of the step that failed; 0 when `reason` is no system error
  std::string reason;   // the system's text for errorNumber, or what else was wrong
  explicit operator bool() const { return written; }
};

// Writes the file atomically (temporary file beside it, then rename). A
// symbolic link is followed: its target is replaced and the link stays. On
// failure an existing file is untouched and the result says why.
ConfigWriteResult WriteConfigFile(const std::string& path, const LineTargetList& lineTargets,
                                  const RouteList& routes, const FilterList& filters,
                                  const RouterParameters& router, const ConfigContext& context);

// The user's message for a failed write: 40014 followed by the reason.
std::string ConfigWriteMessage(const ConfigWriteResult& result);

// Error codes of ReadConfigFile; the message is string 40200 + code.
enum ConfigReadCode {
  kConfigOk = 0,
  kConfigTooManyEntries = 1,
  kConfigWrongAddress = 2,
  kConfigWrongPhone = 3,
  kConfigWrongProtocol = 4,
  kConfigWrongTimeout = 5,
  kConfigWrongOptionM = 6,
  kConfigWrongOptionB = 7,
  kConfigWrongOptionC = 8,
  kConfigWrongPassword = 9,
  kConfigWrongLineFormat = 10,
  kConfigWrongMask = 11,
  kConfigWrongCompareValue = 12,
  kConfigMaskCompareMismatch = 13,
  kConfigWrongGateway = 14,
  kConfigWrongService = 15,
  kConfigWrongAction = 16,
  kConfigCannotOpen = 17,
};

struct ConfigReadResult {
  int code = kConfigOk;
  int line = 0;
  int column = 0;
  int openErrno = 0;  // errno of the failed open, with code 17
};

// Reads `path`. Only when the whole file is correct does `configuration` get
// the new lists; otherwise it stays exactly as it was. Trace lines go to
// `trace` (stdout).
ConfigReadResult ReadConfigFile(const std::string& path, int permanentConnection,
                                const ConfigContext& context, Configuration& configuration,
                                std::FILE* trace = stdout);

// ReadConfigFile without its trace lines, for callers whose output streams
// belong to something else (a command's output, a service's log).
ConfigReadResult ReadConfigFileQuietly(const std::string& path, int permanentConnection,
                                       const ConfigContext& context, Configuration& configuration);

// The user's message for a failed read: 40200 with line and column followed
// by the code's text, or 40217 followed by the system's text for the error.
std::string ConfigReadMessage(const ConfigReadResult& result);

}  // namespace tarcfg
