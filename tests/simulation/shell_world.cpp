// SPDX-License-Identifier: GPL-3.0-or-later
// The shell world: the desktop tool's own MainWindow and Line Targets
// dialog on the offscreen platform, over SimulatedLan. The window's timer
// and socket notifier are off (driveProtocol = false); the simulation
// delivers datagrams, ticks and posted events by hand, and message boxes
// are recorded and answered by the simulated user.
//
// The user registers with any router by clicking the list and Register
// (at the password prompt, which runs an event loop of its own, time passes
// before the user types or cancels), opens Line Targets (shown, not exec'd), edits the
// working lists as its editors do, presses OK and Cancel at any moment,
// presses Router (parameter write), Deregister, and ends the program (the
// window closed; the process then ends) and starts it again.
//
// Its own checks, on top of the shared ones:
//   write-applied       whenever a configuration is loaded, no transfer runs
//                       and Line Targets is closed, the working lists equal
//                       the router's tables;
//   write-report-shown  the message about a write that broke off names every
//                       entry as the core reports it, and the report is true
//                       of the router (write-report-true);
//   write-history-kept  the history kept before that write holds the
//                       router's tables as they were.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "config/net_database.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/line_targets_dialog.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/router_history.h"
#include "shell/shell_context.h"
#include "simulation/lan_world.h"

namespace tarcfg::simulation {
namespace {

enum UserEvent : std::uint16_t {
  kRegister = kFirstUserEvent,  // list row argument % rows; prompt habit argument / 3
  kOpenLineTargets,
  kEdit,  // a change to the working lists chosen by the argument
  kOk,
  kCancel,  // the answer to "discard?": argument % 2 == 0 is Yes
  kRouterButton,
  kDeregister,
  kExit,
  kStart,
};

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = {
      "user-register", "user-open-line-targets", "user-edit", "user-ok",   "user-cancel",
      "user-router",   "user-deregister",        "user-exit", "user-start"};
  return names;
}

// The tool's socket, handed to the ShellContext, on the world's LAN.
class LanSocket : public DatagramSocket {
 public:
  explicit LanSocket(testing::SimulatedLan& lan) : lan_(lan) {}
  int Open(std::uint16_t port) override { return lan_.Open(port); }
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override {
    return lan_.SendTo(address, port, bytes);
  }
  ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override {
    return lan_.ReceiveFrom(buffer);
  }
  int descriptor() const override { return -1; }

 private:
  testing::SimulatedLan& lan_;
};

class Answers : public MessageBoxes {
 public:
  void ShowMessage(QWidget*, const QString& text, MessageIcon) override {
    ++shown;
    texts.push_back(text);
  }
  bool AskYesNo(QWidget*, const QString& text, MessageIcon, Answer) override {
    ++asked;
    if (onAsk)
      onAsk(text);
    return yes;
  }
  bool yes = true;
  std::function<void(const QString&)> onAsk;  // sees each question while it is asked
  int shown = 0, asked = 0;
  std::vector<QString> texts;  // every message shown, until the world reads them
};

class NoFiles : public FileDialogs {
 public:
  QString GetOpenFileName(QWidget*, const QString&) override { return {}; }
  QString GetOpenFileNameIn(QWidget*, const QString&, const QString&) override { return {}; }
  QString GetSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

class ShellWorldImpl : public LanWorld {
 public:
  ShellWorldImpl() {
    char pattern[] = "/tmp/tarcfg-simulation-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    directory_ = made ? made : "";
    for (QTimer& timer : promptTimers_) {
      QObject::connect(&timer, &QTimer::timeout, [this] { AnswerPrompt(); });
      timer.start(0);
    }
    answers_.onAsk = [this](const QString& text) { OnQuestion(text); };
    Start();
  }
  ~ShellWorldImpl() override {
    for (QTimer& timer : promptTimers_)
      timer.stop();
    Stop();
    std::error_code ignored;
    if (!directory_.empty())
      std::filesystem::remove_all(directory_, ignored);
  }

