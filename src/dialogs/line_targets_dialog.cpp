// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/line_targets_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <memory>

#include "config/config_file.h"
#include "config/operating_modes.h"
#include "config/reports.h"
#include "config/string_table.h"
#include "config/write_plan.h"
#include "dialogs/dialog_buttons.h"
#include "dialogs/filter_dialogs.h"
#include "dialogs/history_window.h"
#include "dialogs/list_panel.h"
#include "dialogs/network_configuration_dialog.h"
#include "dialogs/offline_editor.h"
#include "dialogs/route_dialogs.h"
#include "protocol/table_codec.h"
#include "shell/field_exchange.h"
#include "shell/main_window.h"
#include "shell/router_history.h"

namespace tarcfg {
namespace {

std::vector<QString> LineTargetRows(const LineTargetList& lineTargets) {
  std::vector<QString> rows;
  int number = 0;
  for (const LineTarget& target : lineTargets)
    rows.push_back(LineTargetRow(++number, target));
  return rows;
}

ListPanel LineTargetPanel(QWidget* parent, const DialogUnits& units, const QString& phoneHeader) {
  return MakeListPanel(parent, units,
                       {{QCoreApplication::translate("tarcfg::LineTargetsDialog", "&Position"), 0},
                        {QCoreApplication::translate("tarcfg::LineTargetsDialog", "Host Name"), 32},
                        {phoneHeader, 128}},
                       200, 96, "lineTargetList");
}

template <class Record>
void AppendChanges(QStringList& lines, const QString& written, const QString& deleted,
                   const std::vector<PlannedChange<Record>>& planned,
                   const std::function<QString(const PlannedChange<Record>&)>& describe) {
  for (const PlannedChange<Record>& entry : planned) {
    lines << (entry.change.deleted ? deleted : written).arg(entry.change.position + 1) +
                 QLatin1Char('\t') + describe(entry);
  }
}

bool Cleared(const IdentificationText& before, const IdentificationText& after) {
  return !before.empty() && after.empty();
}

// A line target written over the router's entry of the same host takes
// away the PPP identifications stored there when it has none itself (the
// editor shows and keeps identifications for PPP only).
bool ClearsIdentifications(const PlannedChange<LineTarget>& entry) {
  const LineTarget& before = entry.before;
  const LineTarget& after = entry.change.record;
  return entry.action == PlannedAction::kChanged &&
         before.hostName.view() == after.hostName.view() &&
         (Cleared(before.remoteIdentification, after.remoteIdentification) ||
          Cleared(before.localIdentification, after.localIdentification));
}

// Where the columns of the change rows start, in dialog units: the entry
// ("Line target 30: written"), then up to four values.
const std::vector<int> kChangeTabStops = {100, 176, 252, 328};
constexpr int kChangeListWidth = 420;

}  // namespace

QString LineTargetRow(int number, const LineTarget& target) {
  return QString::asprintf("%d.\t%s\t%s", number, target.hostName.c_str(),
                           target.phoneNumber.c_str());
}

// --- Line Targets ----------------------------------------------------------

LineTargetsDialog::LineTargetsDialog(ShellContext& context, FileDialogs& files,
                                     const QString& routerName, QWidget* parent)
    : QDialog(parent), context_(context), files_(files), routerName_(routerName), units_(font()) {
  if (!context_.configuration)
    context_.configuration.emplace();
  if (!context_.savedConfiguration)
    context_.savedConfiguration = work().Clone();
  Build();
  rememberedFileName_ =
      RememberedFileName(routerName_.toLatin1().toStdString(), MaxFileNameLength("."));
}

LineTargetsDialog::LineTargetsDialog(ShellContext& context, FileDialogs& files,
                                     OfflineConfiguration& offline, QWidget* parent)
    : QDialog(parent),
      context_(context),
      files_(files),
      offline_(&offline),
      //: Router name of Line Targets while it edits a file without a router.
      routerName_(tr("(none)")),
      units_(font()) {
  rememberedFileName_ = offline.path;
  Build();
}

Configuration& LineTargetsDialog::work() const {
  return offline_ ? offline_->configuration : *context_.configuration;
}

const Configuration& LineTargetsDialog::saved() const {
  return offline_ ? offline_->saved : *context_.savedConfiguration;
}

int LineTargetsDialog::permanentConnection() const {
  return offline_ ? offline_->permanentConnection : context_.selected.current.permanentConnection;
}

RouterParameters LineTargetsDialog::FileParameters() const {
  if (!offline_)
    return context_.selected.current;
  // No router was read: the file's router section stays unknown but for the
  // mode it was edited in.
  RouterParameters unknown;
  unknown.permanentConnection = static_cast<std::uint8_t>(offline_->permanentConnection);
  return unknown;
}

void LineTargetsDialog::UpdateTitle() {
  if (!offline_) {
    setWindowTitle(tr("Line Targets"));
    return;
  }
  setWindowTitle(
      tr("Line Targets - %1")
          .arg(QFileInfo(QString::fromLocal8Bit(rememberedFileName_.c_str())).fileName()));
}

void LineTargetsDialog::Build() {
  setObjectName(QStringLiteral("lineTargetsDialog"));
  UpdateTitle();

  auto* menuBar = new QMenuBar(this);
  menuBar->setObjectName(QStringLiteral("menuBar"));
  QMenu* file = menuBar->addMenu(tr("&File"));
  QAction* openFile = openFile_ = file->addAction(tr("&Open..."));
  openFile->setObjectName(QStringLiteral("openFileAction"));
  QAction* save = file->addAction(tr("&Save"));
  save->setObjectName(QStringLiteral("saveAction"));
  QAction* saveAs = file->addAction(tr("Save &As..."));
  saveAs->setObjectName(QStringLiteral("saveAsAction"));
  file->addSeparator();
  QAction* history = history_ = file->addAction(tr("&History..."));
  history->setObjectName(QStringLiteral("historyAction"));
  connect(history, &QAction::triggered, this, &LineTargetsDialog::OpenHistory);
  connect(openFile, &QAction::triggered, this, &LineTargetsDialog::OpenFile);
  connect(save, &QAction::triggered, this, &LineTargetsDialog::SaveFile);
  connect(saveAs, &QAction::triggered, this, &LineTargetsDialog::SaveFileAs);

  ListPanel panel = LineTargetPanel(this, units_, tr("Telephone Number"));
  list_ = panel.list;
  list_->setAccessibleName(tr("Line Targets"));

  open_ = SideButton(this, "openButton", tr("&Open"));
  add_ = SideButton(this, "addButton", tr("&Add"));
  delete_ = SideButton(this, "deleteButton", tr("&Delete"));
  QPushButton* filters = filters_ =
      SideButton(this, "filterTableButton", tr("Filter &Table"));  // Alt+F: the File menu
  QPushButton* routes = routes_ = SideButton(this, "routingTableButton", tr("&Routing Table"));
  QPushButton* changes = changes_ = SideButton(this, "showChangesButton", tr("Show &Changes..."));
  ok_ = SideButton(this, "okButton", tr("OK"));
  ok_->setDefault(true);
  QPushButton* cancel = cancel_ = SideButton(this, "cancelButton", tr("Cancel"));
  if (offline_) {
    // Nothing here writes to a router: the file menu's Save does the work.
    ok_->setDefault(false);
    ok_->hide();
    changes->hide();
    cancel->setText(tr("Close"));
  }

  auto* side = new QVBoxLayout;
  side->addWidget(ok_);
  side->addWidget(cancel);
  side->addSpacing(units_.ToPixelsY(6));
  side->addWidget(open_);
  side->addWidget(add_);
  side->addWidget(delete_);
  side->addSpacing(units_.ToPixelsY(6));
  side->addWidget(filters);
  side->addWidget(routes);
  side->addWidget(changes);
  side->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(MakeRouterRow(this, routerName_));
  left->addWidget(panel.area);
  // What the last file command did; no box to click away.
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("statusLine"));
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  left->addWidget(status_);
  left->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(left);
  layout->addLayout(side);

