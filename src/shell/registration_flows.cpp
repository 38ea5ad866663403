// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's flows around a registration: registering with the
// selected router (with its password prompt), loading its configuration,
// deregistering, sending changed router parameters, and network errors.
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "config/config_file.h"
#include "config/protocol_definitions.h"
#include "config/string_table.h"
#include "protocol/router_rules.h"
#include "shell/main_window.h"
#include "shell/password_dialog.h"
#include "shell/router_history.h"

namespace tarcfg {

void MainWindow::RegisterSelectedRouter() {
  if (registered_ || !context_.protocol)
    return;
  RouterEntry* entry = SelectedEntry();
  if (!entry)
    return;
  SelectedRouter& selected = context_.selected;
  // Until WM_ROUTER_STATE arrives no second registration can be started.
  overviewButton_->setEnabled(false);
  registerButton_->setEnabled(false);
  list_->setEnabled(false);
  // A configuration left from an earlier registration is not this one's.
  context_.FreeConfiguration();
  context_.undefinedProtocols = false;

  const std::uint32_t address = context_.addresses.ResolveAddress(entry->displayName);
  selected.routerAddressText = DottedQuad(address);
  if (address == 0) {
    // A router without an address yet: registered without any exchange;
    // its configuration will reach it by a download to its Ethernet address.
    selected.current = RouterParameters{};
    selected.current.dChannelProtocol = 255;
    PostRouterState(0);
    return;
  }
  // A session the window already ended while one of its requests was still
  // in flight (the protocol then keeps it) is ended now, before the new one.
  if (context_.protocol->state() == ProtocolState::Registered)
    context_.protocol->Deregister();
  context_.protocol->Register(
      [this](const RegistrationResult& result) { OnRegistrationReply(result); }, address);
  selected.current.exclusiveToThisHost = entry->exclusiveToThisHost;
  // Register does nothing outside Idle; the window must not stay disabled.
  if (context_.protocol->state() != ProtocolState::Registering)
    PostRouterState(1);
  else
    BeginWaitCursor(tr("Registering with router %1...").arg(RouterName()));
}

void MainWindow::OnRegistrationReply(const RegistrationResult& result) {
  SelectedRouter& selected = context_.selected;
  switch (result.kind) {
    case RegistrationKind::Accepted: {
      selected.lineTargetCount = result.lineTargetCount;
      selected.routeCount = result.routeCount;
      selected.filterCount = result.filterCount;
      ApplyRegistration(result, selected.routerAddressText, selected.current);
      BeginWaitCursor(tr("Reading the configuration of router %1...").arg(RouterName()), true);
      context_.protocol->ReadConfiguration(
          result.lineTargetCount, result.routeCount, result.filterCount,
          [this](Configuration& loaded) { OnConfigurationLoaded(loaded); });
      break;
    }
    case RegistrationKind::PasswordRequested: {
      EndWaitCursor();  // the user types now
      const std::uint16_t sequence = result.challengeSequence;
      const std::uint16_t seed = result.seed;
      Post([this, sequence, seed] { PromptPassword(sequence, seed); });
      break;
    }
    case RegistrationKind::Refused: {
      EndWaitCursor();
      selected.current.password = "";
      PostRouterState(1);
      const std::string text = RegistrationRefusalMessage(result);
      Post([this, text] { Show(MessageText(text), MessageIcon::Exclamation); });
      break;
    }
  }
}

void MainWindow::PromptPassword(std::uint16_t challengeSequence, std::uint16_t seed) {
  RouterProtocol* protocol = context_.protocol.get();
  if (!protocol || protocol->state() != ProtocolState::PasswordRequested)
    return;  // the registration ended while the prompt waited
  PasswordDialog dialog(context_.messages, this);
  const bool typed = dialog.exec() == QDialog::Accepted;
  if (protocol->state() != ProtocolState::PasswordRequested)
    return;  // ended meanwhile; the error has brought the window back
  if (!typed) {
    // Cancel gives up this registration; the list is usable again.
    context_.selected.current.password = "";
    protocol->AbandonPasswordPrompt();
    PostRouterState(1);
    return;
  }
  context_.selected.current.password = dialog.password();
  protocol->SendPassword(challengeSequence, dialog.password(), seed);
  BeginWaitCursor(tr("Registering with router %1...").arg(RouterName()));
}

void MainWindow::OnConfigurationLoaded(Configuration& loaded) {
  context_.configuration = std::move(loaded);
  context_.savedConfiguration = context_.configuration->Clone();
  KeepChangesMadeElsewhere(context_, this);
  ProtocolAdditionsResult additions = WriteProtocolAdditions(
      context_.settings.firmwarePath, context_.configuration->lineTargets, context_.tables);
  context_.undefinedProtocols = additions.undefined;
  EndWaitCursor();
  PostRouterState(0);
  if (context_.undefinedProtocols) {
    // SAVE.CFG names the protocols as TARCFG.ADD defines them, so that it
    // loads once those lines are in tarcfg.pro; no line target is left out.
    const Configuration& configuration = *context_.configuration;
    const ProtocolCompletion named = CompleteProtocols(configuration.lineTargets, additions.tables);
    std::error_code ignored;
    std::filesystem::create_directories(context_.stateDirectory, ignored);
    const ConfigWriteResult saved =
        WriteConfigFile(context_.stateDirectory + "/save.cfg", named.lineTargets,
                        configuration.routes, configuration.filters, context_.selected.current,
                        ConfigContext{named.tables, context_.addresses, context_.database});
    Post([this] { Show(TableText(40002), MessageIcon::Exclamation); });
    // The message above promises SAVE.CFG; when it could not be written, say so.
    if (!saved) {
      const QString failure = QString::fromLocal8Bit(ConfigWriteMessage(saved).c_str());
      Post([this, failure] { Show(failure, MessageIcon::Exclamation); });
    }
  }
}

void MainWindow::DeregisterRouter() {
  if (!registered_)
    return;
  EndRegistration();
  registered_ = false;
  UpdateCommandStates();
  list_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::EndRegistration() {
  EndWaitCursor();
  if (context_.protocol)
    context_.protocol->Deregister();
  // A configuration write still outstanding ends here, unconfirmed.
  context_.CheckConfigurationWrite();
  // The registration's values go; what identifies the selected line stays,
  // since only a change of selection sets it again: a download after the
  // next registration needs the router's hardware address.
  SelectedRouter& selected = context_.selected;
  SelectedRouter kept;
  kept.selectedIndex = selected.selectedIndex;
  kept.pending = selected.pending;
  kept.hardwareAddressText = selected.hardwareAddressText;
  kept.hardwareAddress = selected.hardwareAddress;
  selected = std::move(kept);
  context_.FreeConfiguration();
  context_.undefinedProtocols = false;
}

void MainWindow::EditRouterParameters() {
  if (!registered_ || !dialogs_.editRouterParameters || context_.RequestInProgress())
    return;
  std::optional<RouterParameters> changed =
      dialogs_.editRouterParameters(*this, context_.selected.current);
  if (!changed)
    return;
  if (RouterEntry* entry = SelectedEntry())
    entry->exclusiveToThisHost = changed->exclusiveToThisHost;
  const int kind = CompareRouterParameters(context_.selected.current, *changed);
  update();
  if (kind != kNoChange)
    ApplyRouterParameters(*changed, kind);
}

void MainWindow::ApplyRouterParameters(const RouterParameters& changed, int kind) {
  SelectedRouter& selected = context_.selected;
  selected.pending = changed;
  if (selected.current.name.empty())
    kind = kFullReconfiguration;  // a router without address learns it by download
  RouterProtocol* protocol = context_.protocol.get();
  if (!protocol && kind != kFullReconfiguration)
    return;
  // A download keeps the history itself, once the firmware is chosen.
  if (kind != kFullReconfiguration &&
      !KeepHistoryBeforeWrite(context_, this, "Router Configuration",
                              DescribeRouterParameterChanges(selected.current, changed)))
    return;
  if (kind != kFullReconfiguration)
    BeginWaitCursor(tr("Writing the router parameters to router %1...").arg(RouterName()));
  switch (kind) {
    case kPasswordChange:
      protocol->ChangePassword([this] { OnParametersConfirmed(); }, selected.pending.password,
                               selected.current.password,
                               selected.pending.exclusiveToThisHost != 0);
      break;
    case kParameterChange:
      protocol->WriteRouterParameters([this] { OnParametersConfirmed(); }, selected.pending);
      break;
    case kPasswordAndParameters:
      protocol->ChangePassword(
          [this] {
            context_.selected.current = context_.selected.pending;
            // The parameter write goes out once the password answer is done with.
            Post([this] {
              if (context_.protocol && registered_)
                context_.protocol->WriteRouterParameters([this] { OnParametersConfirmed(); },
                                                         context_.selected.pending);
            });
          },
          selected.pending.password, selected.current.password,
          selected.pending.exclusiveToThisHost != 0);
      break;
    case kFullReconfiguration:
      if (dialogs_.startFullReconfiguration)
        dialogs_.startFullReconfiguration(*this, selected.pending);
      break;
    default:
      break;
  }
}

void MainWindow::OnParametersConfirmed() {
  EndWaitCursor();
  context_.selected.current = context_.selected.pending;
  Post([this] { Show(TableText(40111), MessageIcon::Information); });
}

void MainWindow::OnNetworkError(int code) {
  const std::string text = NetworkErrorMessage(code);
  Post([this, text] { Show(MessageText(text), MessageIcon::Stop); });
  // Statuses 11 and 12 leave the protocol registered, yet the window goes
  // back to the unregistered state: the router is let go, not left held.
  const ProtocolState state = context_.protocol->state();
  if (state == ProtocolState::Registered || state == ProtocolState::Transferring)
    context_.protocol->Deregister();
  // A configuration write the error ended is reported as failed, after the error.
  context_.CheckConfigurationWrite();
  if (dialogs_.closeProgressWindow)
    dialogs_.closeProgressWindow();
  EndWaitCursor();
  PostRouterState(1);
}

}  // namespace tarcfg