  Event Choose(Random& random) override {
    if (random.Chance(45))
      return ChooseShared(random);
    static const std::uint16_t weights[][2] = {
        {kRegister, 12},    {kOpenLineTargets, 10}, {kEdit, 12}, {kOk, 10},  {kCancel, 8},
        {kRouterButton, 4}, {kDeregister, 5},       {kExit, 2},  {kStart, 4}};
    return ChooseWeighted(random, weights);
  }

  void Apply(const Event& event) override {
    if (!ApplyShared(event))
      ApplyUser(event);
    Posted();
  }

 protected:
  const std::vector<std::string>& UserEventNames() const override { return Names(); }
  RouterProtocol* tool() override { return context_ ? context_->protocol.get() : nullptr; }

  void TickTool() override {
    lan_.AdvanceMs(1000);
    if (!context_)
      return;
    Deliver();
    context_->protocol->OnTimerTick();
    Deliver();
  }

  void ApplyUser(const Event& event) override {
    if (event.kind == kStart) {
      if (!context_)
        Start();
      return;
    }
    if (!context_)
      return;
    const std::uint32_t a = event.argument;
    const bool dialogOpen = dialog_ && dialog_->isVisible();
    switch (event.kind) {
      case kRegister: {
        QListWidget* list = window_->findChild<QListWidget*>(QStringLiteral("routerList"));
        if (!list || list->count() == 0 || dialogOpen)
          break;
        list->setCurrentRow(static_cast<int>(a % static_cast<std::uint32_t>(list->count())));
        Posted();
        // A password prompt runs an event loop of its own; the user there
        // lets time pass, then types or cancels.
        prompt_ = a / 3;
        Click("registerButton");
        break;
      }
      case kOpenLineTargets:
        if (!dialogOpen && window_->registered() && context_->configuration) {
          dialog_.reset();
          dialog_ = std::make_unique<LineTargetsDialog>(
              *context_, files_, QString::fromLatin1(context_->SelectedRouterName().c_str()),
              window_.get());
          dialog_->show();
        }
        break;
      case kEdit:
        if (dialogOpen && !dialog_->writeOutstanding() && context_->configuration)
          Edit(a);
        break;
      case kOk:
        if (dialogOpen) {
          // What OK is about to send, as the router held it before (OK
          // sends nothing while an earlier write is still outstanding).
          if (context_->configuration && context_->protocol &&
              !context_->configurationWriteOutstanding()) {
            okPlan_ = context_->PlanWrite();
            okOld_ = ToolTables(*context_->savedConfiguration);
            okRouter_ = static_cast<int>(context_->protocol->registeredRouter() - RouterAddress(0));
            okHardware_ = context_->selected.hardwareAddressText;
            okPermanent_ = context_->selected.current.permanentConnection;
          }
          dialog_->accept();
        }
        break;
      case kCancel:
        if (dialogOpen) {
          answers_.yes = a % 2 == 0;
          dialog_->reject();
          answers_.yes = true;
        }
        break;
      // Line Targets is modal: the main window takes no clicks meanwhile.
      case kRouterButton:
        if (!dialogOpen)
          Click("routerButton");
        break;
      case kDeregister:
        if (!dialogOpen)
          Click("deregisterButton");
        break;
      case kExit:
        // While a write is outstanding the window asks first; the user
        // may stay.
        answers_.yes = a % 3 != 0;
        Stop();
        answers_.yes = true;
        break;
    }
  }

  std::optional<Violation> CheckWorld() override {
    if (quitReport_)
      return std::exchange(quitReport_, std::nullopt);
    if (std::optional<Violation> report = CheckReportsShown())
      return report;
    if (!context_ || !window_->registered() || !context_->configuration ||
        (dialog_ && dialog_->isVisible()))
      return std::nullopt;
    RouterProtocol& p = *context_->protocol;
    if (p.state() != ProtocolState::Registered || p.chainRunning())
      return std::nullopt;
    const int router = static_cast<int>(p.registeredRouter() - RouterAddress(0));
    if (router < 0 || router >= kRouterCount)
      return std::nullopt;
    const TableTexts tool = ToolTables(*context_->configuration);
    const TableTexts held = RouterTables(lan_.router(static_cast<std::size_t>(router)));
    if (tool == held)
      return std::nullopt;
    return Violation{"write-applied",
                     "Line Targets closed, no transfer running: the working lists differ from "
                     "the router's tables: " +
                         DescribeDifference(tool, held)};
  }

