// protocols: the protocol tables as start-up builds them from tarcfg.pro.
#include <iostream>

#include "cli/commands.h"

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

class ProtocolsCommand : public Command {
 public:
  QString name() const override { return "protocols"; }
  QString synopsis() const override { return ""; }
  QString description() const override {
    return "List the layer-2 and layer-3 protocol tables (built-ins and tarcfg.pro).";
  }

 protected:
  void AddOptions(QCommandLineParser&) override {}

  int Execute(CliContext& context, const QCommandLineParser&) override {
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
};

}  // namespace

std::unique_ptr<Command> MakeProtocolsCommand() {
  return std::make_unique<ProtocolsCommand>();
}

}  // namespace tarcfg::cli
