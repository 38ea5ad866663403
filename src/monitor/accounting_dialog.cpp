// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/accounting_dialog.h"

#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/reports.h"
#include "config/string_table.h"
#include "monitor/accounting_csv.h"
#include "monitor/monitor_events.h"
#include "monitor/registration_watch.h"
#include "shell/static_text.h"

namespace tarcfg {
namespace {

// The report's "\r\n" line ends as the text field shows them.
QString ShownText(const std::string& report) {
  QString text = MessageText(report);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

std::string BuildAccountingReport(const LineTargetList& lineTargets) {
  std::string report;
  for (const LineTarget& target : lineTargets)
    report += AccountingBlock(target);
  return report;
}

AccountingDialog::AccountingDialog(ShellContext& context, std::shared_ptr<MonitorHandOver> handOver,
                                   ExportFileDialog& files, const QString& routerName,
                                   QWidget* parent)
    : QDialog(parent),
      context_(context),
      handOver_(std::move(handOver)),
      files_(files),
      routerName_(routerName) {
  setObjectName(QStringLiteral("accountingDialog"));
  setWindowTitle(tr("Accounting Data"));

  auto* routerLabel = new QLabel(tr("Router:"), this);
  router_ = new StaticText(this);
  router_->setObjectName(QStringLiteral("routerName"));
  router_->setText(routerName);
  auto* routerRow = new QHBoxLayout;
  routerRow->addWidget(routerLabel);
  routerRow->addWidget(router_, 1);

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("accountingText"));
  text_->setAccessibleName(tr("Accounting Data"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFontMetrics metrics(text_->font());
  text_->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char('x')) * 16);
  text_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('x')) * 44, metrics.height() * 14);

  // While a read runs: what the dialog waits for.
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("statusLine"));

  close_ = new QPushButton(tr("Close"), this);
  close_->setObjectName(QStringLiteral("closeButton"));
  close_->setDefault(true);
  readAndReset_ = new QPushButton(tr("&Read and Reset"), this);
  readAndReset_->setObjectName(QStringLiteral("readAndResetButton"));
  readAndReset_->setAutoDefault(false);
  // Room for the whole label with a margin, as the other buttons have.
  readAndReset_->setMinimumWidth(readAndReset_->fontMetrics().horizontalAdvance(
                                     readAndReset_->text().remove(QLatin1Char('&'))) +
                                 4 * readAndReset_->fontMetrics().averageCharWidth());
  export_ = new QPushButton(tr("&Export..."), this);
  export_->setObjectName(QStringLiteral("exportButton"));
  export_->setAutoDefault(false);
  export_->setEnabled(false);  // until counters have been read
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(close_);
  buttons->addWidget(readAndReset_);
  buttons->addStretch(1);
  buttons->addWidget(export_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(routerRow);
  layout->addWidget(text_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  connect(close_, &QPushButton::clicked, this, &QDialog::reject);
  connect(readAndReset_, &QPushButton::clicked, this, &AccountingDialog::ReadAndReset);
  connect(export_, &QPushButton::clicked, this, &AccountingDialog::Export);

  // A failed read ends the registration; the dialog then has nothing to
  // show or to ask for and closes, as Line Status does.
  new RegistrationWatch(
      parentWidget(), [this] { done(QDialog::Rejected); }, this);

  handOver_->Register(this);
  if (context_.protocol) {
    // One request at a time: the commands wait for the first read's result.
    EnableCommands(false);
    std::shared_ptr<MonitorHandOver> shared = handOver_;
    context_.protocol->ReadAccounting(
        [shared](LineTargetList& counted) { shared->OnAccountingDone(counted); },
        WorkingLineTargets());
  }
}

AccountingDialog::~AccountingDialog() {
  handOver_->Unregister(this);
}

const LineTargetList* AccountingDialog::WorkingLineTargets() const {
  return context_.configuration ? &context_.configuration->lineTargets : nullptr;
}

void AccountingDialog::EnableCommands(bool enable) {
  // Close stays usable while a plain read runs: it leaves the read to finish
  // unseen (its result is dropped; the router keeps its counters), and the
  // registration stays the main window's to end. A read that resets the
  // counters is waited for: its result is the only copy of what they were.
  close_->setEnabled(enable || !resetting_);
  status_->setText(enable       ? QString()
                   : resetting_ ? tr("Reading and resetting the accounting data...")
                                : tr("Reading the accounting data..."));
  readAndReset_->setEnabled(enable);
  export_->setEnabled(enable && haveResult_);
}

bool AccountingDialog::event(QEvent* event) {
  if (event->type() == WM_ROUTER_MONITOR) {
    auto* message = static_cast<RouterMonitorEvent*>(event);
    if (message->wParam() == 0 && message->lParam() == &handOver_->accounting() &&
        handOver_->IsRegistered(this))
      OnAccountingResult(handOver_->accounting());
    return true;
  }
  return QDialog::event(event);
}

void AccountingDialog::OnAccountingResult(const LineTargetList& counted) {
  // The counters belong to the working list; the other fields of its
  // entries are left as they are.
  if (context_.configuration) {
    LineTargetList& working = context_.configuration->lineTargets;
    for (int position = 1; position <= working.count() && position <= counted.count(); ++position)
      working.NodeAt(position)->accountingCounters = counted.NodeAt(position)->accountingCounters;
  }
  counted_ = counted.Clone();
  haveResult_ = true;
  resetting_ = false;
  report_ = BuildAccountingReport(counted);
  text_->setPlainText(ShownText(report_));
  EnableCommands(true);
}

void AccountingDialog::ReadAndReset() {
  if (!context_.protocol || !readAndReset_->isEnabled())
    return;
  text_->setFocus();
  resetting_ = true;
  EnableCommands(false);
  std::shared_ptr<MonitorHandOver> shared = handOver_;
  context_.protocol->ReadAndResetAccounting(
      [shared](LineTargetList& counted) { shared->OnAccountingDone(counted); },
      WorkingLineTargets());
}

void AccountingDialog::Export() {
  if (!haveResult_)
    return;
  QString suggested = routerName_;
  suggested.replace(QLatin1Char('.'), QLatin1Char('_'));
  suggested = QDir(QString::fromLocal8Bit(context_.workingDirectory.c_str()))
                  .filePath(suggested + QStringLiteral("-accounting.csv"));
  const QString path =
      files_.GetExportFileName(this, TableText(41000), suggested, TableText(41001));
  if (path.isEmpty())
    return;
  const std::string file = path.toLocal8Bit().toStdString();
  std::string error;
  if (!WriteExportFile(file, AccountingCsv(counted_), &error)) {
    context_.messages.ShowMessage(
        this, QString::fromLocal8Bit(FormatString(41002, file.c_str(), error.c_str()).c_str()),
        MessageIcon::Stop);
  }
}

void AccountingDialog::reject() {
  // Escape and the window's close button wait, as Close does, for the
  // counters a reset read brings.
  if (resetting_)
    return;
  QDialog::reject();
}

void AccountingDialog::done(int result) {
  handOver_->Unregister(this);
  QDialog::done(result);
}

}  // namespace tarcfg
