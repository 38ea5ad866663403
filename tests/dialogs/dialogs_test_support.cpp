// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/dialogs_test_support.h"

#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "config/address.h"

namespace tarcfg::testing {

std::vector<QString> Rows(const QListWidget* list) {
  std::vector<QString> rows;
  for (int row = 0; row < list->count(); ++row)
    rows.push_back(list->item(row)->text());
  return rows;
}

int Selected(const QListWidget* list) {
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

namespace {

// Adds "Alt+X: a | b" for every key more than one of `texts` claims.
void AddClashes(const QStringList& texts, std::vector<std::string>& clashes) {
  std::map<QString, QStringList> byKey;
  for (const QString& text : texts) {
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (!key.isEmpty())
      byKey[key.toString(QKeySequence::PortableText)] << text;
  }
  for (const auto& [key, claimed] : byKey)
    if (claimed.size() > 1)
      clashes.push_back(
          (key + QStringLiteral(": ") + claimed.join(QStringLiteral(" | "))).toStdString());
}

}  // namespace

std::vector<std::string> MnemonicClashes(QWidget* window) {
  QStringList texts;
  std::vector<std::string> clashes;
  // Only what the window shows itself: not a hidden control, not a
  // control of another window that is its child.
  auto own = [window](QWidget* widget) {
    return widget->window() == window && widget->isVisibleTo(window);
  };
  for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
    if (!own(bar))
      continue;
    for (QAction* title : bar->actions()) {
      texts << title->text();
      if (QMenu* menu = title->menu()) {
        QStringList entries;
        for (QAction* entry : menu->actions())
          entries << entry->text();
        AddClashes(entries, clashes);
      }
    }
  }
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (own(button))
      texts << button->text();
  for (QGroupBox* group : window->findChildren<QGroupBox*>())
    if (own(group))
      texts << group->title();
  for (QLabel* label : window->findChildren<QLabel*>())
    if (own(label) && label->buddy())
      texts << label->text();
  AddClashes(texts, clashes);
  return clashes;
}

bool FocusedWithTextSelected(QWidget* dialog, QLineEdit* field) {
  return dialog->focusWidget() == field && field->selectedText() == field->text();
}

DialogsTest::DialogsTest() {
  previousPath_ = std::filesystem::current_path();
  std::filesystem::current_path(directory_);
}

DialogsTest::~DialogsTest() {
  std::error_code error;
  std::filesystem::current_path(previousPath_, error);
}

void DialogsTest::Register(tarnex_sim::RouterConfig router) {
  UseRouters({router});
  StartWindow();
  RegisterRow(0);
  Tick(2);
  ASSERT_TRUE(window_->registered());
  ASSERT_TRUE(context_->configuration.has_value());
  messages_.shown.clear();
}

namespace {

std::string Text(std::uint32_t address) {
  return DottedQuad(address);
}

}  // namespace

std::vector<std::string> DialogsTest::RouterLineTargets() {
  std::vector<std::string> out;
  for (const auto& slot : Router().lineTargets)
    if (slot)
      out.push_back(Text(slot->address) + " " + slot->phone);
  return out;
}

std::vector<std::string> DialogsTest::RouterRoutes() {
  std::vector<std::string> out;
  for (const auto& slot : Router().routes)
    if (slot)
      out.push_back(Text(slot->netmask) + " " + Text(slot->match) + " " + Text(slot->gateway));
  return out;
}

std::vector<std::string> DialogsTest::RouterFilters() {
  std::vector<std::string> out;
  for (const auto& slot : Router().filters)
    if (slot)
      out.push_back(Text(slot->sendMatch) + " " + Text(slot->receiveMatch) + " " +
                    std::to_string(slot->protocol) + "/" + std::to_string(slot->port) + " " +
                    std::to_string(slot->action));
  return out;
}

void DialogsTest::FinishWrite() {
  for (int i = 0; i < 30 && context_->protocol->chainRunning(); ++i)
    Tick();
  ProcessPosted();
}

std::unique_ptr<LineTargetsDialog> DialogsTest::OpenLineTargets() {
  auto dialog = std::make_unique<LineTargetsDialog>(
      *context_, files_, QString::fromLatin1(context_->selected.routerAddressText.c_str()),
      window_.get());
  dialog->show();
  return dialog;
}

LineTarget MakeLineTarget(const char* host, const char* phone) {
  LineTarget target = SampleLineTarget(host, phone);
  target.createDefaultRoute = 0;
  return target;
}

FilterEntry MakeFilter(const char* sendMatch, int protocol, int port, int action) {
  return SampleFilter("255.255.255.255", sendMatch, "0.0.0.0", "0.0.0.0", protocol, port, action);
}

}  // namespace tarcfg::testing
