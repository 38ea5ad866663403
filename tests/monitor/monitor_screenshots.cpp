// SPDX-License-Identifier: GPL-3.0-or-later
// monitor_screenshots: pictures of Line Status with a live connection, of
// Accounting Data with counters read and of Router Overview with a finished
// report, for the documentation.
//
//   QT_QPA_PLATFORM=offscreen monitor_screenshots [DIRECTORY]
//
// writes line-status.png, accounting.png and router-overview.png into
// DIRECTORY (default docs/screenshots). No network is involved: the windows
// are fed the records the protocol would hand them. With --dark the
// application has a dark palette, the names end in "-dark"
// (line-status-dark.png, ...), and main-window-dark.png shows the main window
// (its light picture is scripts/screenshot's, of a real scan). In a German
// locale the pictures are German, the main window's among them.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <cstdio>

#include "config/net_database.h"
#include "config/string_table.h"
#include "i18n/translations.h"
#include "monitor/accounting_dialog.h"
#include "monitor/line_status_dialog.h"
#include "monitor/monitor_hand_over.h"
#include "monitor/router_overview_dialog.h"
#include "shell/field_exchange.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/shell_context.h"
#include "shell/static_text.h"
#include "support/dark_palette.h"

namespace {

bool Save(QWidget& dialog, const QString& path) {
  dialog.show();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  const bool saved = dialog.grab().save(path);
  std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "cannot write",
               path.toLocal8Bit().constData());
  return saved;
}

// Exporting is not part of a picture.
class NoExportFile : public tarcfg::ExportFileDialog {
 public:
  QString GetExportFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return QString();
  }
};

std::uint32_t Address(int a, int b, int c, int d) {
  return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(b) << 16 |
         static_cast<std::uint32_t>(c) << 8 | static_cast<std::uint32_t>(d);
}

}  // namespace

int main(int argc, char** argv) {
  const bool dark = tarcfg::testing::TakeDarkOption(argc, argv);
  QApplication app(argc, argv);
  // In the language of the locale: LANG=de_DE.UTF-8 takes the German pictures.
  tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg")});
  if (dark)
    tarcfg::testing::UseDarkPalette();
  const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral(".png");
  const QString directory =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
  QDir().mkpath(directory);
  tarcfg::StaticText::RegisterStaticTextClass();

  tarcfg::FakeNetDatabase database;
  tarcfg::QtMessageBoxes messages;
  tarcfg::ShellContext context(database, messages);
  context.addresses.SetNameResolve(false);
  auto handOver = std::make_shared<tarcfg::MonitorHandOver>();
  bool ok = true;

  {
    tarcfg::LineStatusDialog dialog(context, handOver, QStringLiteral("198.51.100.10"), nullptr);
    tarcfg::LineStatus status;
    tarcfg::ChannelStatus& one = status.channels[0];
    one.state = 3;
    one.cause = 0;
    one.remoteAddress = "198.51.100.200";
    one.phoneNumber = "0301234567";
    one.duration = 754;
    one.charge = 12;
    one.packetsOut = 1834;
    one.packetsIn = 2291;
    status.channels[1].cause = 0x0010;
    dialog.ShowLineStatus(status);
    ok = Save(dialog, QDir(directory).filePath(QStringLiteral("line-status") + suffix)) && ok;
    dialog.done(0);
  }

  {
    // Counters in the router's order: charge, calls out, calls in, packets
    // out, packets in, bytes out, bytes in.
    NoExportFile files;
    tarcfg::AccountingDialog dialog(context, handOver, files, QStringLiteral("198.51.100.10"));
    tarcfg::LineTargetList counted = tarcfg::NewLineTargetList();
    tarcfg::LineTarget headOffice;
    headOffice.hostName = "198.51.100.200";
    headOffice.phoneNumber = "0301234567";
    headOffice.accountingCounters = {12, 4, 1, 3200, 2900, 409600, 371200};
    counted.Append(headOffice);
    tarcfg::LineTarget branch;
    branch.hostName = "198.51.100.201";
    branch.phoneNumber = "0891234567";
    branch.accountingCounters = {3, 1, 0, 150, 140, 19200, 17920};
    counted.Append(branch);
    handOver->OnAccountingDone(counted);
    ok = Save(dialog, QDir(directory).filePath(QStringLiteral("accounting") + suffix)) && ok;
    dialog.done(0);
  }

  {
    context.routers = tarcfg::NewRouterEntryList();
    const char* hardware[] = {"00-60-1a-10-00-01", "00-60-1a-10-00-02", "00-60-1d-01-02-03"};
    const char* names[] = {"198.51.100.10", "198.51.100.11", "198.51.100.12"};
    for (int i = 0; i < 3; ++i) {
      tarcfg::RouterEntry entry;
      entry.displayName = names[i];
      entry.hardwareAddress = hardware[i];
      context.routers->Append(entry);
    }
    tarcfg::RouterOverviewDialog dialog(context, handOver);
    tarcfg::OverviewAnswer first;
    first.routerAddress = Address(198, 51, 100, 10);
    first.channels[0] = {3, Address(198, 51, 100, 200), "branch-office"};
    first.dChannelProtocol = 1;
    first.firmwareVersion = "2.10";
    tarcfg::OverviewAnswer second;
    second.routerAddress = Address(198, 51, 100, 11);
    second.permanentConnection = 2;
    second.firmwareVersion = "2.08";
    tarcfg::OverviewAnswer end;
    end.end = 1;
    for (const auto* answer : {&first, &second, &end})
      handOver->OnOverviewAnswer(&*context.routers, context.addresses, *answer);
    ok = Save(dialog, QDir(directory).filePath(QStringLiteral("router-overview") + suffix)) && ok;
    dialog.done(0);
  }

  if (dark || !tarcfg::InstalledLanguage().isEmpty()) {
    // The main window with the routers of the overview listed, the second
    // one held by another host, the first one selected; no scan runs.
    tarcfg::MainWindowOptions options;
    options.driveProtocol = false;
    tarcfg::MainWindow window(context, options);
    window.setWindowTitle(tarcfg::TableText(57344));
    auto* list = window.findChild<QListWidget*>(QStringLiteral("routerList"));
    tarcfg::SetListTabStops(list,
                            {window.findChild<QLabel*>(QStringLiteral("hardwareHeader")),
                             window.findChild<QLabel*>(QStringLiteral("nameHeader"))},
                            window.units());
    list->addItem(QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "));
    list->addItem(QStringLiteral("(00-60-1a-10-00-02\t198.51.100.11)"));
    list->addItem(QStringLiteral(" 00-60-1d-01-02-03\t198.51.100.12 "));
    list->setCurrentRow(0);
    ok = Save(window, QDir(directory).filePath(QStringLiteral("main-window") + suffix)) && ok;
  }
  return ok ? 0 : 1;
}