  connect(list_, &QListWidget::itemSelectionChanged, this, &LineTargetsDialog::UpdateButtons);
  connect(list_, &QListWidget::itemDoubleClicked, this, &LineTargetsDialog::OpenSelected);
  connect(open_, &QPushButton::clicked, this, &LineTargetsDialog::OpenSelected);
  connect(add_, &QPushButton::clicked, this, &LineTargetsDialog::AddLineTarget);
  connect(delete_, &QPushButton::clicked, this, &LineTargetsDialog::DeleteSelected);
  connect(filters, &QPushButton::clicked, this, &LineTargetsDialog::OpenFilterTable);
  connect(routes, &QPushButton::clicked, this, &LineTargetsDialog::OpenRoutingTable);
  connect(changes, &QPushButton::clicked, this, &LineTargetsDialog::ShowChanges);
  connect(ok_, &QPushButton::clicked, this, &LineTargetsDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &LineTargetsDialog::reject);

  Refill(-1);
  UpdateButtons();
}

int LineTargetsDialog::lineTargetLimit() const {
  return LineTargetLimit(permanentConnection());
}

void LineTargetsDialog::Refill(int row) {
  RefillList(list_, LineTargetRows(work().lineTargets), row);
}

void LineTargetsDialog::UpdateButtons() {
  // While the write runs every control that changes the lists is off; the
  // file menu's Save commands only read them.
  const bool editable = !writeOutstanding_;
  const bool selected = SelectedRow(list_) >= 0;
  list_->setEnabled(editable);
  open_->setEnabled(editable && selected);
  delete_->setEnabled(editable && selected);
  add_->setEnabled(editable && list_->count() < lineTargetLimit());
  filters_->setEnabled(editable);
  routes_->setEnabled(editable);
  openFile_->setEnabled(editable);
  history_->setEnabled(editable && !offline_);
  ok_->setEnabled(editable && !writeFailed_ && !offline_);
  changes_->setEnabled(!offline_);
}

