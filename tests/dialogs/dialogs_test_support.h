// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialog tests share: a file-dialog recorder, a registered shell
// against an emulated router, and small helpers to find and read widgets.
#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/file_dialogs.h"
#include "dialogs/line_targets_dialog.h"
#include "shell/field_exchange.h"
#include "shell/shell_test_support.h"
#include "support/sample_configuration.h"

namespace tarcfg::testing {

class RecordingFileDialogs : public FileDialogs {
 public:
  struct Call {
    bool save = false;
    QString initialName;
    QString filter;
    QString directory;  // where an open dialog starts; empty: the current one
  };
  QString GetOpenFileName(QWidget*, const QString& filter) override {
    calls.push_back({false, QString(), filter, QString()});
    return Next();
  }
  QString GetOpenFileNameIn(QWidget*, const QString& directory, const QString& filter) override {
    calls.push_back({false, QString(), filter, directory});
    return Next();
  }
  QString GetSaveFileName(QWidget*, const QString& initialName, const QString& filter) override {
    calls.push_back({true, initialName, filter, QString()});
    return Next();
  }
  std::vector<Call> calls;
  std::deque<QString> answers;  // an empty answer is a cancelled dialog

 private:
  QString Next() {
    QString answer = answers.empty() ? QString() : answers.front();
    if (!answers.empty())
      answers.pop_front();
    return answer;
  }
};

// Child widgets by object name; fails the test when missing.
template <class Widget>
Widget* Find(QWidget* parent, const char* name) {
  auto* found = parent->findChild<Widget*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}
inline QLineEdit* Edit(QWidget* parent, const char* name) {
  return Find<QLineEdit>(parent, name);
}
inline QPushButton* Button(QWidget* parent, const char* name) {
  return Find<QPushButton>(parent, name);
}
std::vector<QString> Rows(const QListWidget* list);
int Selected(const QListWidget* list);

// The Alt+letter keys that two controls of `window` share, one line each:
// "Alt+F: &File | &Filter Table". A key only moves the focus then. Looks at
// the menu bar titles, buttons, check and radio boxes, group boxes and
// labels with a buddy of that window (not of windows it opened), and at the
// entries of each menu on their own. Empty when every key is unique.
std::vector<std::string> MnemonicClashes(QWidget* window);

// The field now holding the dialog's focus has its whole text selected.
bool FocusedWithTextSelected(QWidget* dialog, QLineEdit* field);

// A shell registered with one emulated router (198.51.100.10) whose
// configuration is loaded; the current directory is the test's directory.
class DialogsTest : public ShellTest {
 protected:
  DialogsTest();
  ~DialogsTest() override;

  void Register(tarnex_sim::RouterConfig router = OpenRouter("198.51.100.10", 1));
  tarnex_sim::Router& Router() { return routers_->sim().routers().front(); }
  // The router's tables as texts: "host phone", "mask match gateway",
  // "sendMatch receiveMatch protocol/port action".
  std::vector<std::string> RouterLineTargets();
  std::vector<std::string> RouterRoutes();
  std::vector<std::string> RouterFilters();
  // Runs ticks until the tool has no request outstanding.
  void FinishWrite();

  Configuration& working() { return *context_->configuration; }
  Configuration& saved() { return *context_->savedConfiguration; }
  std::unique_ptr<LineTargetsDialog> OpenLineTargets();

  RecordingFileDialogs files_;
  std::filesystem::path previousPath_;
};

// The dialog tests' records: a line target without a default route, and a
// filter from one host (255.255.255.255) to anywhere.
LineTarget MakeLineTarget(const char* host, const char* phone);
FilterEntry MakeFilter(const char* sendMatch, int protocol, int port, int action);

}  // namespace tarcfg::testing
