// SPDX-License-Identifier: GPL-3.0-or-later
// What the GUI tests share: a message-box recorder, the emulated routers on
// the in-memory network, a fresh shell per test, and helpers that drive
// ticks, datagrams and posted events by hand.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/net_database.h"
#include "protocol/in_memory_network.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/shell_context.h"
#include "sim/network.h"
#include "sim/router_model.h"

namespace tarcfg::testing {

inline constexpr std::uint32_t kWorkstation = 0xC6336401;  // 198.51.100.1
inline constexpr std::uint32_t kNetMask = 0xFFFFFF00;
inline constexpr std::uint32_t kBroadcast = 0xC63364FF;
// Where the emulated routers without an address of their own send from.
inline constexpr std::uint32_t kLoaderSlot = 0xC6336463;  // 198.51.100.99

std::uint32_t Ip(const char* dotted);

struct ShownMessage {
  QString text;
  MessageIcon icon;
  Answer defaultAnswer = Answer::Yes;  // of a question: what Enter gives
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(QWidget*, const QString& text, MessageIcon icon) override {
    shown.push_back({text, icon});
  }
  bool AskYesNo(QWidget*, const QString& text, MessageIcon icon, Answer defaultAnswer) override {
    shown.push_back({text, icon, defaultAnswer});
    bool answer = answers.empty() ? false : answers.front();
    if (!answers.empty())
      answers.pop_front();
    return answer;
  }
  std::vector<ShownMessage> shown;
  std::deque<bool> answers;
};

// Routers played by tarnex-sim's router logic, attached to the in-memory
// network. Their clock moves only when the test ticks.
class EmulatedRouters {
 public:
  EmulatedRouters(InMemoryNetwork& network, std::vector<tarnex_sim::RouterConfig> routers,
                  tarnex_sim::Faults faults = {});
  ~EmulatedRouters();
  void Advance(std::uint64_t milliseconds);
  // Power-cycles router `index` now: its session ends without a word.
  void Reboot(std::size_t index) { sim_.Reboot(index, now_); }
  tarnex_sim::Network& sim() { return sim_; }

 private:
  void OnDatagram(std::uint32_t slot, const NetworkDatagram& datagram);
  void Flush();

  InMemoryNetwork& network_;
  tarnex_sim::Network sim_;
  std::vector<std::uint32_t> slots_;
  std::uint64_t now_ = 0;
};

tarnex_sim::RouterConfig OpenRouter(const char* address, std::uint8_t lastHardwareByte);

// One fresh shell: settings of workstation 198.51.100.1/24, the in-memory
// network, a fake name service, recorded message boxes and a main window
// that does not run timers of its own.
class ShellTest : public ::testing::Test {
 protected:
  ShellTest();
  ~ShellTest() override;

  // Emulated routers (replaces earlier ones).
  void UseRouters(std::vector<tarnex_sim::RouterConfig> routers, tarnex_sim::Faults faults = {});
  // Creates the window, shows it and starts it (protocol and scan).
  void StartWindow();
  // Runs the events posted so far (WM_ROUTER_STATE, posted messages, keys).
  void ProcessPosted();
  // One second: the protocol's tick, the routers' clock, the datagrams.
  void Tick(int count = 1);
  // Hands every datagram waiting at the tool's socket to the protocol.
  void DeliverDatagrams();
  // Scan to its end (five seconds) and the posted Space.
  void FinishScan();
  // Scan, select `row`, press Register and let the exchange run.
  void RegisterRow(int row);

  // A scan answer from `from`, as a router would send it.
  void SendScanAnswer(std::uint32_t from, std::uint32_t routerAddress,
                      const HardwareAddress& hardware, std::uint32_t registeredHost);

  QListWidget* list();
  QPushButton* button(const char* name);
  std::vector<QString> ListLines();
  std::vector<QString> MessageTexts() const;
  // The enabled flags of Register, Deregister, Router, Line Targets,
  // Connections, Accounting, Router Overview and the list, as a string of
  // R D T L C A O S letters (lower case when disabled).
  std::string EnabledStates();
  // Datagrams the tool sent with `command`.
  std::vector<NetworkDatagram> SentByTool(std::uint16_t command) const;

  // Presses Router; the Router Configuration dialog answers with `edit`
  // applied to the current parameters.
  void EditWith(std::function<void(RouterParameters&)> edit);

  // Runs `action` on the modal dialog that a flow opens next.
  static void WhenModalOpens(std::function<void(QDialog*)> action);

  std::filesystem::path directory_;
  std::filesystem::path previousDirectory_;
  FakeNetDatabase database_;
  RecordingMessageBoxes messages_;
  InMemoryNetwork network_{kNetMask};
  std::unique_ptr<EmulatedRouters> routers_;
  std::unique_ptr<ShellContext> context_;
  InMemorySocket* socket_ = nullptr;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tarcfg::testing
