// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/router_overview_dialog.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/string_table.h"
#include "monitor/monitor_events.h"

namespace tarcfg {

RouterOverviewDialog::RouterOverviewDialog(ShellContext& context,
                                           std::shared_ptr<MonitorHandOver> handOver,
                                           QWidget* parent)
    : QDialog(parent), context_(context), handOver_(std::move(handOver)) {
  setObjectName(QStringLiteral("routerOverviewDialog"));
  setWindowTitle(tr("Router Overview"));

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("overviewText"));
  text_->setAccessibleName(tr("Router Overview"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFontMetrics metrics(text_->font());
  text_->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char('x')) * 12);
  text_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('x')) * 56, metrics.height() * 16);

  close_ = new QPushButton(tr("Close"), this);
  close_->setObjectName(QStringLiteral("closeButton"));
  close_->setDefault(true);
  close_->setEnabled(false);  // until the report is built
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);

  handOver_->overviewText().clear();
  ShowText(LoadString(40001));
  handOver_->Register(this);
  if (context_.routers)
    ClearOverviewFields(*context_.routers);

  RouterProtocol* protocol = context_.protocol.get();
  if (protocol == nullptr || protocol->state() != ProtocolState::Idle) {
    // The protocol runs no query now, so no end will come; do not keep
    // the user waiting for it.
    close_->setEnabled(true);
    return;
  }
  // The callback may outlive the dialog (Escape before the end); it holds
  // the hand-over, which drops answers once nobody is registered.
  std::shared_ptr<MonitorHandOver> shared = handOver_;
  ShellContext* shell = &context_;
  protocol->QueryRouterOverview([shared, shell](const OverviewAnswer& answer) {
    shared->OnOverviewAnswer(shell->routers ? &*shell->routers : nullptr, shell->addresses, answer);
  });
}

RouterOverviewDialog::~RouterOverviewDialog() {
  Finish();
}

void RouterOverviewDialog::ShowText(const std::string& text) {
  QString shown = MessageText(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text_->setPlainText(shown);
}

bool RouterOverviewDialog::event(QEvent* event) {
  if (event->type() == WM_ROUTER_MONITOR) {
    auto* message = static_cast<RouterMonitorEvent*>(event);
    if (message->wParam() == 0 && message->lParam() == &handOver_->overviewText() &&
        handOver_->IsRegistered(this)) {
      std::string& report = handOver_->overviewText();
      if (context_.routers)
        report += BuildOverviewReport(*context_.routers);
      ShowText(report);
      close_->setEnabled(true);
      close_->setFocus();
    }
    return true;
  }
  return QDialog::event(event);
}

void RouterOverviewDialog::Finish() {
  if (!open_)
    return;
  open_ = false;
  handOver_->Unregister(this);
  handOver_->overviewText().clear();
}

void RouterOverviewDialog::done(int result) {
  Finish();
  QDialog::done(result);
}

}  // namespace tarcfg
