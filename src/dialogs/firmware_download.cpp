// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/firmware_download.h"

#include "config/firmware_plan.h"
#include "config/string_table.h"
#include "shell/main_window.h"
#include "shell/router_entries.h"
#include "shell/router_history.h"

namespace tarcfg {

FirmwareDownload::FirmwareDownload(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("firmwareDownload"));
}

void FirmwareDownload::StartFullReconfiguration(const RouterParameters& pending) {
  ShellContext& context = window_.context();
  RouterProtocol* protocol = context.protocol.get();
  if (!protocol || progress_)
    return;
  const SelectedRouter& selected = context.selected;

  // A router without address is loaded through its loader at once.
  const FirmwareDownloadPlan plan = PlanFirmwareDownload(
      selected.current, pending, selected.current.name.empty(),
      context.configuration ? &*context.configuration : nullptr, context.tables);

  // Line targets the image cannot carry: the user says whether they may be
  // left out (the history keeps them).
  if (!plan.leftOut.empty()) {
    std::string list;
    for (const std::string& line : plan.leftOut)
      list += line + "\n";
    if (!context.messages.AskYesNo(
            &window_, QString::fromLocal8Bit(FormatString(40116, list.c_str()).c_str()),
            MessageIcon::Question, Answer::No))
      return;
  }

  // A router that has an address had its configuration read: keep it. One in
  // its loader has told nothing that could be kept.
  if (!plan.historyLines.empty() &&
      !KeepHistoryBeforeWrite(context, &window_, "Firmware download", plan.historyLines))
    return;
  const Configuration* tables = plan.configuration;

  QPointer<FirmwareDownload> self(this);
  ended_ = false;
  const bool started = protocol->DownloadFirmware(
      selected.hardwareAddress, pending, tables ? &tables->lineTargets : nullptr,
      tables ? &tables->routes : nullptr, tables ? &tables->filters : nullptr,
      [self](const ScanAnswer& answer) {
        if (self)
          self->OnDownloadFinished(answer);
      },
      [self](int percentage) {
        if (self)
          self->OnDownloadProgress(percentage);
      });
  if (!started) {
    context.messages.ShowMessage(&window_, TableText(40109), MessageIcon::Exclamation);
    return;
  }
  if (ended_)
    return;  // finished or failed before the window could open

  auto* progress = new ProgressWindow(&window_);
  progress_ = progress;
  progress->SetMessage(TableText(1013));
  progress->exec();
  progress_ = nullptr;
  delete progress;
}

void FirmwareDownload::OnDownloadProgress(int percentage) {
  if (progress_)
    progress_->ShowProgress(percentage);
}

void FirmwareDownload::OnDownloadFinished(const ScanAnswer& answer) {
  if (answer.end == 0) {
    // The router restarts with its new configuration and must be registered again.
    ShellContext& context = window_.context();
    context.FreeConfiguration();
    window_.ReplaceSelectedRouter(answer);
    window_.PostRouterState(1);
    // Say so once the progress window has gone, named as the list names it.
    const std::string name = RouterDisplayName(answer.routerAddress, context.addresses);
    const QString text = MessageText(FormatString(40113, name.c_str()));
    QPointer<MainWindow> window(&window_);
    QMetaObject::invokeMethod(
        &window_,
        [window, text] {
          if (window)
            window->context().messages.ShowMessage(window, text, MessageIcon::Information);
        },
        Qt::QueuedConnection);
  }
  CloseProgressWindow();
}

void FirmwareDownload::CloseProgressWindow() {
  ended_ = true;
  if (progress_) {
    progress_->Finish();
    progress_ = nullptr;
  }
}

}  // namespace tarcfg
