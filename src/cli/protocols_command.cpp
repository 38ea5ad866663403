// SPDX-License-Identifier: GPL-3.0-or-later
// protocols: the protocol tables as start-up builds them from tarcfg.pro.
#include <iostream>

#include "cli/protocols_command.h"

namespace tarcfg::cli {
namespace {

const char* BaseName(int base) {
  switch (base) {
    case kLayer2BaseX75:
      return "x75";
    case kLayer2BaseHdlc:
      return "hdlc";
    case kLayer2BasePpp:
      return "ppp";
  }
  return "?";
}

}  // namespace

void ProtocolsCommand::AddOptions(QCommandLineParser&) {}

int ProtocolsCommand::Execute(CliContext& context, const QCommandLineParser&) {
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  for (const auto& entry : context.tables().layer2()) {
    const auto& p = entry.parameters;
    std::cout << "2:" << entry.name.view() << " base=" << BaseName(entry.base)
              << " blocksize=" << p.blockSize << " addr_a=" << unsigned{p.addressA}
              << " addr_b=" << unsigned{p.addressB} << " modulo=" << unsigned{p.modulo}
              << " windowsize=" << unsigned{p.windowSize} << "\n";
  }
  for (const auto& entry : context.tables().layer3())
    std::cout << "3:" << entry.name.view() << " type=" << entry.type << "\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
