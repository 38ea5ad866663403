// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/field_exchange.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>

#include "config/field_checks.h"
#include "config/string_table.h"

namespace tarcfg {
namespace {

constexpr int kAddressFieldLength = 256;
constexpr int kServiceFieldLength = 31;
constexpr int kPhoneFieldLength = 79;
constexpr std::size_t kPhoneNumberLength = 20;
constexpr const char* kTabStopsProperty = "tarcfgTabStops";

std::string FieldText(QLineEdit* field, int maxCharacters) {
  return field->text().left(maxCharacters).toLatin1().toStdString();
}

}  // namespace

void DataExchange::Fail(QLineEdit* field, const QString& text, MessageIcon icon) {
  if (!text.isEmpty())
    messages_.ShowMessage(dialog_, text, icon);
  if (field) {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
  }
  failed_ = true;
}

std::string FormatAddressText(std::uint32_t address) {
  return DottedQuad(address);
}

bool ExchangeAddressField(DataExchange& exchange, QLineEdit* field, std::string& value,
                          AddressService& addresses) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::fromLatin1(value.c_str()));
    return true;
  }
  std::string text = RemoveBlanks(FieldText(field, kAddressFieldLength));
  if (!IsValidAddressField(text, addresses)) {
    exchange.Fail(field, TableText(40004));
    return false;
  }
  value = text;
  return true;
}

std::uint32_t CheckMaskAndValue(DataExchange& exchange, std::string_view mask,
                                std::string_view value, AddressService& addresses) {
  std::uint32_t maskValue = addresses.ResolveAddress(mask);
  std::uint32_t compareValue = addresses.ResolveAddress(value);
  if (exchange.saving() && !exchange.failed() && (~maskValue & compareValue) != 0)
    exchange.Fail(nullptr, TableText(40013), MessageIcon::Exclamation);
  return compareValue;
}

bool IsValidService(std::string_view text, NetDatabase& database) {
  if (text.empty())
    return true;
  if (text.size() >= 3) {
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    if (lower(text[0]) == 'a' && lower(text[1]) == 'l' && lower(text[2]) == 'l')
      return true;
  }
  return ParsePortService(text, database).has_value();
}

bool ExchangeServiceField(DataExchange& exchange, QLineEdit* field, std::string& value,
                          NetDatabase& database) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::fromLatin1(value.c_str()));
    return true;
  }
  std::string text = RemoveBlanks(FieldText(field, kServiceFieldLength));
  if (!IsValidService(text, database)) {
    exchange.Fail(field, TableText(40009));
    return false;
  }
  value = text;
  return true;
}

bool ExchangePhoneField(DataExchange& exchange, QLineEdit* field, std::string& value) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::fromLatin1(value.c_str()));
    return true;
  }
  std::string text = RemoveBlanks(FieldText(field, kPhoneFieldLength));
  if (field->isEnabled() && !IsValidPhoneNumber(text)) {
    exchange.Fail(field, TableText(40104));
    return false;
  }
  value = text;
  return true;
}

bool ExchangeInteger(DataExchange& exchange, QLineEdit* field, int& value, int minimum,
                     int maximum) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::number(value));
    return true;
  }
  bool ok = false;
  int number = field->text().trimmed().toInt(&ok, 10);
  if (!ok) {
    exchange.Fail(field, TableText(61704));
    return false;
  }
  if (number < minimum || number > maximum) {
    exchange.Fail(field, TableText(61705).arg(minimum).arg(maximum));
    return false;
  }
  value = number;
  return true;
}

bool ExchangeText(DataExchange& exchange, QLineEdit* field, std::string& value, int maxCharacters) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::fromLatin1(value.c_str()));
    return true;
  }
  QString text = field->text();
  if (text.size() > maxCharacters) {
    exchange.Fail(field, TableText(61706).arg(maxCharacters));
    return false;
  }
  value = text.toLatin1().toStdString();
  return true;
}

std::vector<int> ListTabStops(const std::vector<QWidget*>& headers, const DialogUnits& units) {
  const int base = units.ToPixelsX(4);
  std::vector<int> stops;
  bool haveFirst = false;
  int firstX = 0;
  for (QWidget* header : headers) {
    if (!header)
      continue;
    int x = header->mapTo(header->window(), QPoint(0, 0)).x();
    if (!haveFirst) {
      haveFirst = true;
      firstX = x;
      continue;
    }
    // The distance in dialog units, rounded to the nearest unit.
    stops.push_back((base / 2 + (x - firstX) * 4) / base);
  }
  return stops;
}

void SetListTabStops(QListWidget* list, const std::vector<QWidget*>& headers,
                     const DialogUnits& units) {
  SetListTabStopsAt(list, ListTabStops(headers, units), units);
}

void SetListTabStopsAt(QListWidget* list, std::vector<int> stops, const DialogUnits& units) {
  QVariantList property;
  for (int stop : stops)
    property.push_back(stop);
  list->setProperty(kTabStopsProperty, property);
  auto* old = list->itemDelegate();
  list->setItemDelegate(new TabStopDelegate(std::move(stops), units, list));
  if (old && old->parent() == list)
    old->deleteLater();
}

std::vector<int> TabStopsOf(const QListWidget* list) {
  std::vector<int> stops;
  for (const QVariant& value : list->property(kTabStopsProperty).toList())
    stops.push_back(value.toInt());
  return stops;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString text = item.text;
  item.text.clear();
  // Background, selection and focus as the style draws them, without text.
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  painter->save();
  painter->setFont(item.font);
  painter->setPen(item.palette.color(
      option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
  const QStringList parts = text.split(QLatin1Char('\t'));
  const int left = option.rect.left() + 2;
  int x = left;
  for (int i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      // The next part starts at its tab stop, or just after the text when
      // the list has no more stops.
      std::size_t stop = static_cast<std::size_t>(i - 1);
      int stopX = stop < tabStops_.size() ? left + units_.ToPixelsX(tabStops_[stop]) : x;
      x = std::max(x, stopX);
    }
    QRect area(x, option.rect.top(), option.rect.right() - x, option.rect.height());
    painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts[i]);
    x += painter->fontMetrics().horizontalAdvance(parts[i]);
  }
  painter->restore();
}

void EnableControl(QWidget* control, bool enable) {
  if (control)
    control->setEnabled(enable);
}

void EnableControlAndLabel(QWidget* control, bool enable) {
  if (!control)
    return;
  control->setEnabled(enable);
  QWidget* parent = control->parentWidget();
  if (!parent)
    return;
  for (QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->buddy() == control) {
      label->setEnabled(enable);
      return;
    }
  }
  QWidget* previous = nullptr;
  for (QObject* child : parent->children()) {
    if (child == control)
      break;
    if (child->isWidgetType())
      previous = static_cast<QWidget*>(child);
  }
  if (previous)
    previous->setEnabled(enable);
}

}  // namespace tarcfg
