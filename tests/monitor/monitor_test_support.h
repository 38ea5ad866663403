// SPDX-License-Identifier: GPL-3.0-or-later
// What the monitoring tests share: a registered main window with the
// monitoring dialogs installed, a scripted line-target chooser and file
// dialog, and raw reports as a router sends them.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/export_file_dialog.h"
#include "monitor/install_monitor.h"
#include "monitor/monitor_hand_over.h"
#include "protocol/wire.h"
#include "shell/shell_test_support.h"
#include "shell/static_text.h"

namespace tarcfg::testing {

class FakeExportFileDialog : public ExportFileDialog {
 public:
  QString GetExportFileName(QWidget*, const QString& caption, const QString& suggested,
                            const QString& filter) override {
    ++asked;
    lastCaption = caption;
    lastSuggested = suggested;
    lastFilter = filter;
    return answer;
  }
  QString answer;
  int asked = 0;
  QString lastCaption, lastSuggested, lastFilter;
};

// One channel of a raw line status report.
struct RawChannel {
  std::uint8_t state = 0;
  std::uint16_t cause = 0;
  std::uint32_t remote = 0;
  std::string phone;
  std::uint32_t duration = 0, charge = 0, packetsOut = 0, packetsIn = 0;
};

class MonitorTest : public ShellTest {
 protected:
  MonitorTest() : handOver_(std::make_shared<MonitorHandOver>()) {}

  // The main window with the monitoring dialogs, the chooser answering
  // `chooserAnswer_`.
  void StartMonitorWindow() {
    StartWindow();
    MonitorDialogOptions options;
    options.chooseLineTarget = [this](QWidget*, const LineTargetList& targets) {
      ++chooserCalls_;
      chooserListSize_ = targets.count();
      return chooserAnswer_;
    };
    options.exportFileDialog = files_;
    InstallMonitorDialogs(*window_, options);
  }

  // Emulated routers; registers with the first one.
  void RegisterWith(std::vector<tarnex_sim::RouterConfig> routers) {
    UseRouters(std::move(routers));
    StartMonitorWindow();
    RegisterRow(0);
    ASSERT_TRUE(window_->registered());
    ASSERT_TRUE(context_->configuration.has_value());
  }

  // A line status report from `from`, as the router sends it.
  void SendReport(std::uint32_t from, const RawChannel& one, const RawChannel& two,
                  std::size_t length = 86) {
    WireWriter writer;
    writer.U16(command::kLineStatusReport).U16(0);
    for (const RawChannel* c : {&one, &two}) {
      writer.U8(c->state).U16(c->cause).U32(c->remote);
      std::string phone = c->phone;
      phone.resize(20, '\0');
      writer.Raw(std::vector<std::uint8_t>(phone.begin(), phone.end()));
      writer.U32(c->duration).U32(c->charge).U32(c->packetsOut).U32(c->packetsIn);
    }
    std::vector<std::uint8_t> bytes = writer.Take();
    bytes.resize(4 + length, 0);
    network_.Send(from, kWorkstation, std::move(bytes));
    DeliverDatagrams();
  }

  static QString Value(QWidget* dialog, const char* name) {
    auto* field = dialog->findChild<StaticText*>(QString::fromLatin1(name));
    EXPECT_NE(field, nullptr) << name;
    return field ? field->text() : QString();
  }
  static QPushButton* Button(QWidget* dialog, const char* name) {
    auto* found = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  // Payloads (after the 4-byte header) the tool sent with `command`.
  std::vector<std::vector<std::uint8_t>> Payloads(std::uint16_t commandWord) const {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (const auto& datagram : SentByTool(commandWord))
      payloads.emplace_back(datagram.bytes.begin() + 4, datagram.bytes.end());
    return payloads;
  }
  tarnex_sim::Router& SimRouter(int index = 0) { return routers_->sim().routers()[index]; }

  std::shared_ptr<MonitorHandOver> handOver_;
  std::shared_ptr<FakeExportFileDialog> files_ = std::make_shared<FakeExportFileDialog>();
  std::optional<int> chooserAnswer_;
  int chooserCalls_ = 0;
  int chooserListSize_ = -1;
};

// A router with line targets 198.51.100.200 (phone 0301234567) and, for
// `extra` more, 198.51.100.201... with phones 04011, 04012, ...
inline tarnex_sim::RouterConfig RouterWithTargets(const char* address, std::uint8_t hardware,
                                                  int extra) {
  tarnex_sim::RouterConfig config = OpenRouter(address, hardware);
  for (int i = 0; i < extra; ++i) {
    tarnex_sim::LineTarget target = config.lineTargets.front();
    target.address = Ip("198.51.100.201") + static_cast<std::uint32_t>(i);
    target.phone = "0401" + std::to_string(i + 1);
    config.lineTargets.push_back(target);
  }
  return config;
}

}  // namespace tarcfg::testing
