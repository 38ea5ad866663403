// SPDX-License-Identifier: GPL-3.0-or-later
// Every window's Alt+letter keys are its own: no two controls of one
// window share one, so each key acts instead of only moving the focus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>
#include <functional>
#include <memory>

#include "dialogs/change_password_dialog.h"
#include "dialogs/dialogs_test_support.h"
#include "dialogs/filter_dialogs.h"
#include "dialogs/history_window.h"
#include "dialogs/network_configuration_dialog.h"
#include "dialogs/offline_editor.h"
#include "dialogs/route_dialogs.h"
#include "dialogs/router_configuration_dialog.h"
#include "dialogs/select_firmware_dialog.h"
#include "monitor/accounting_dialog.h"
#include "monitor/line_status_dialog.h"
#include "monitor/monitor_hand_over.h"
#include "monitor/router_overview_dialog.h"
#include "monitor/setup_connection_chooser.h"
#include "shell/about_dialog.h"
#include "shell/password_dialog.h"

namespace tarcfg::testing {
namespace {

class NoExportFileDialog : public ExportFileDialog {
 public:
  QString GetExportFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return QString();
  }
};

class MnemonicsTest : public DialogsTest {};

TEST_F(MnemonicsTest, NoWindowGivesOneKeyToTwoControls) {
  Register();
  ShellContext& context = *context_;
  MainWindow* main = window_.get();
  const QString router = QStringLiteral("198.51.100.10");
  auto handOver = std::make_shared<MonitorHandOver>();
  NoExportFileDialog exports;
  OfflineConfiguration offline;
  offline.path = "offline.cfg";
  RouterPasswordChoice choice;
  using Make = std::function<std::unique_ptr<QWidget>()>;
  const std::vector<std::pair<const char*, Make>> windows = {
      {"Line Targets",
       [&] { return std::make_unique<LineTargetsDialog>(context, files_, router, main); }},
      {"Line Targets without a router",
       [&] { return std::make_unique<LineTargetsDialog>(context, files_, offline, main); }},
      {"Filter Table",
       [&] {
         return std::make_unique<FilterTableDialog>(working().filters, router, context.addresses,
                                                    context.database, context.messages, main);
       }},
      {"Edit Filter",
       [&] {
         return std::make_unique<EditFilterDialog>(context.addresses, context.database,
                                                   context.messages, 1, 1, main);
       }},
      {"Routing Table",
       [&] {
         return std::make_unique<RoutingTableDialog>(working().routes, router, context.addresses,
                                                     context.messages, main);
       }},
      {"Edit Route",
       [&] {
         return std::make_unique<EditRouteDialog>(context.addresses, context.messages, router, 1, 1,
                                                  main);
       }},
      {"Network Configuration",
       [&] {
         return std::make_unique<NetworkConfigurationDialog>(context.tables, context.addresses,
                                                             context.messages, 0, main);
       }},
      {"Router Configuration",
       [&] {
         return std::make_unique<RouterConfigurationDialog>(context, context.selected.current,
                                                            choice, main);
       }},
      {"Change Password",
       [&] {
         return std::make_unique<ChangePasswordDialog>(context.messages, router, false, main);
       }},
      {"Select Firmware",
       [&] {
         return std::make_unique<SelectFirmwareDialog>(context.settings.firmwarePath, 1, "", main);
       }},
      {"Operating Mode", [&] { return std::make_unique<OperatingModeChoiceDialog>(main); }},
      {"Configuration History",
       [&] { return std::make_unique<HistoryWindow>(context, router, main); }},
      {"Setup Connection",
       [&] { return std::make_unique<SetupConnectionDialog>(working().lineTargets, main); }},
      {"Setup Connection (line monitor)",
       [&] { return std::make_unique<StandInSetupConnectionDialog>(working().lineTargets, main); }},
      {"Password", [&] { return std::make_unique<PasswordDialog>(context.messages, main); }},
      {"About", [&] { return std::make_unique<AboutDialog>(main); }},
      {"Accounting Data",
       [&] {
         return std::make_unique<AccountingDialog>(context, handOver, exports, router, main);
       }},
      {"Line Status",
       [&] {
         return std::make_unique<LineStatusDialog>(context, handOver, router, nullptr, main);
       }},
      {"Router Overview",
       [&] { return std::make_unique<RouterOverviewDialog>(context, handOver, main); }},
  };
  EXPECT_EQ(MnemonicClashes(main), std::vector<std::string>()) << "main window";
  for (const auto& [name, make] : windows) {
    std::unique_ptr<QWidget> window = make();
    EXPECT_EQ(MnemonicClashes(window.get()), std::vector<std::string>()) << name;
  }
  // The same windows in German: the translator picks the keys anew.
  QTranslator german;
  ASSERT_TRUE(german.load(QStringLiteral(":/i18n/tarcfg_de.qm")));
  QCoreApplication::installTranslator(&german);
  for (const auto& [name, make] : windows) {
    std::unique_ptr<QWidget> window = make();
    EXPECT_EQ(MnemonicClashes(window.get()), std::vector<std::string>()) << name << " (de)";
  }
  {
    // Last: its end lets the router go.
    MainWindow translated(context, MainWindowOptions{false, QString()});
    EXPECT_EQ(MnemonicClashes(&translated), std::vector<std::string>()) << "main window (de)";
  }
  QCoreApplication::removeTranslator(&german);
}

}  // namespace
}  // namespace tarcfg::testing