void LineTargetsDialog::OpenSelected() {
  if (writeOutstanding_)
    return;
  const int row = SelectedRow(list_);
  LineTarget* target = work().lineTargets.NodeAt(row + 1);
  if (row < 0 || !target)
    return;
  NetworkConfigurationDialog editor(context_.tables, context_.addresses, context_.messages,
                                    permanentConnection(), this);
  editor.LoadFrom(*target);
  if (editor.exec() == QDialog::Accepted) {
    // The record may have gone while the editor was open only if the list
    // was replaced; look it up again.
    if (LineTarget* same = work().lineTargets.NodeAt(row + 1))
      editor.StoreInto(*same);
    Refill(row);
  }
  UpdateButtons();
}

void LineTargetsDialog::AddLineTarget() {
  if (writeOutstanding_ || list_->count() >= lineTargetLimit())
    return;
  const int before = SelectedRow(list_);
  Configuration& lists = work();
  NetworkConfigurationDialog editor(context_.tables, context_.addresses, context_.messages,
                                    permanentConnection(), this);
  // A full routing table takes no host route, as its own "&Add" takes no route.
  const bool routesFull = lists.routes.count() >= kMaxRoutes;
  if (routesFull)
    editor.OfferDefaultRoute(false);
  if (editor.exec() != QDialog::Accepted)
    return;
  LineTarget added;
  editor.StoreInto(added);
  if (routesFull)
    added.createDefaultRoute = 0;
  if (added.createDefaultRoute)
    AddHostRoute(lists.routes, added.hostName.view());
  lists.lineTargets.Append(added);
  Refill(before + 1);
  UpdateButtons();
}

void LineTargetsDialog::DeleteSelected() {
  const int row = SelectedRow(list_);
  if (writeOutstanding_ || row < 0)
    return;
  work().lineTargets.RemoveAt(row + 1);
  Refill(row);
  UpdateButtons();
}

