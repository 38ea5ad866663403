// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/history_window.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "config/config_comparison.h"
#include "config/config_file.h"
#include "config/string_table.h"
#include "dialogs/dialog_buttons.h"
#include "shell/message_boxes.h"
#include "shell/router_history.h"
#include "shell/shell_context.h"

namespace tarcfg {
namespace {

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.c_str());
}

// The comparison's field names and the words its yes/no, action and
// connection values use, as the core writes them; shown in the user's
// language. Other values (addresses, names, numbers) stay as they are.
constexpr const char* kComparisonContext = "tarcfg::ComparisonFields";
[[maybe_unused]] constexpr const char* kComparisonWords[] = {
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "name"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "net mask"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "phone number"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "firmware"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "permanent connection"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "host name"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "layer 2 protocol"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "layer 3 protocol"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "remote identification"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "local identification"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "timeout"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "manual only"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "channel bundling"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "compression"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "destination"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "gateway"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "send net mask"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "send address"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "receive net mask"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "receive address"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "service"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "action"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "yes"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "no"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "accept"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "reject"),
    QT_TRANSLATE_NOOP("tarcfg::ComparisonFields", "none"),
};

QString FieldName(const std::string& name) {
  return QCoreApplication::translate(kComparisonContext, name.c_str());
}

// A value in words where the field's values are words.
QString FieldValue(const std::string& field, const std::string& value) {
  static const char* const kWordFields[] = {"manual only", "channel bundling", "compression",
                                            "action", "permanent connection"};
  for (const char* word : kWordFields)
    if (field == word)
      return QCoreApplication::translate(kComparisonContext, value.c_str());
  return Latin1(value);
}

// Position by position: both sides' entries there, with what the core
// comparison says of that position (added, removed, or the fields changed).
template <class Record>
void CompareTable(std::vector<ComparedEntry>& out, const char* table,
                  const RecordList<Record>& left, const RecordList<Record>& right,
                  const std::vector<EntryDifference<Record>>& differences, const PlanTexts& texts) {
  auto l = left.begin();
  auto r = right.begin();
  for (int number = 1; l != left.end() || r != right.end(); ++number) {
    ComparedEntry entry;
    entry.entry = QCoreApplication::translate("tarcfg::ComparisonDialog", table).arg(number);
    if (l != left.end())
      entry.left = Latin1(EntryText(*l, texts));
    if (r != right.end())
      entry.right = Latin1(EntryText(*r, texts));
    for (const EntryDifference<Record>& difference : differences) {
      if (difference.position != number)
        continue;
      entry.state = difference.kind == DifferenceKind::kAdded     ? ComparedEntry::State::kAdded
                    : difference.kind == DifferenceKind::kRemoved ? ComparedEntry::State::kRemoved
                                                                  : ComparedEntry::State::kChanged;
      entry.fields = difference.fields;
    }
    out.push_back(std::move(entry));
    if (l != left.end())
      ++l;
    if (r != right.end())
      ++r;
  }
}

// The router parameters a kept version's header states, if any.
std::optional<RouterParameters> VersionRouter(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return RouterSectionOf(text.str());
}

// The highlights: a changed entry and its fields, an entry only one side has.
const QColor kChangedEntry(255, 246, 200);
const QColor kChangedField(255, 224, 130);
const QColor kAdded(206, 242, 206);
const QColor kRemoved(248, 212, 212);

void Highlight(QTreeWidgetItem* item, int column, const QColor& color, bool bold) {
  item->setBackground(column, color);
  // The highlights are light whatever the palette: dark text stays readable
  // on them under a dark one too.
  item->setForeground(column, QColor(Qt::black));
  if (bold) {
    QFont font = item->font(column);
    font.setBold(true);
    item->setFont(column, font);
  }
}

}  // namespace

std::vector<ComparedEntry> SideBySideRows(const Configuration& left, const Configuration& right,
                                          const PlanTexts& texts,
                                          const RouterParameters* leftRouter,
                                          const RouterParameters* rightRouter) {
  const ConfigurationComparison comparison =
      CompareConfigurations(left, right, texts, leftRouter, rightRouter);
  std::vector<ComparedEntry> entries;
  if (!comparison.router.empty()) {
    ComparedEntry router;
    router.entry = QCoreApplication::translate("tarcfg::ComparisonDialog", "Router parameters");
    router.state = ComparedEntry::State::kChanged;
    router.fields = comparison.router;
    entries.push_back(std::move(router));
  }
  CompareTable(entries, QT_TRANSLATE_NOOP("tarcfg::ComparisonDialog", "Line target %1"),
               left.lineTargets, right.lineTargets, comparison.lineTargets, texts);
  CompareTable(entries, QT_TRANSLATE_NOOP("tarcfg::ComparisonDialog", "Route %1"), left.routes,
               right.routes, comparison.routes, texts);
  CompareTable(entries, QT_TRANSLATE_NOOP("tarcfg::ComparisonDialog", "Filter %1"), left.filters,
               right.filters, comparison.filters, texts);
  return entries;
}

