// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/line_status_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/reports.h"
#include "monitor/monitor_events.h"
#include "monitor/registration_watch.h"
#include "shell/static_text.h"

namespace tarcfg {
namespace {

constexpr int kConnected = 3;

StaticText* AddValue(QWidget* parent, const QString& name, int style = 0) {
  auto* value = new StaticText(parent, style);
  value->setObjectName(name);
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10);
  return value;
}

QString Number(std::uint32_t value) {
  return QString::number(value);
}

}  // namespace

LineStatusDialog::LineStatusDialog(ShellContext& context, std::shared_ptr<MonitorHandOver> handOver,
                                   const QString& routerName, LineTargetChooser chooser,
                                   QWidget* parent)
    : QDialog(parent),
      context_(context),
      handOver_(std::move(handOver)),
      chooser_(chooser ? std::move(chooser) : LineTargetChooser(ChooseLineTargetStandIn)) {
  setObjectName(QStringLiteral("lineStatusDialog"));
  setWindowTitle(tr("Line Status - Router %1").arg(routerName));

  auto* channels = new QHBoxLayout;
  channels->addWidget(BuildChannel(1, controls_[0]));
  channels->addWidget(BuildChannel(2, controls_[1]));

  connect_ = new QPushButton(tr("&Connect"), this);
  connect_->setObjectName(QStringLiteral("connectButton"));
  connect_->setDefault(true);
  connect_->setAutoDefault(true);
  close_ = new QPushButton(tr("Close"), this);
  close_->setObjectName(QStringLiteral("closeButton"));
  close_->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(connect_);
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(channels);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(connect_, &QPushButton::clicked, this, &LineStatusDialog::Connect);
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);
  connect(controls_[0].disconnect, &QPushButton::clicked, this, [this] { Disconnect(1); });
  connect(controls_[1].disconnect, &QPushButton::clicked, this, [this] { Disconnect(2); });

  // Until the first report: empty texts, zero numbers, all buttons enabled
  // (once the start of the monitor has been acknowledged).
  TransferToControls();

  // A failed request ends the registration, and with it the monitoring.
  new RegistrationWatch(
      parentWidget(), [this] { reject(); }, this);

  handOver_->Register(this);
  monitoring_ = true;
  if (context_.protocol) {
    std::shared_ptr<MonitorHandOver> shared = handOver_;
    context_.protocol->StartLineMonitor(
        [shared](const LineStatus& status) { shared->OnLineStatus(status); });
  }
  UpdateButtons();
}

LineStatusDialog::~LineStatusDialog() {
  StopMonitoring();
}

QGroupBox* LineStatusDialog::BuildChannel(int number, ChannelControls& controls) {
  const QString suffix = QString::number(number);
  auto* group = new QGroupBox(tr("Channel %1").arg(suffix), this);
  group->setObjectName(QStringLiteral("channel") + suffix + QStringLiteral("Group"));
  auto* grid = new QGridLayout(group);
  auto label = [group](const char* text) { return new QLabel(tr(text), group); };

  controls.status = AddValue(group, QStringLiteral("status") + suffix);
  controls.phone = AddValue(group, QStringLiteral("phone") + suffix);
  controls.address = AddValue(group, QStringLiteral("address") + suffix);
  controls.duration =
      AddValue(group, QStringLiteral("duration") + suffix, StaticText::kRightAlignStyle);
  controls.charge = AddValue(group, QStringLiteral("charge") + suffix);
  controls.incoming = AddValue(group, QStringLiteral("incoming") + suffix);
  controls.outgoing = AddValue(group, QStringLiteral("outgoing") + suffix);
  controls.compression = AddValue(group, QStringLiteral("compression") + suffix);
  // Wide enough for the longest state text of the user's language.
  int statusWidth = 0;
  for (int state = 0; state <= 5; ++state)
    statusWidth = std::max(statusWidth, controls.status->fontMetrics().horizontalAdvance(
                                            QString::fromStdString(ChannelStateText(state)) +
                                            QStringLiteral(" (0000)  ")));
  controls.status->setMinimumWidth(statusWidth);

  int row = 0;
  grid->addWidget(label(QT_TR_NOOP("Status:")), row, 0);
  grid->addWidget(controls.status, row++, 1, 1, 4);
  grid->addWidget(label(QT_TR_NOOP("Phone:")), row, 0);
  grid->addWidget(controls.phone, row++, 1, 1, 4);
  grid->addWidget(label(QT_TR_NOOP("IP-Address:")), row, 0);
  grid->addWidget(controls.address, row++, 1, 1, 4);
  grid->addWidget(label(QT_TR_NOOP("Duration:")), row, 0);
  grid->addWidget(controls.duration, row, 1);
  grid->addWidget(label(
                      //: Unit after the duration: seconds.
                      QT_TR_NOOP("s")),
                  row++, 2);
  grid->addWidget(label(QT_TR_NOOP("Charge:")), row, 0);
  grid->addWidget(controls.charge, row++, 1);
  grid->addWidget(label(QT_TR_NOOP("Packets:")), row++, 0);
  grid->addWidget(label(QT_TR_NOOP("Incoming:")), row, 0);
  grid->addWidget(controls.incoming, row, 1);
  grid->addWidget(label(QT_TR_NOOP("Outgoing:")), row, 3);
  grid->addWidget(controls.outgoing, row++, 4);
  grid->addWidget(label(QT_TR_NOOP("Compression:")), row, 0);
  grid->addWidget(controls.compression, row++, 1, 1, 4);

  controls.disconnect = new QPushButton(tr("Disconnect &%1").arg(suffix), group);
  controls.disconnect->setObjectName(QStringLiteral("disconnect") + suffix +
                                     QStringLiteral("Button"));
  controls.disconnect->setAutoDefault(false);
  grid->addWidget(controls.disconnect, row, 0, 1, 5, Qt::AlignHCenter);
  return group;
}

