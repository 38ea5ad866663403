// SPDX-License-Identifier: GPL-3.0-or-later
// Accounting Data: the counters the registered router keeps per line
// target, read when the dialog opens and again by "&Read and Reset", which
// also makes the router reset them. "&Export..." saves the counters last
// read as comma-separated values.
//
// The dialog is registered with the hand-over while it is open; the
// completion of a read posts WM_ROUTER_MONITOR to it, and a read that
// completes after Close is dropped.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "config/configuration.h"
#include "monitor/export_file_dialog.h"
#include "monitor/monitor_hand_over.h"
#include "shell/shell_context.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarcfg {

class StaticText;

class AccountingDialog : public QDialog {
  Q_OBJECT
 public:
  AccountingDialog(ShellContext& context, std::shared_ptr<MonitorHandOver> handOver,
                   ExportFileDialog& files, const QString& routerName, QWidget* parent = nullptr);
  ~AccountingDialog() override;

  // The report exactly as built, "\r\n" line ends included.
  const std::string& reportText() const { return report_; }

  void ReadAndReset();
  void Export();
  void done(int result) override;
  void reject() override;

 protected:
  bool event(QEvent* event) override;

 private:
  void OnAccountingResult(const LineTargetList& counted);
  const LineTargetList* WorkingLineTargets() const;
  void EnableCommands(bool enable);

  ShellContext& context_;
  std::shared_ptr<MonitorHandOver> handOver_;
  ExportFileDialog& files_;
  QString routerName_;
  std::string report_;
  LineTargetList counted_ = NewLineTargetList();
  bool haveResult_ = false;
  bool resetting_ = false;  // a read and reset is outstanding
  StaticText* router_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* readAndReset_ = nullptr;
  QPushButton* export_ = nullptr;
};

// The Accounting Data text: one block of format 1004 per line target.
std::string BuildAccountingReport(const LineTargetList& lineTargets);

}  // namespace tarcfg
