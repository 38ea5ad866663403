// SPDX-License-Identifier: GPL-3.0-or-later
// Router Overview: one paragraph per router of the list, with its firmware
// and the state of both B-channels, from the broadcast overview query.
//
// Opening shows "Scanning network - Please wait...", clears the overview
// fields of the routers and starts the query; each answer fills the fields
// of its router (the first answer of a router only), and the end of the
// query posts WM_ROUTER_MONITOR, on which the report is built and "Close"
// is enabled. Closing unregisters the dialog and empties the report.
#pragma once

#include <QDialog>

#include "monitor/monitor_hand_over.h"
#include "shell/shell_context.h"

class QPlainTextEdit;
class QPushButton;

namespace tarcfg {

class RouterOverviewDialog : public QDialog {
  Q_OBJECT
 public:
  RouterOverviewDialog(ShellContext& context, std::shared_ptr<MonitorHandOver> handOver,
                       QWidget* parent = nullptr);
  ~RouterOverviewDialog() override;

  // The report exactly as built, "\r\n" line ends included.
  const std::string& reportText() const { return handOver_->overviewText(); }

  void done(int result) override;

 protected:
  bool event(QEvent* event) override;

 private:
  void ShowText(const std::string& text);
  void Finish();

  ShellContext& context_;
  std::shared_ptr<MonitorHandOver> handOver_;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* close_ = nullptr;
  bool open_ = true;
};

}  // namespace tarcfg