bool LineStatusDialog::event(QEvent* event) {
  if (event->type() == WM_ROUTER_MONITOR) {
    auto* message = static_cast<RouterMonitorEvent*>(event);
    // Only a report handed over while this dialog is registered counts.
    if (message->wParam() == 0 && message->lParam() == &handOver_->lineStatus() &&
        handOver_->IsRegistered(this))
      ShowLineStatus(handOver_->lineStatus());
    return true;
  }
  return QDialog::event(event);
}

void LineStatusDialog::ShowLineStatus(const LineStatus& status) {
  for (std::size_t i = 0; i < status.channels.size(); ++i) {
    const ChannelStatus& channel = status.channels[i];
    const int shown = NormalizeChannelState(channel.state);
    ChannelValues& values = values_[i];
    values.status = QString::asprintf("%s (%04X)", ChannelStateText(shown).c_str(),
                                      static_cast<unsigned>(channel.cause));
    if (shown == 0) {
      values.phone = values.address = QStringLiteral("---");
      values.duration = values.charge = values.packetsIn = values.packetsOut = 0;
    } else {
      values.phone = QString::fromLatin1(channel.phoneNumber.c_str());
      values.address = QString::fromLatin1(channel.remoteAddress.c_str());
      values.duration = channel.duration;
      values.charge = channel.charge;
      values.packetsIn = channel.packetsIn;
      values.packetsOut = channel.packetsOut;
    }
  }
  shownStatus_ = status;
  UpdateButtons();
  TransferToControls();
}

bool LineStatusDialog::RequestOutstanding() const {
  return context_.protocol && context_.protocol->requestOutstanding();
}

void LineStatusDialog::UpdateButtons() {
  // The router takes one request at a time: while one is unanswered, a
  // second would fail and end the registration. The next report after the
  // acknowledgement enables the commands again.
  const bool free = !RequestOutstanding();
  bool anyIdle = !shownStatus_;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    bool connected = !shownStatus_;
    if (shownStatus_) {
      const ChannelStatus& channel = shownStatus_->channels[i];
      connected = channel.state == kConnected;
      anyIdle = anyIdle || NormalizeChannelState(channel.state) == 0;
    }
    controls_[i].disconnect->setEnabled(free && connected);
  }
  connect_->setEnabled(free && anyIdle);
}

void LineStatusDialog::TransferToControls() {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const ChannelValues& values = values_[i];
    ChannelControls& controls = controls_[i];
    controls.status->setText(values.status);
    controls.phone->setText(values.phone);
    controls.address->setText(values.address);
    controls.duration->setText(Number(values.duration));
    controls.charge->setText(Number(values.charge));
    controls.incoming->setText(Number(values.packetsIn));
    controls.outgoing->setText(Number(values.packetsOut));
    // The report carries no compression value; the field stays empty.
    controls.compression->setText(QString());
  }
}

void LineStatusDialog::Connect() {
  static const LineTargetList kNoLineTargets = NewLineTargetList();
  const LineTargetList& lineTargets =
      context_.configuration ? context_.configuration->lineTargets : kNoLineTargets;
  if (RequestOutstanding())
    return;
  const std::optional<int> chosen = chooser_(this, lineTargets);
  if (!chosen || *chosen < 0 || *chosen >= lineTargets.count())
    return;
  // A request may have gone out while the choice was open.
  if (!context_.protocol || RequestOutstanding()) {
    UpdateButtons();
    return;
  }
  context_.protocol->ConnectLineTarget(*chosen);
  UpdateButtons();
}

void LineStatusDialog::Disconnect(int channel) {
  if (!context_.protocol || RequestOutstanding())
    return;
  context_.protocol->DisconnectChannel(channel);
  UpdateButtons();
}

void LineStatusDialog::StopMonitoring() {
  if (!monitoring_)
    return;
  monitoring_ = false;
  if (context_.protocol)
    context_.protocol->StopLineMonitor();
  handOver_->Unregister(this);
}

void LineStatusDialog::done(int result) {
  StopMonitoring();
  QDialog::done(result);
}

}  // namespace tarcfg
