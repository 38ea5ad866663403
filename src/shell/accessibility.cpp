// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "shell/static_text.h"

namespace tarcfg {
namespace {

QString WithoutMnemonic(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  // "&&" is an ampersand; "&" before any other character only marks it.
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && ++i >= text.size())
      break;
    plain += text[i];
  }
  plain = plain.trimmed();
  if (plain.endsWith(QLatin1Char(':')))
    plain.chop(1);
  return plain.trimmed();
}

QString LabelText(const QWidget* widget) {
  const auto* label = qobject_cast<const QLabel*>(widget);
  return label ? WithoutMnemonic(label->text()) : QString();
}

// The layout under `layout` that holds `widget` itself.
QLayout* HoldingLayout(QLayout* layout, const QWidget* widget) {
  if (!layout)
    return nullptr;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget)
      return layout;
    if (QLayout* found = HoldingLayout(item->layout(), widget))
      return found;
  }
  return nullptr;
}

QString LabelInFront(const QWidget* widget) {
  QWidget* parent = widget->parentWidget();
  QLayout* layout = parent ? HoldingLayout(parent->layout(), widget) : nullptr;
  if (!layout)
    return QString();
  const int index = layout->indexOf(widget);
  if (auto* form = qobject_cast<QFormLayout*>(layout))
    return LabelText(form->labelForField(const_cast<QWidget*>(widget)));
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    for (int left = column - 1; left >= 0; --left) {
      if (QLayoutItem* item = grid->itemAtPosition(row, left); item && item->widget())
        return LabelText(item->widget());
    }
    return QString();
  }
  if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
    const bool across =
        box->direction() == QBoxLayout::LeftToRight || box->direction() == QBoxLayout::RightToLeft;
    for (int before = index - 1; across && before >= 0; --before) {
      if (QWidget* item = box->itemAt(before)->widget())
        return LabelText(item);
    }
  }
  return QString();
}

class AccessibleStaticText : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit AccessibleStaticText(StaticText* field)
      : QAccessibleWidget(field, QAccessible::StaticText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface)
      return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    switch (kind) {
      case QAccessible::Name:
        return LabelOf(widget());
      case QAccessible::Value:
        return shown();
      default:
        return QAccessibleWidget::text(kind);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
  }

  // --- The text interface: read-only, no selection, no caret ---------------
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return shown().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  QRect characterRect(int offset) const override {
    const QFontMetrics metrics(widget()->font());
    const QString text = shown();
    if (offset < 0 || offset >= text.size())
      return QRect();
    int x = metrics.horizontalAdvance(text.left(offset));
    if (field()->rightAligned())
      x += widget()->width() - 1 - metrics.horizontalAdvance(text);
    const QRect local(x, 0, metrics.horizontalAdvance(text[offset]), metrics.height());
    return QRect(widget()->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QString text = shown();
    for (int i = 0; i < text.size(); ++i)
      if (characterRect(i).contains(point))
        return i;
    return -1;
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return QString();
  }

 private:
  const StaticText* field() const { return static_cast<const StaticText*>(widget()); }
  QString shown() const { return field()->shownText(); }
};

QAccessibleInterface* StaticTextFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("tarcfg::StaticText") && object && object->isWidgetType())
    return new AccessibleStaticText(static_cast<StaticText*>(object));
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  QAccessible::installFactory(StaticTextFactory);
}

QString LabelOf(const QWidget* widget) {
  if (!widget)
    return QString();
  if (!widget->accessibleName().isEmpty())
    return widget->accessibleName();
  QWidget* parent = widget->parentWidget();
  if (!parent)
    return QString();
  for (QObject* child : parent->children()) {
    auto* label = qobject_cast<QLabel*>(child);
    if (label && label->buddy() == widget)
      return WithoutMnemonic(label->text());
  }
  const QString inFront = LabelInFront(widget);
  if (!inFront.isEmpty())
    return inFront;
  if (auto* group = qobject_cast<QGroupBox*>(parent))
    return WithoutMnemonic(group->title());
  return QString();
}

QString SpokenRouterLine(const QString& line) {
  QString columns = line.trimmed();
  if (!columns.contains(QLatin1Char('\t')))
    return line;
  const bool held = columns.startsWith(QLatin1Char('(')) && columns.endsWith(QLatin1Char(')'));
  if (held)
    columns = columns.mid(1, columns.size() - 2).trimmed();
  columns.replace(QLatin1Char('\t'), QStringLiteral(", "));
  if (!held)
    return columns;
  return QCoreApplication::translate("Accessibility", "%1, held by another host").arg(columns);
}

void SpeakRouterLines(QListWidget* list) {
  QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                   [list](const QModelIndex&, int first, int last) {
                     for (int row = first; row <= last; ++row) {
                       if (QListWidgetItem* item = list->item(row))
                         item->setData(Qt::AccessibleTextRole, SpokenRouterLine(item->text()));
                     }
                   });
}

}  // namespace tarcfg
