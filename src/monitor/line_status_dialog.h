// SPDX-License-Identifier: GPL-3.0-or-later
// Line Status: the live state of the router's two B-channels, with the
// commands to dial a line target and to clear a channel.
//
// Monitoring runs exactly while the dialog is open: the constructor
// registers the dialog with the hand-over and starts the line monitor;
// every way of closing (Close, Escape, the window's close button, the
// destructor) stops it and unregisters. Each report arrives as
// WM_ROUTER_MONITOR and refreshes the whole dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

#include "monitor/monitor_hand_over.h"
#include "monitor/setup_connection_chooser.h"
#include "protocol/router_protocol.h"
#include "shell/shell_context.h"

class QGroupBox;
class QPushButton;

namespace tarcfg {

class StaticText;

class LineStatusDialog : public QDialog {
  Q_OBJECT
 public:
  LineStatusDialog(ShellContext& context, std::shared_ptr<MonitorHandOver> handOver,
                   const QString& routerName, LineTargetChooser chooser, QWidget* parent = nullptr);
  ~LineStatusDialog() override;

  // Shows one report (what a WM_ROUTER_MONITOR message does).
  void ShowLineStatus(const LineStatus& status);

  void done(int result) override;

 protected:
  bool event(QEvent* event) override;

 private:
  // The shown values of one channel, in the order of the fields.
  struct ChannelValues {
    QString status;
    QString phone;
    QString address;
    std::uint32_t duration = 0;
    std::uint32_t charge = 0;
    std::uint32_t packetsIn = 0;
    std::uint32_t packetsOut = 0;
  };
  struct ChannelControls {
    StaticText* status = nullptr;
    StaticText* phone = nullptr;
    StaticText* address = nullptr;
    StaticText* duration = nullptr;
    StaticText* charge = nullptr;
    StaticText* incoming = nullptr;
    StaticText* outgoing = nullptr;
    StaticText* compression = nullptr;
    QPushButton* disconnect = nullptr;
  };

  QGroupBox* BuildChannel(int number, ChannelControls& controls);
  // Moves the member values to the controls, all at once.
  void TransferToControls();
  void Connect();
  void Disconnect(int channel);
  // True while a request to the router waits for its acknowledgement.
  bool RequestOutstanding() const;
  // Connect and Disconnect by the shown report, all disabled while a
  // request is outstanding.
  void UpdateButtons();
  // Stops monitoring and unregisters; runs once.
  void StopMonitoring();

  ShellContext& context_;
  std::shared_ptr<MonitorHandOver> handOver_;
  LineTargetChooser chooser_;
  std::array<ChannelValues, 2> values_;
  std::array<ChannelControls, 2> controls_;
  std::optional<LineStatus> shownStatus_;  // none before the first report
  QPushButton* connect_ = nullptr;
  QPushButton* close_ = nullptr;
  bool monitoring_ = false;
};

}  // namespace tarcfg
