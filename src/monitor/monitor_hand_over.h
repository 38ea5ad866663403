// SPDX-License-Identifier: GPL-3.0-or-later
// MonitorHandOver: the one place where the protocol's monitoring callbacks
// leave their results for the monitoring dialog that is open.
//
// A dialog registers itself when it starts its query and unregisters when
// it closes. The callbacks copy each result into the hand-over's buffer and,
// if a dialog is registered, post WM_ROUTER_MONITOR to it with the buffer's
// address; a result that finds no registered dialog is dropped. The buffers
// are overwritten by every result, so a dialog always shows the latest one.
//
// The application makes one hand-over and gives it to every monitoring
// dialog; the callbacks hold it by shared ownership, so a callback that
// fires after its dialog has gone finds it still there, and nobody
// registered.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "config/configuration.h"
#include "protocol/router_protocol.h"
#include "shell/shell_context.h"

namespace tarcfg {

class MonitorHandOver {
 public:
  MonitorHandOver() = default;
  MonitorHandOver(const MonitorHandOver&) = delete;
  MonitorHandOver& operator=(const MonitorHandOver&) = delete;

  // One receiver at a time; the dialogs are modal.
  void Register(QObject* dialog) { receiver_ = dialog; }
  // Only the registered dialog can unregister itself.
  void Unregister(QObject* dialog) {
    if (receiver_ == dialog)
      receiver_ = nullptr;
  }
  bool IsRegistered(const QObject* dialog) const {
    return dialog != nullptr && receiver_ == dialog;
  }
  bool anyRegistered() const { return !receiver_.isNull(); }

  // The line-monitor callback: keeps the report and posts it.
  void OnLineStatus(const LineStatus& status);
  // The accounting completion: keeps the counted list and posts it.
  void OnAccountingDone(const LineTargetList& counted);
  // The per-answer overview notification: fills the overview fields of the
  // answering router in `routers`; the end record is posted.
  void OnOverviewAnswer(RouterEntryList* routers, AddressService& addresses,
                        const OverviewAnswer& answer);

  const LineStatus& lineStatus() const { return lineStatus_; }
  const LineTargetList& accounting() const { return accounting_; }

  // The overview report, built up while the Router Overview dialog is open
  // and emptied when it closes.
  std::string& overviewText() { return overviewText_; }

 private:
  void Post(const void* buffer);

  QPointer<QObject> receiver_;
  LineStatus lineStatus_;
  LineTargetList accounting_ = NewLineTargetList();
  std::string overviewText_;
};

// Empties the overview fields of every router before a new overview.
void ClearOverviewFields(RouterEntryList& routers);

// Takes one overview answer into the router whose displayName is the
// answer's address as text; false when no router has that name or the
// router has answered already (only the first answer counts).
bool TakeOverviewAnswer(RouterEntryList& routers, AddressService& addresses,
                        const OverviewAnswer& answer);

// The overview report: a 1009 block for every router that answered, a 1010
// line for every router that did not, in list order.
std::string BuildOverviewReport(const RouterEntryList& routers);

}  // namespace tarcfg