void LineTargetsDialog::OpenFilterTable() {
  if (writeOutstanding_)
    return;
  FilterList& filters = work().filters;
  EnsureDefaultFilter(filters);
  FilterTableDialog table(filters, routerName_, context_.addresses, context_.database,
                          context_.messages, this);
  table.SetAllRemainingAccept(filters.Last()->action != 0);
  if (table.exec() == QDialog::Accepted)
    filters.Last()->action = table.allRemainingAccept() ? 1 : 0;
}

void LineTargetsDialog::OpenRoutingTable() {
  if (writeOutstanding_)
    return;
  RoutingTableDialog table(work().routes, routerName_, context_.addresses, context_.messages, this);
  table.exec();
}

QStringList LineTargetsDialog::PendingChanges() const {
  const WritePlan plan = offline_ ? PlanConfigurationWrite(work(), saved()) : context_.PlanWrite();
  NetDatabase& database = context_.database;
  QStringList lines;
  AppendChanges<LineTarget>(
      lines, tr("Line target %1: written"), tr("Line target %1: deleted"), plan.lineTargets,
      [](const PlannedChange<LineTarget>& entry) {
        const LineTarget& t = entry.change.record;
        QString line = QString::asprintf("%s\t%s", t.hostName.c_str(), t.phoneNumber.c_str());
        if (ClearsIdentifications(entry))
          line += QLatin1Char('\t') + tr("PPP identifications will be cleared");
        return line;
      });
  AppendChanges<RouteEntry>(lines, tr("Route %1: written"), tr("Route %1: deleted"), plan.routes,
                            [](const PlannedChange<RouteEntry>& entry) {
                              const RouteEntry& r = entry.change.record;
                              return QString::asprintf("%s\t%s\t%s", r.netmask.c_str(),
                                                       r.match.c_str(), r.gateway.c_str());
                            });
  AppendChanges<FilterEntry>(lines, tr("Filter %1: written"), tr("Filter %1: deleted"),
                             plan.filters, [&database](const PlannedChange<FilterEntry>& entry) {
                               const FilterEntry& f = entry.change.record;
                               return QString::asprintf(
                                   "%s\t%s\t%s\t%s", f.sendMatch.c_str(), f.receiveMatch.c_str(),
                                   FilterServiceDisplayText(f, database).c_str(),
                                   LoadString(f.action != 0 ? 1001 : 1002));
                             });
  return lines;
}

void LineTargetsDialog::ShowChanges() {
  if (offline_)
    return;
  QDialog view(this);
  view.setObjectName(QStringLiteral("changesDialog"));
  view.setWindowTitle(tr("Changes"));
  const QStringList lines = PendingChanges();
  auto* summary = new QLabel(
      lines.isEmpty()
          ? tr("OK sends nothing: the lists equal the router's.")
          : tr("OK sends these %n entries to the router:", nullptr, static_cast<int>(lines.size())),
      &view);
  summary->setObjectName(QStringLiteral("changesSummary"));
  auto* list = new QListWidget(&view);
  list->setObjectName(QStringLiteral("changesList"));
  list->addItems(lines);
  // The rows are tab-separated columns, drawn at fixed stops as in the
  // other lists.
  SetListTabStopsAt(list, kChangeTabStops, units_);
  list->setMinimumWidth(units_.ToPixelsX(kChangeListWidth));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &view);
  connect(buttons, &QDialogButtonBox::rejected, &view, &QDialog::reject);
  auto* layout = new QVBoxLayout(&view);
  layout->addWidget(summary);
  layout->addWidget(list);
  layout->addWidget(buttons);
  view.exec();
}