 private:
  // A write that broke off: the message must name every entry as the core
  // reports it, and that report must be true of the router.
  std::optional<Violation> CheckReportsShown() {
    std::vector<QString> texts = std::exchange(answers_.texts, {});
    for (const QString& text : texts) {
      if (!text.startsWith(TableText(40115)) || !context_)
        continue;
      const WriteProgress progress = context_->protocol->writeProgress();
      for (const std::string& line : DescribeWriteFailure(okPlan_, progress, context_->planTexts()))
        if (!text.contains(QString::fromLocal8Bit(line.c_str())))
          return Violation{"write-report-shown",
                           "the message about a broken-off write lacks \"" + line + "\""};
      if (okRouter_ >= 0 && okRouter_ < kRouterCount)
        if (auto untrue = CheckWriteReport(okRouter_, okOld_, okPlan_, progress))
          return untrue;
      if (std::optional<Violation> kept = CheckHistoryKept())
        return kept;
    }
    return std::nullopt;
  }

  // The newest history file of the router holds what it held before the
  // write, so that the report's entries can be brought back.
  std::optional<Violation> CheckHistoryKept() {
    const std::vector<HistoryEntry> kept = RouterHistory(*context_).List(okHardware_);
    if (kept.empty())
      return Violation{"write-history-kept", "no history kept before a write that broke off"};
    Configuration loaded;
    const ConfigReadResult read =
        ReadConfigFileQuietly(kept.front().path, okPermanent_, context_->configContext(), loaded);
    if (read.code != kConfigOk || ToolTables(loaded) != okOld_)
      return Violation{"write-history-kept",
                       "the history kept before a write that broke off is not the router's "
                       "tables before it: " +
                           DescribeDifference(ToolTables(loaded), okOld_)};
    return std::nullopt;
  }

  // Quitting while a write is outstanding: the question names every entry
  // as the core reports it, and once the user quits the report is true of
  // the router and the old tables are kept.
  void OnQuestion(const QString& text) {
    const QString quit = TableText(40117);
    if (!context_ || !text.startsWith(quit.left(quit.indexOf(QStringLiteral("%s")))))
      return;
    const WriteProgress progress = context_->protocol->writeProgress();
    for (const std::string& line : DescribeWriteFailure(okPlan_, progress, context_->planTexts()))
      if (!text.contains(QString::fromLocal8Bit(line.c_str()))) {
        quitReport_ =
            Violation{"write-report-shown", "the question before quitting lacks \"" + line + "\""};
        return;
      }
    quitProgress_ = progress;
  }

  // After the window closed on a question answered Yes: the router keeps
  // nothing from here on that the question did not name.
  void CheckQuit() {
    if (!quitProgress_ || quitReport_)
      return;
    const WriteProgress progress = *std::exchange(quitProgress_, std::nullopt);
    if (okRouter_ >= 0 && okRouter_ < kRouterCount)
      quitReport_ = CheckWriteReport(okRouter_, okOld_, okPlan_, progress);
    if (!quitReport_)
      quitReport_ = CheckHistoryKept();
  }

  void Start() {
    context_ = std::make_unique<ShellContext>(database_, answers_);
    context_->workingDirectory = directory_.string();
    context_->stateDirectory = directory_.string();
    context_->historyDirectory = (directory_ / "history").string();
    GuiSettings& settings = context_->settings;
    settings.ownAddress = kWorkstation;
    settings.netMask = 0xFFFFFF00;
    settings.nameResolve = 0;
    settings.firmwarePath = directory_.string();
    settings.ipAddressText = "198.51.100.1";
    settings.netMaskText = "255.255.255.0";
    context_->addresses.SetNameResolve(false);
    context_->CreateProtocol(std::make_unique<LanSocket>(lan_));
    MainWindowOptions options;
    options.driveProtocol = false;
    window_ = std::make_unique<MainWindow>(*context_, options);
    window_->dialogs().editRouterParameters =
        [](MainWindow&, const RouterParameters& current) -> std::optional<RouterParameters> {
      RouterParameters changed = current;
      changed.phoneNumber = "0301999";
      return changed;
    };
    window_->show();
    window_->Start();
    Deliver();
  }