// --- Comparison ------------------------------------------------------------

ComparisonDialog::ComparisonDialog(const QString& leftTitle, const QString& rightTitle,
                                   const std::vector<ComparedEntry>& entries, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("comparisonDialog"));
  setWindowTitle(tr("Compare Configurations"));
  const auto differing = std::count_if(entries.begin(), entries.end(), [](const auto& e) {
    return e.state != ComparedEntry::State::kSame;
  });
  auto* summary =
      new QLabel(differing == 0 ? tr("The two configurations hold the same entries.")
                                : tr("%n entries differ.", nullptr, static_cast<int>(differing)),
                 this);
  summary->setObjectName(QStringLiteral("comparisonSummary"));
  auto* tree = new QTreeWidget(this);
  tree->setObjectName(QStringLiteral("comparisonTree"));
  tree->setAccessibleName(tr("Compared entries"));
  tree->setColumnCount(3);
  tree->setHeaderLabels({tr("Entry"), leftTitle, rightTitle});
  tree->setRootIsDecorated(true);
  tree->setSelectionMode(QAbstractItemView::NoSelection);
  for (const ComparedEntry& entry : entries) {
    auto* item = new QTreeWidgetItem(tree, {entry.entry, entry.left, entry.right});
    switch (entry.state) {
      case ComparedEntry::State::kSame:
        break;
      case ComparedEntry::State::kChanged:
        for (int column = 0; column < 3; ++column)
          Highlight(item, column, kChangedEntry, false);
        break;
      case ComparedEntry::State::kAdded:
        Highlight(item, 2, kAdded, true);
        break;
      case ComparedEntry::State::kRemoved:
        Highlight(item, 1, kRemoved, true);
        break;
    }
    for (const FieldChange& field : entry.fields) {
      auto* row =
          new QTreeWidgetItem(item, {FieldName(field.name), FieldValue(field.name, field.before),
                                     FieldValue(field.name, field.after)});
      Highlight(row, 1, kChangedField, true);
      Highlight(row, 2, kChangedField, true);
    }
  }
  tree->expandAll();
  // Wide enough for both sides whole, side by side.
  int width = 0;
  for (int column = 0; column < 3; ++column) {
    tree->resizeColumnToContents(column);
    width += tree->columnWidth(column) + 8;
  }
  tree->setMinimumSize(std::max(width, 480) + 2 * tree->frameWidth() + 24, 360);
  tree->setFocusPolicy(Qt::NoFocus);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addWidget(tree);
  layout->addWidget(buttons);
}

// --- History ---------------------------------------------------------------

HistoryWindow::HistoryWindow(ShellContext& context, const QString& routerName, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("historyWindow"));
  setWindowTitle(tr("Configuration History"));
  versions_ = RouterHistory(context_).List(context_.selected.hardwareAddressText);

  auto* label = new QLabel(tr("&Versions kept:"), this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("versionList"));
  list_->setAccessibleName(tr("Versions kept"));
  label->setBuddy(list_);
  list_->setColumnCount(3);
  list_->setHeaderLabels({tr("Kept (UTC)"), tr("Operation"), tr("Sent")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const HistoryEntry& version : versions_) {
    QStringList sent;
    for (const std::string& line : version.sending)
      sent << Latin1(line);
    auto* item = new QTreeWidgetItem(
        list_, {Latin1(version.time), Latin1(version.operation), sent.join(QStringLiteral("; "))});
    item->setToolTip(2, sent.join(QStringLiteral("\n")));
  }
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->setMinimumSize(560, 200);
  // What the selected version's operation was about to send, line by line.
  sent_ = new QLabel(this);
  sent_->setObjectName(QStringLiteral("sentLines"));
  sent_->setTextFormat(Qt::PlainText);
  sent_->setWordWrap(true);

  compare_ = SideButton(this, "compareButton", tr("&Compare..."));
  restore_ = SideButton(this, "restoreButton", tr("&Restore"));
  QPushButton* close = SideButton(this, "closeButton", tr("Close"));
  auto* side = new QVBoxLayout;
  side->addWidget(compare_);
  side->addWidget(restore_);
  side->addSpacing(12);
  side->addWidget(close);
  side->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(MakeRouterRow(this, routerName));
  left->addWidget(label);
  left->addWidget(list_, 1);
  left->addWidget(sent_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(side);

  connect(list_, &QTreeWidget::itemSelectionChanged, this, &HistoryWindow::UpdateButtons);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &HistoryWindow::Compare);
  connect(compare_, &QPushButton::clicked, this, &HistoryWindow::Compare);
  connect(restore_, &QPushButton::clicked, this, &HistoryWindow::Restore);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
}