void LineTargetsDialog::accept() {
  // Without a router nothing is ever sent.
  if (offline_ || writeOutstanding_ || writeFailed_ || !context_.protocol ||
      context_.configurationWriteOutstanding())
    return;
  const WritePlan plan = context_.PlanWrite();
  if (!plan.empty() && !KeepHistoryBeforeWrite(context_, this, "Line Targets OK",
                                               DescribeWritePlan(plan, context_.planTexts())))
    return;  // nothing sent; the dialog stays open with the edits
  writeOutstanding_ = true;
  UpdateButtons();
  // The write outlives the dialog when Cancel closes it meanwhile: its end
  // is reported to the main window, which stays until the program ends.
  ShellContext* context = &context_;
  QPointer<LineTargetsDialog> self(this);
  QPointer<QWidget> owner(parentWidget());
  context_.WriteConfiguration([context, self, owner](bool confirmed) {
    // The dialog and the message follow once the protocol is done with
    // this answer.
    QObject* receiver = owner ? static_cast<QObject*>(owner.data()) : qApp;
    QMetaObject::invokeMethod(
        receiver,
        [context, self, owner, confirmed, report = context->writeFailureReport()] {
          if (self)
            self->OnWriteEnded(confirmed);
          if (confirmed) {
            context->messages.ShowMessage(owner, TableText(40112), MessageIcon::Information);
            return;
          }
          // Which entries the router may now hold, so that nothing is
          // lost unseen.
          QString text = TableText(40115) + QStringLiteral("\n");
          for (const std::string& line : report)
            text += QStringLiteral("\n") + QString::fromLocal8Bit(line.c_str());
          context->messages.ShowMessage(owner, text, MessageIcon::Exclamation);
        },
        Qt::QueuedConnection);
  });
}

void LineTargetsDialog::OnWriteEnded(bool confirmed) {
  if (!writeOutstanding_)
    return;
  writeOutstanding_ = false;
  writeFailed_ = !confirmed;
  if (confirmed && isVisible()) {
    Refill(SelectedRow(list_));
    QDialog::accept();
    return;
  }
  UpdateButtons();
}

void LineTargetsDialog::reject() {
  // While a write is outstanding the lists are on their way to the router:
  // Cancel only stops waiting, and the lists stay as sent.
  if (writeOutstanding_) {
    QDialog::reject();
    return;
  }
  // Edits not yet sent to the router (or saved to the file) are lost by
  // Cancel: ask first.
  const QString question =
      offline_ ? QString::fromLocal8Bit(FormatString(41103, rememberedFileName_.c_str()).c_str())
               : TableText(40114);
  if (!PendingChanges().isEmpty() &&
      !context_.messages.AskYesNo(this, question, MessageIcon::Question, Answer::No))
    return;
  Configuration& lists = work();
  const Configuration& copies = saved();
  lists.lineTargets = copies.lineTargets.Clone();
  lists.routes = copies.routes.Clone();
  lists.filters = copies.filters.Clone();
  QDialog::reject();
}

// --- File commands ---------------------------------------------------------

void LineTargetsDialog::OpenFile() {
  if (writeOutstanding_)
    return;
  const QString chosen = files_.GetOpenFileName(this, QtFileFilter(TableText(1012)));
  if (chosen.isEmpty()) {
    UpdateButtons();
    return;
  }
  const std::string path = chosen.toLocal8Bit().toStdString();
  if (offline_) {
    // Another file becomes the one edited; a file that does not load
    // leaves the one before.
    if (LoadFile(path)) {
      rememberedFileName_ = offline_->path = path;
      offline_->saved = work().Clone();
      UpdateTitle();
    }
    UpdateButtons();
    return;
  }
  rememberedFileName_ = path;
  if (!LoadFile(rememberedFileName_))
    rememberedFileName_.clear();
  UpdateButtons();
}

void LineTargetsDialog::OpenHistory() {
  if (writeOutstanding_ || offline_)
    return;
  if (RunHistoryWindow(this, context_, routerName_))
    Refill(-1);
  UpdateButtons();
}

bool LineTargetsDialog::LoadFile(const std::string& path) {
  const ConfigReadResult result =
      ReadConfigFile(path, permanentConnection(), context_.configContext(), work());
  if (result.code == kConfigOk) {
    EnsureDefaultFilter(work().filters);
    Refill(-1);
    return true;
  }
  context_.messages.ShowMessage(this, QString::fromLocal8Bit(ConfigReadMessage(result).c_str()),
                                MessageIcon::Exclamation);
  return false;
}

