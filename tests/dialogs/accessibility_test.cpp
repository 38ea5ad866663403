// SPDX-License-Identifier: GPL-3.0-or-later
// Accessibility of every window of the tool: walked through QAccessible as
// a screen reader walks it, every interactive control has a name and every
// value field is named and gives the text it shows; F1 opens the user guide
// from the window. Plus the value field's live reports and the router list's
// spoken lines.
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "dialogs/change_password_dialog.h"
#include "dialogs/dialogs_test_support.h"
#include "dialogs/filter_dialogs.h"
#include "dialogs/history_window.h"
#include "dialogs/network_configuration_dialog.h"
#include "dialogs/offline_editor.h"
#include "dialogs/progress_window.h"
#include "dialogs/route_dialogs.h"
#include "dialogs/router_configuration_dialog.h"
#include "dialogs/select_firmware_dialog.h"
#include "monitor/accounting_dialog.h"
#include "monitor/line_status_dialog.h"
#include "monitor/monitor_hand_over.h"
#include "monitor/router_overview_dialog.h"
#include "shell/about_dialog.h"
#include "shell/accessibility.h"
#include "shell/help_window.h"
#include "shell/password_dialog.h"
#include "shell/static_text.h"

namespace tarcfg::testing {
namespace {

bool Interactive(const QObject* object) {
  return qobject_cast<const QAbstractButton*>(object) ||
         qobject_cast<const QAbstractScrollArea*>(object) ||
         qobject_cast<const QComboBox*>(object) || qobject_cast<const QLineEdit*>(object) ||
         qobject_cast<const QAbstractSpinBox*>(object);
}

// What a reader would find wrong, one line per control.
void Walk(QAccessibleInterface* node, QStringList& problems) {
  if (!node || node->state().invisible)
    return;
  const QObject* object = node->object();
  const QString what = object ? QString::fromLatin1(object->metaObject()->className()) +
                                    QLatin1Char(' ') + object->objectName()
                              : QStringLiteral("?");
  const QString name = node->text(QAccessible::Name).trimmed();
  if (const auto* field = qobject_cast<const StaticText*>(object)) {
    if (name.isEmpty())
      problems << what + QStringLiteral(": value field without a name");
    if (node->text(QAccessible::Value) != field->shownText() || !node->textInterface() ||
        node->textInterface()->text(0, node->textInterface()->characterCount()) !=
            field->shownText())
      problems << what + QStringLiteral(": value field reads \"") + node->text(QAccessible::Value) +
                      QStringLiteral("\", shows \"") + field->shownText() + QLatin1Char('"');
    return;
  }
  if (Interactive(object)) {
    if (name.isEmpty())
      problems << what + QStringLiteral(": no accessible name");
    return;  // the items of lists and the parts of a box are the control's own
  }
  if (qobject_cast<const QMenuBar*>(object))
    return;
  for (int i = 0; i < node->childCount(); ++i)
    Walk(node->child(i), problems);
}

class NoExportFile : public ExportFileDialog {
 public:
  QString GetExportFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return QString();
  }
};

class AccessibilityTest;

struct WindowCase {
  const char* name;
  // Builds the window over the registered main window; null: the main window.
  std::function<std::unique_ptr<QWidget>(AccessibilityTest&)> make;
};

void PrintTo(const WindowCase& windowCase, std::ostream* out) {
  *out << windowCase.name;
}

class AccessibilityTest : public DialogsTest, public ::testing::WithParamInterface<WindowCase> {
 public:
  MainWindow& window() { return *window_; }
  ShellContext& context() { return *context_; }
  RecordingMessageBoxes& messages() { return messages_; }
  FakeNetDatabase& database() { return database_; }
  RecordingFileDialogs& files() { return files_; }
  std::shared_ptr<MonitorHandOver> handOver = std::make_shared<MonitorHandOver>();
  NoExportFile exportFiles;
  RouterPasswordChoice passwordChoice;
  FilterList filters = NewFilterList();
  RouteList routes = NewRouteList();
};

const QString kRouter = QStringLiteral("198.51.100.10");

template <class Window, class... Arguments>
std::unique_ptr<QWidget> Make(AccessibilityTest& t, Arguments&&... arguments) {
  return std::make_unique<Window>(std::forward<Arguments>(arguments)..., &t.window());
}

std::unique_ptr<QWidget> LineStatusWithReport(AccessibilityTest& t) {
  auto dialog =
      std::make_unique<LineStatusDialog>(t.context(), t.handOver, kRouter, nullptr, &t.window());
  LineStatus status;
  status.channels[0] = {3, 0, "198.51.100.200", "0301234567", 754, 12, 1834, 2291};
  status.channels[1].cause = 0x0010;
  dialog->ShowLineStatus(status);
  return dialog;
}

const WindowCase kWindows[] = {
    {"MainWindow", nullptr},
    {"About", [](auto& t) { return Make<AboutDialog>(t); }},
    {"Password", [](auto& t) { return Make<PasswordDialog>(t, t.messages()); }},
    {"LineTargets",
     [](auto& t) { return Make<LineTargetsDialog>(t, t.context(), t.files(), kRouter); }},
    {"NetworkConfiguration",
     [](auto& t) {
       return Make<NetworkConfigurationDialog>(t, t.context().tables, t.context().addresses,
                                               t.messages(), 0);
     }},
    {"EditFilter",
     [](auto& t) {
       return Make<EditFilterDialog>(t, t.context().addresses, t.database(), t.messages(), 1, 1);
     }},
    {"FilterTable",
     [](auto& t) {
       return Make<FilterTableDialog>(t, t.filters, kRouter, t.context().addresses, t.database(),
                                      t.messages());
     }},
    {"EditRoute",
     [](auto& t) {
       return Make<EditRouteDialog>(t, t.context().addresses, t.messages(), kRouter, 1, 1);
     }},
    {"RoutingTable",
     [](auto& t) {
       return Make<RoutingTableDialog>(t, t.routes, kRouter, t.context().addresses, t.messages());
     }},
    {"RouterConfiguration",
     [](auto& t) {
       return Make<RouterConfigurationDialog>(t, t.context(), t.context().selected.current,
                                              t.passwordChoice);
     }},
    {"ChangePassword",
     [](auto& t) { return Make<ChangePasswordDialog>(t, t.messages(), kRouter, false); }},
    {"SelectFirmware",
     [](auto& t) { return Make<SelectFirmwareDialog>(t, std::string("."), 1, std::string()); }},
    {"Progress",
     [](auto& t) {
       auto window = std::make_unique<ProgressWindow>(&t.window());
       window->SetMessage(QStringLiteral("Downloading firmware"));
       return std::unique_ptr<QWidget>(std::move(window));
     }},
    {"History", [](auto& t) { return Make<HistoryWindow>(t, t.context(), kRouter); }},
    {"Comparison",
     [](auto& t) {
       const Configuration& c = *t.context().configuration;
       return Make<ComparisonDialog>(t, QStringLiteral("Saved"), QStringLiteral("Router"),
                                     SideBySideRows(c, c, t.context().planTexts()));
     }},
    {"OperatingModeChoice", [](auto& t) { return Make<OperatingModeChoiceDialog>(t); }},
    {"SetupConnection",
     [](auto& t) {
       return Make<SetupConnectionDialog>(t, t.context().configuration->lineTargets);
     }},
    {"LineStatus", LineStatusWithReport},
    {"Accounting",
     [](auto& t) {
       return Make<AccountingDialog>(t, t.context(), t.handOver, t.exportFiles, kRouter);
     }},
    {"RouterOverview",
     [](auto& t) { return Make<RouterOverviewDialog>(t, t.context(), t.handOver); }},
};

TEST_P(AccessibilityTest, ControlsAreNamedValuesReadAndF1OpensTheHelp) {
  Register();
  std::unique_ptr<QWidget> dialog = GetParam().make ? GetParam().make(*this) : nullptr;
  QWidget* shown = dialog ? dialog.get() : window_.get();
  if (dialog) {
    // As exec() shows it, without waiting in it.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
  }
  ProcessPosted();

  QStringList problems;
  Walk(QAccessible::queryAccessibleInterface(shown), problems);
  EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
  EXPECT_FALSE(shown->findChildren<QWidget*>().isEmpty());

  QWidget* focus = shown->focusWidget() ? shown->focusWidget() : shown;
  QTest::keyClick(focus, Qt::Key_F1);
  HelpWindow* help = dialog ? shown->findChild<HelpWindow*>() : window_->helpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->toPlainText().isEmpty());
  EXPECT_EQ(help->source(), window_->helpPage());
}