  // The process ends: the window closes as File > Exit closes it, and
  // everything goes with the process.
  void Stop() {
    if (!context_)
      return;
    if (dialog_)
      dialog_->hide();
    if (!window_->close()) {
      if (dialog_)
        dialog_->show();
      return;  // the user stays: the write goes on
    }
    Posted();
    // The process lives on while the core repeats the deregistration.
    for (int i = 0; i < kReleaseTicks && context_->protocol->releasePending(); ++i) {
      TickTool();
      ++tick_;
    }
    CheckQuit();
    dialog_.reset();
    window_.reset();
    context_.reset();
  }

  void Click(const char* name) {
    auto* button = window_->findChild<QPushButton*>(QString::fromLatin1(name));
    if (button && button->isEnabled() && button->isVisible())
      button->click();
    Deliver();
  }

  void Posted() {
    for (int i = 0; i < 3; ++i)
      QCoreApplication::sendPostedEvents();
  }

  void Deliver() {
    if (!context_)
      return;
    for (int guard = 0; guard < 10000 && lan_.pending() > 0 && context_; ++guard) {
      context_->protocol->OnDatagramReady();
      Posted();
    }
    Posted();
  }

  // Inside the password prompt's own loop: `prompt_ / 4 % 16` seconds
  // pass, then the right password (0, 1), a wrong one (2) or Cancel (3).
  void AnswerPrompt() {
    // The innermost prompt: a repeated challenge may open a second one
    // while the user still looks at the first.
    QDialog* dialog = nullptr;
    if (window_)
      for (QDialog* open : window_->findChildren<QDialog*>(QStringLiteral("passwordDialog")))
        if (open->isVisible())
          dialog = open;
    if (!dialog || answering_.count(dialog))
      return;
    answering_.insert(dialog);
    for (std::uint32_t i = 0; i < prompt_ / 4 % 16 && context_; ++i) {
      TickTool();
      ++tick_;
    }
    if (prompt_ % 4 == 3) {
      dialog->reject();
    } else {
      if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("password")))
        edit->setText(prompt_ % 4 == 2 ? QStringLiteral("wrong") : QStringLiteral("secret"));
      dialog->accept();
    }
    answering_.erase(dialog);
  }

  // What the dialog's editors do to the working lists.
  void Edit(std::uint32_t choice) {
    Configuration& work = *context_->configuration;
    const int n = work.lineTargets.count();
    const int pick = static_cast<int>(choice / 4 % 8) + 1;
    switch (choice % 4) {
      case 0:
      case 1:
      case 2:
        EditLineTargets(work, static_cast<int>(choice % 4), pick, choice);
        break;
      case 3:
        if (n > 1)
          work.lineTargets.Move(n, 1);  // the order changes, nothing else
        break;
    }
  }

  std::filesystem::path directory_;
  FakeNetDatabase database_;
  Answers answers_;
  NoFiles files_;
  std::unique_ptr<ShellContext> context_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<LineTargetsDialog> dialog_;
  std::uint32_t prompt_ = 0;
  // Zero-time timers fire only in an event loop, and the only one that
  // runs is a password prompt's: there they play the user. A timer does not
  // fire again while it runs, so a prompt opened meanwhile gets another.
  std::array<QTimer, 3> promptTimers_;
  std::set<QDialog*> answering_;
  // The last OK: its plan, the router's tables before, the router.
  WritePlan okPlan_;
  TableTexts okOld_;
  int okRouter_ = -1;
  std::string okHardware_;
  int okPermanent_ = 0;
  std::optional<WriteProgress> quitProgress_;  // what the quit question named
  std::optional<Violation> quitReport_;
};

}  // namespace

WorldKind ShellWorld() {
  return {"shell", [] { return std::make_unique<ShellWorldImpl>(); }};
}

}  // namespace tarcfg::simulation