void LineTargetsDialog::SaveFile() {
  if (rememberedFileName_.empty()) {
    SaveFileAs();
    return;
  }
  WriteFile(rememberedFileName_);
}

void LineTargetsDialog::SaveFileAs() {
  const QString initial =
      rememberedFileName_.empty()
          ? QStringLiteral("*.cfg")
          : QFileInfo(QString::fromLocal8Bit(rememberedFileName_.c_str())).fileName();
  const QString chosen = files_.GetSaveFileName(this, initial, QtFileFilter(TableText(1012)));
  if (chosen.isEmpty())
    return;
  const std::string path = chosen.toLocal8Bit().toStdString();
  // The file edited without a router stays the one named until another
  // has been written.
  if (!offline_)
    rememberedFileName_ = path;
  WriteFile(path);
}

void LineTargetsDialog::WriteFile(const std::string& path) {
  status_->clear();
  const Configuration& lists = work();
  const ConfigWriteResult result =
      WriteConfigFile(path, lists.lineTargets, lists.routes, lists.filters, FileParameters(),
                      context_.configContext());
  if (result) {
    if (offline_) {
      // The file written is the one edited from now on.
      rememberedFileName_ = offline_->path = path;
      offline_->saved = lists.Clone();
      UpdateTitle();
    }
    const QString written = QFileInfo(QString::fromLocal8Bit(path.c_str())).absoluteFilePath();
    status_->setText(tr("Configuration saved to %1").arg(QDir::toNativeSeparators(written)));
    return;
  }
  context_.messages.ShowMessage(this, QString::fromLocal8Bit(ConfigWriteMessage(result).c_str()),
                                MessageIcon::Exclamation);
}

// --- Setup Connection ------------------------------------------------------

SetupConnectionDialog::SetupConnectionDialog(const LineTargetList& lineTargets, QWidget* parent)
    : QDialog(parent), units_(font()) {
  setObjectName(QStringLiteral("setupConnectionDialog"));
  setWindowTitle(tr("Setup Connection"));
  ListPanel panel = LineTargetPanel(this, units_, tr("Phone Number"));
  list_ = panel.list;
  list_->setAccessibleName(tr("Line Targets"));
  QDialogButtonBox* buttons = MakeOkCancelButtons(this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(panel.area);
  layout->addWidget(buttons);

  RefillList(list_, LineTargetRows(lineTargets), -1);
  ok_->setEnabled(false);
  connect(list_, &QListWidget::itemSelectionChanged, this,
          [this] { ok_->setEnabled(list_->count() > 0); });
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int SetupConnectionDialog::selectedRow() const {
  return SelectedRow(list_);
}

std::optional<int> RunSetupConnection(QWidget* parent, ShellContext& context) {
  if (!context.configuration)
    return std::nullopt;
  SetupConnectionDialog dialog(context.configuration->lineTargets, parent);
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.selectedRow();
}

// --- Installation ----------------------------------------------------------

void RunLineTargets(MainWindow& window, FileDialogs& files) {
  ShellContext& context = window.context();
  if (!context.configuration)
    return;
  // The router as the main window's list names it, also in the file name.
  LineTargetsDialog dialog(context, files,
                           QString::fromLatin1(context.SelectedRouterName().c_str()), &window);
  dialog.exec();
}

void InstallConfigurationDialogs(MainWindow& window, FileDialogs& files) {
  window.dialogs().routerDialogs[RouterDialog::LineTargets] = [&files](MainWindow& w) {
    RunLineTargets(w, files);
  };
  window.dialogs().editConfigurationFile = [&files](MainWindow& w) {
    RunOfflineEditor(&w, w.context(), files);
  };
  // A version restored from the main window is shown where it is sent.
  window.dialogs().showHistory = [&files](MainWindow& w) {
    ShellContext& context = w.context();
    if (RunHistoryWindow(&w, context, QString::fromLatin1(context.SelectedRouterName().c_str())))
      RunLineTargets(w, files);
  };
}

}  // namespace tarcfg