INSTANTIATE_TEST_SUITE_P(Windows, AccessibilityTest, ::testing::ValuesIn(kWindows),
                         [](const auto& windowCase) { return std::string(windowCase.param.name); });

// A value field as a reader meets it: named by its label (or its group box
// when it has none), read as it shows, also after a change.
TEST(AccessibleValueFieldTest, NamedByItsLabelAndReadAsShown) {
  QGroupBox group(QStringLiteral("Channel 1"));
  auto* grid = new QGridLayout(&group);
  auto* field = new StaticText(&group);
  auto* lonely = new StaticText(&group);
  grid->addWidget(new QLabel(QStringLiteral("&Status:"), &group), 0, 0);
  grid->addWidget(field, 0, 1);
  grid->addWidget(lonely, 1, 1);

  field->setText(QStringLiteral("Establishing connection (0000)"));
  QAccessibleInterface* node = QAccessible::queryAccessibleInterface(field);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->text(QAccessible::Name), QStringLiteral("Status"));
  EXPECT_EQ(node->text(QAccessible::Value), QStringLiteral("Establishing connection (0000)"));
  EXPECT_EQ(node->role(), QAccessible::StaticText);
  EXPECT_TRUE(node->state().readOnly);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(lonely)->text(QAccessible::Name),
            QStringLiteral("Channel 1"));
  // A reader asks again on the change report and hears the new value.
  field->setText(QStringLiteral("Connected (0000)"));
  EXPECT_EQ(node->text(QAccessible::Value), QStringLiteral("Connected (0000)"));
  ASSERT_NE(node->textInterface(), nullptr);
  EXPECT_EQ(node->textInterface()->text(0, 9), QStringLiteral("Connected"));
}

// The router list says in words what its parentheses mean.
TEST(SpokenRouterLineTest, HeldRoutersAreSaidSo) {
  QListWidget list;
  SpeakRouterLines(&list);
  list.addItem(QStringLiteral("(00-60-1a-10-00-01\t198.51.100.10)"));
  list.addItem(QStringLiteral(" 00-60-1a-10-00-02\t198.51.100.11 "));
  list.addItem(QStringLiteral("-- No router in the network --"));
  QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&list);
  ASSERT_NE(node, nullptr);
  ASSERT_NE(node->tableInterface(), nullptr);
  QStringList spoken;
  for (int row = 0; row < 3; ++row)
    spoken << node->tableInterface()->cellAt(row, 0)->text(QAccessible::Name);
  EXPECT_EQ(spoken, QStringList({QStringLiteral("00-60-1a-10-00-01, 198.51.100.10, held by "
                                                "another host"),
                                 QStringLiteral("00-60-1a-10-00-02, 198.51.100.11"),
                                 QStringLiteral("-- No router in the network --")}));
}

}  // namespace
}  // namespace tarcfg::testing