std::vector<int> HistoryWindow::SelectedRows() const {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : list_->selectedItems())
    rows.push_back(list_->indexOfTopLevelItem(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void HistoryWindow::UpdateButtons() {
  const std::vector<int> rows = SelectedRows();
  compare_->setEnabled(rows.size() == 1 || rows.size() == 2);
  restore_->setEnabled(rows.size() == 1);
  QString text;
  if (rows.size() == 1) {
    const HistoryEntry& version = versions_[static_cast<std::size_t>(rows[0])];
    text = tr("Kept before: %1").arg(Latin1(version.operation));
    for (const std::string& line : version.sending)
      text += QStringLiteral("\n  ") + Latin1(line);
  }
  sent_->setText(text);
}

bool HistoryWindow::ReadVersion(int row, Configuration& into) {
  const ConfigReadResult result =
      ReadConfigFile(versions_[static_cast<std::size_t>(row)].path,
                     context_.selected.current.permanentConnection, context_.configContext(), into);
  if (result.code == kConfigOk) {
    EnsureDefaultFilter(into.filters);
    return true;
  }
  context_.messages.ShowMessage(this, QString::fromLocal8Bit(ConfigReadMessage(result).c_str()),
                                MessageIcon::Exclamation);
  return false;
}

void HistoryWindow::Compare() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || rows.size() > 2 || !context_.savedConfiguration)
    return;
  // The older version on the left: rows run newest first.
  const HistoryEntry& olderVersion = versions_[static_cast<std::size_t>(rows.back())];
  Configuration older;
  if (!ReadVersion(rows.back(), older))
    return;
  const std::optional<RouterParameters> olderRouter = VersionRouter(olderVersion.path);
  Configuration newer;
  std::optional<RouterParameters> newerRouter;
  QString newerTitle = tr("Router (as last read or written)");
  if (rows.size() == 2) {
    const HistoryEntry& newerVersion = versions_[static_cast<std::size_t>(rows.front())];
    if (!ReadVersion(rows.front(), newer))
      return;
    newerRouter = VersionRouter(newerVersion.path);
    newerTitle = Latin1(newerVersion.time);
  } else {
    newer = context_.savedConfiguration->Clone();
    newerRouter = context_.selected.current;
  }
  // Router parameters are compared only where both sides state them.
  const bool both = olderRouter && newerRouter;
  ComparisonDialog view(
      Latin1(olderVersion.time), newerTitle,
      SideBySideRows(older, newer, context_.planTexts(), both ? &*olderRouter : nullptr,
                     both ? &*newerRouter : nullptr),
      this);
  view.exec();
}

void HistoryWindow::Restore() {
  const std::vector<int> rows = SelectedRows();
  if (rows.size() != 1 || !context_.configuration || context_.configurationWriteOutstanding())
    return;
  Configuration version;
  if (!ReadVersion(rows[0], version))
    return;
  // Into the working lists only: the saved copies stay the router's, so
  // the version is sent as an edit of them.
  Configuration& work = *context_.configuration;
  work.lineTargets = version.lineTargets.Clone();
  work.routes = version.routes.Clone();
  work.filters = version.filters.Clone();
  restored_ = true;
  accept();
}

bool RunHistoryWindow(QWidget* parent, ShellContext& context, const QString& routerName) {
  const std::string folder =
      RouterHistory(context).RouterDirectory(context.selected.hardwareAddressText);
  HistoryWindow window(context, routerName, parent);
  if (folder.empty() || window.versions().empty()) {
    context.messages.ShowMessage(
        parent,
        QString::fromLocal8Bit(
            FormatString(41101, context.selected.hardwareAddressText.c_str()).c_str()),
        MessageIcon::Information);
    return false;
  }
  window.exec();
  return window.restored();
}

}  // namespace tarcfg
