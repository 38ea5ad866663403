// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/offline_editor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "config/config_file.h"
#include "config/operating_modes.h"
#include "dialogs/dialog_buttons.h"
#include "dialogs/line_targets_dialog.h"
#include "shell/message_boxes.h"
#include "shell/shell_context.h"

namespace tarcfg {

OperatingModeChoiceDialog::OperatingModeChoiceDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("operatingModeDialog"));
  setWindowTitle(tr("Operating Mode"));
  auto* text = new QLabel(tr("The configuration is checked by the router's operating mode."), this);
  text->setWordWrap(true);
  auto* label = new QLabel(tr("&Operating mode:"), this);
  modes_ = new QComboBox(this);
  modes_->setObjectName(QStringLiteral("modeList"));
  label->setBuddy(modes_);
  // One entry per permanent-connection value: the two switched modes read
  // and check a file alike.
  modes_->addItem(tr("Switched line (1TR6, DSS1)"), 0);
  for (const OperatingModeEntry& mode : kOperatingModes)
    if (mode.permanentConnection != 0)
      modes_->addItem(QString::fromLatin1(mode.displayName), mode.permanentConnection);
  modes_->setCurrentIndex(0);
  QDialogButtonBox* buttons = MakeOkCancelButtons(this);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(modes_, 1);
  auto* left = new QVBoxLayout;
  left->addWidget(text);
  left->addLayout(row);
  left->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(buttons);
  modes_->setFocus();
}

int OperatingModeChoiceDialog::permanentConnection() const {
  return modes_->currentData().toInt();
}

void RunOfflineEditor(QWidget* parent, ShellContext& context, FileDialogs& files) {
  const QString chosen = files.GetOpenFileName(parent, QtFileFilter(TableText(1012)));
  if (chosen.isEmpty())
    return;
  OperatingModeChoiceDialog choice(parent);
  if (choice.exec() != QDialog::Accepted)
    return;
  OfflineConfiguration offline;
  offline.path = chosen.toLocal8Bit().toStdString();
  offline.permanentConnection = choice.permanentConnection();
  const ConfigReadResult result = ReadConfigFile(offline.path, offline.permanentConnection,
                                                 context.configContext(), offline.configuration);
  if (result.code != kConfigOk) {
    context.messages.ShowMessage(parent, QString::fromLocal8Bit(ConfigReadMessage(result).c_str()),
                                 MessageIcon::Exclamation);
    return;
  }
  // As a router's tables read: the filter list ends in the rule for all
  // remaining packets.
  EnsureDefaultFilter(offline.configuration.filters);
  offline.saved = offline.configuration.Clone();
  LineTargetsDialog dialog(context, files, offline, parent);
  dialog.exec();
}

}  // namespace tarcfg
