// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <optional>

#include "config/address.h"
#include "protocol/wire.h"

namespace tarcfg::testing {

std::uint32_t Ip(const char* dotted) {
  std::uint32_t value = 0;
  EXPECT_TRUE(ParseDottedQuad(dotted, &value)) << dotted;
  return value;
}

EmulatedRouters::EmulatedRouters(InMemoryNetwork& network,
                                 std::vector<tarnex_sim::RouterConfig> routers,
                                 tarnex_sim::Faults faults)
    : network_(network), sim_(routers, faults) {
  for (const auto& router : routers) {
    std::uint32_t slot = router.address != 0 ? router.address : kLoaderSlot;
    if (std::find(slots_.begin(), slots_.end(), slot) == slots_.end())
      slots_.push_back(slot);
  }
  for (std::uint32_t slot : slots_)
    network_.Attach(slot, [this, slot](const NetworkDatagram& d) { OnDatagram(slot, d); });
}

EmulatedRouters::~EmulatedRouters() {
  for (std::uint32_t slot : slots_)
    network_.Detach(slot);
}

void EmulatedRouters::OnDatagram(std::uint32_t slot, const NetworkDatagram& datagram) {
  // A broadcast reaches every slot; the emulator hears it once.
  if (datagram.to != slot && slot != slots_.front())
    return;
  sim_.Receive(now_, datagram.from, datagram.to, datagram.bytes);
  Flush();
}

void EmulatedRouters::Advance(std::uint64_t milliseconds) {
  now_ += milliseconds;
  sim_.Advance(now_);
  Flush();
}

void EmulatedRouters::Flush() {
  for (tarnex_sim::Datagram& out : sim_.TakeOutgoing(now_)) {
    std::uint32_t from = out.from != 0 ? out.from : kLoaderSlot;
    network_.Send(from, out.to, std::move(out.bytes));
  }
}

tarnex_sim::RouterConfig OpenRouter(const char* address, std::uint8_t lastHardwareByte) {
  tarnex_sim::RouterConfig config;
  config.label = "router";
  config.hardware = {0x00, 0x60, 0x1a, 0x10, 0x00, lastHardwareByte};
  config.address = address ? Ip(address) : 0;
  config.netmask = kNetMask;
  config.phone = "0301110";
  config.dChannelProtocol = 1;
  config.firmwareVersion = "2.10";
  tarnex_sim::LineTarget target;
  target.address = Ip("198.51.100.200");
  target.phone = "0301234567";
  tarnex_sim::ApplyLayer2Preset("x75", target);
  tarnex_sim::ApplyLayer3Preset("null", target);
  config.lineTargets.push_back(target);
  config.routes.push_back({0xFFFFFF00, Ip("198.51.101.0"), Ip("198.51.100.200")});
  tarnex_sim::Filter filter;
  filter.action = 1;
  config.filters.push_back(filter);
  return config;
}

ShellTest::ShellTest() {
  char pattern[] = "/tmp/tarcfg-shell-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  directory_ = made ? made : "/tmp";
  context_ = std::make_unique<ShellContext>(database_, messages_);
  context_->workingDirectory = directory_.string();
  context_->stateDirectory = (directory_ / "state").string();  // made when first written
  // The configuration history of this test only, never the user's.
  context_->historyDirectory = (directory_ / "history").string();
  GuiSettings& settings = context_->settings;
  settings.ownAddress = kWorkstation;
  settings.netMask = kNetMask;
  settings.nameResolve = 0;
  settings.firmwarePath = directory_.string();
  settings.ipAddressText = "198.51.100.1";
  settings.netMaskText = "255.255.255.0";
  context_->addresses.SetNameResolve(false);
  auto socket = std::make_unique<InMemorySocket>(network_, kWorkstation);
  socket_ = socket.get();
  context_->CreateProtocol(std::move(socket));
}

ShellTest::~ShellTest() {
  window_.reset();
  context_.reset();
  routers_.reset();
  std::error_code error;
  if (directory_ != "/tmp")
    std::filesystem::remove_all(directory_, error);
}

void ShellTest::UseRouters(std::vector<tarnex_sim::RouterConfig> routers,
                           tarnex_sim::Faults faults) {
  routers_.reset();
  routers_ = std::make_unique<EmulatedRouters>(network_, std::move(routers), faults);
}

void ShellTest::StartWindow() {
  MainWindowOptions options;
  options.driveProtocol = false;
  window_ = std::make_unique<MainWindow>(*context_, options);
  window_->show();
  window_->Start();
  DeliverDatagrams();
  ProcessPosted();
}

void ShellTest::ProcessPosted() {
  for (int i = 0; i < 3; ++i)
    QCoreApplication::sendPostedEvents();
}

void ShellTest::DeliverDatagrams() {
  for (int guard = 0; guard < 10000 && socket_->pending() > 0; ++guard) {
    context_->protocol->OnDatagramReady();
    ProcessPosted();
  }
  ProcessPosted();
}

void ShellTest::Tick(int count) {
  for (int i = 0; i < count; ++i) {
    context_->protocol->OnTimerTick();
    if (routers_)
      routers_->Advance(1000);
    DeliverDatagrams();
  }
}

void ShellTest::FinishScan() {
  Tick(5);
}

void ShellTest::RegisterRow(int row) {
  FinishScan();
  list()->setCurrentRow(row);
  ProcessPosted();
  button("registerButton")->click();
  DeliverDatagrams();
}

void ShellTest::SendScanAnswer(std::uint32_t from, std::uint32_t routerAddress,
                               const HardwareAddress& hardware, std::uint32_t registeredHost) {
  WireWriter writer;
  writer.U16(command::kScanAnswer)
      .U16(0)
      .U16(0)
      .Raw(hardware)
      .U32(routerAddress)
      .U32(registeredHost);
  network_.Send(from, kWorkstation, writer.Take());
}

QListWidget* ShellTest::list() {
  return window_->findChild<QListWidget*>(QStringLiteral("routerList"));
}

void ShellTest::EditWith(std::function<void(RouterParameters&)> edit) {
  window_->dialogs().editRouterParameters =
      [edit](MainWindow&, const RouterParameters& current) -> std::optional<RouterParameters> {
    RouterParameters changed = current;
    edit(changed);
    return changed;
  };
  button("routerButton")->click();
  DeliverDatagrams();
}

QPushButton* ShellTest::button(const char* name) {
  auto* found = window_->findChild<QPushButton*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

std::vector<QString> ShellTest::ListLines() {
  std::vector<QString> lines;
  for (int row = 0; row < list()->count(); ++row)
    lines.push_back(list()->item(row)->text());
  return lines;
}

std::vector<QString> ShellTest::MessageTexts() const {
  std::vector<QString> texts;
  for (const auto& message : messages_.shown)
    texts.push_back(message.text);
  return texts;
}

std::string ShellTest::EnabledStates() {
  struct Control {
    char letter;
    QWidget* widget;
  };
  const Control controls[] = {
      {'R', button("registerButton")},       {'D', button("deregisterButton")},
      {'T', button("routerButton")},         {'L', button("lineTargetsButton")},
      {'C', button("connectionsButton")},    {'A', button("accountingButton")},
      {'O', button("routerOverviewButton")}, {'S', list()},
  };
  std::string states;
  for (const auto& control : controls)
    states.push_back(control.widget->isEnabled() ? control.letter
                                                 : static_cast<char>(control.letter + 32));
  return states;
}

std::vector<NetworkDatagram> ShellTest::SentByTool(std::uint16_t commandWord) const {
  std::vector<NetworkDatagram> sent;
  for (const auto& datagram : network_.SentBy(kWorkstation))
    if (datagram.bytes.size() >= 2 && (datagram.bytes[0] << 8 | datagram.bytes[1]) == commandWord)
      sent.push_back(datagram);
  return sent;
}

void ShellTest::WhenModalOpens(std::function<void(QDialog*)> action) {
  // The pending timer holds the only strong reference, so the attempt chain
  // is freed once it ends instead of keeping itself alive.
  auto attempt = std::make_shared<std::function<void(int)>>();
  std::weak_ptr<std::function<void(int)>> self = attempt;
  *attempt = [action, self](int left) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog) {
      action(dialog);
      return;
    }
    if (left > 0) {
      if (auto next = self.lock())
        QTimer::singleShot(0, [next, left] { (*next)(left - 1); });
    } else
      ADD_FAILURE() << "no modal dialog opened";
  };
  QTimer::singleShot(0, [attempt] { (*attempt)(50); });
}

}  // namespace tarcfg::testing
