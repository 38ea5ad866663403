// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of the configuration dialogs on sample data:
//   dialog_screenshots [--dark] [DIRECTORY]   (default docs/screenshots)
// --dark: with a dark palette, in files whose names end in "-dark".
// Run it on the offscreen platform; nothing goes to the network.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <cstdio>

#include "config/net_database.h"
#include "dialogs/filter_dialogs.h"
#include "dialogs/history_window.h"
#include "dialogs/line_targets_dialog.h"
#include "dialogs/network_configuration_dialog.h"
#include "dialogs/route_dialogs.h"
#include "i18n/translations.h"
#include "shell/message_boxes.h"
#include "shell/shell_context.h"
#include "support/dark_palette.h"
#include "support/sample_configuration.h"

namespace {

using namespace tarcfg;
using tarcfg::testing::SampleFilter;
using tarcfg::testing::SampleLineTarget;
using tarcfg::testing::SampleRoute;

bool dark = false;

bool Save(QWidget& widget, const QDir& directory, const char* name) {
  widget.show();
  widget.adjustSize();
  QApplication::processEvents();
  QString file = QString::fromLatin1(name);
  if (dark)
    file.replace(QStringLiteral(".png"), QStringLiteral("-dark.png"));
  const QString path = directory.filePath(file);
  const bool saved = widget.grab().save(path);
  std::printf("%s %s\n", saved ? "saved" : "FAILED", path.toLocal8Bit().constData());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  dark = tarcfg::testing::TakeDarkOption(argc, argv);
  QApplication app(argc, argv);
  // In the language of the locale: LANG=de_DE.UTF-8 takes the German pictures.
  tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg")});
  if (dark)
    tarcfg::testing::UseDarkPalette();
  const QDir directory(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                : QStringLiteral("docs/screenshots"));
  FakeNetDatabase database;
  QtMessageBoxes messages;
  ShellContext context(database, messages);
  context.addresses.SetNameResolve(false);

  Configuration configuration;
  configuration.lineTargets.Append(SampleLineTarget("198.51.100.200", "0301234567"));
  configuration.lineTargets.Append(SampleLineTarget("198.51.100.201", "0897654321"));
  configuration.lineTargets.Append(SampleLineTarget("203.0.113.7", "004940123456"));
  configuration.routes.Append(SampleRoute("255.255.255.255", "198.51.100.200", "198.51.100.200"));
  configuration.routes.Append(SampleRoute("255.255.255.0", "198.51.101.0", "198.51.100.200"));
  configuration.routes.Append(SampleRoute("0.0.0.0", "0.0.0.0", "198.51.100.201"));
  configuration.filters.Append(
      SampleFilter("255.255.255.0", "198.51.100.0", "255.255.255.255", "198.51.101.1", 6, 80, 1));
  configuration.filters.Append(
      SampleFilter("255.255.255.0", "198.51.100.0", "255.255.255.255", "198.51.101.2", 17, 53, 1));
  configuration.filters.Append(
      SampleFilter("255.255.255.0", "203.0.113.0", "255.255.255.255", "198.51.101.1", 6, 23, 0));
  EnsureDefaultFilter(configuration.filters);
  context.configuration = configuration.Clone();
  context.savedConfiguration = configuration.Clone();
  const QString router = QStringLiteral("198.51.100.10");

  bool ok = true;
  {
    QtFileDialogs files;
    LineTargetsDialog dialog(context, files, router);
    dialog.findChild<QListWidget*>(QStringLiteral("lineTargetList"))->setCurrentRow(0);
    ok &= Save(dialog, directory, "line-targets.png");
  }
  {
    NetworkConfigurationDialog dialog(context.tables, context.addresses, messages, 0);
    LineTarget ppp = SampleLineTarget("198.51.100.200", "0301234567");
    ppp.layer2Protocol = 2;
    ppp.layer3Protocol = 2;
    ppp.localIdentification = "tarnex/secret";
    ppp.remoteIdentification = "office/secret";
    dialog.LoadFrom(ppp);
    ok &= Save(dialog, directory, "network-configuration.png");
  }
  {
    FilterTableDialog dialog(context.configuration->filters, router, context.addresses, database,
                             messages);
    ok &= Save(dialog, directory, "filter-table.png");
  }
  {
    RoutingTableDialog dialog(context.configuration->routes, router, context.addresses, messages);
    ok &= Save(dialog, directory, "routing-table.png");
  }
  {
    // A kept version against the router's lists: a phone number changed, a
    // route added, a filter's action turned round.
    Configuration now = configuration.Clone();
    now.lineTargets.NodeAt(2)->phoneNumber = "0897650000";
    now.routes.Append(SampleRoute("255.255.0.0", "10.20.0.0", "198.51.100.201"));
    now.filters.NodeAt(3)->action = 1;
    ComparisonDialog dialog(
        QStringLiteral("2026-12-01T09:30:00Z"),
        QCoreApplication::translate("tarcfg::HistoryWindow", "Router (as last read or written)"),
        SideBySideRows(configuration, now, context.planTexts()));
    ok &= Save(dialog, directory, "comparison.png");
  }
  return ok ? 0 : 1;
}
