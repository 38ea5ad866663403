// SPDX-License-Identifier: GPL-3.0-or-later
// The field helpers every dialog uses: moving address, phone, service,
// number and text fields between the controls and the values they stand
// for, with the checks and messages of each kind; the tab stops of list
// boxes; enabling controls together with their labels.
//
// A dialog's exchange routine calls the helpers in its field order with one
// DataExchange. While loading they set the controls; while saving they read,
// check and store. The first failing field shows its message, gets the focus
// with its text selected, and marks the exchange failed; later helpers then
// do nothing, so the dialog stays open with nothing more stored.
#pragma once

#include "config/field_checks.h"

#include <QStyledItemDelegate>
#include <cstdint>
#include <string>
#include <vector>

#include "config/address.h"
#include "config/net_database.h"
#include "shell/dialog_units.h"
#include "shell/message_boxes.h"

class QLineEdit;
class QListWidget;
class QWidget;

namespace tarcfg {

class DataExchange {
 public:
  enum class Direction { Load, Save };

  DataExchange(Direction direction, QWidget* dialog, MessageBoxes& messages)
      : direction_(direction), dialog_(dialog), messages_(messages) {}

  bool saving() const { return direction_ == Direction::Save; }
  bool failed() const { return failed_; }
  QWidget* dialog() const { return dialog_; }
  MessageBoxes& messages() { return messages_; }

  // Shows `text` (if any) and marks the exchange failed; `field`, when
  // given, gets the focus with its whole text selected.
  void Fail(QLineEdit* field, const QString& text, MessageIcon icon = MessageIcon::None);

 private:
  Direction direction_;
  QWidget* dialog_;
  MessageBoxes& messages_;
  bool failed_ = false;
};

// "%d.%d.%d.%d", most significant byte first.
std::string FormatAddressText(std::uint32_t address);

// Address, net mask, compare value, gateway or host name: message 40004.
bool ExchangeAddressField(DataExchange& exchange, QLineEdit* field, std::string& value,
                          AddressService& addresses);
// The compare value resolved; when saving, message 40013 (exclamation)
// and a failed exchange if the value has bits the mask clears.
std::uint32_t CheckMaskAndValue(DataExchange& exchange, std::string_view mask,
                                std::string_view value, AddressService& addresses);
bool IsValidService(std::string_view text, NetDatabase& database);
// Service field: message 40009.
bool ExchangeServiceField(DataExchange& exchange, QLineEdit* field, std::string& value,
                          NetDatabase& database);
// Phone field: message 40104, for enabled fields only; a disabled field's
// text is stored whatever it holds.
bool ExchangePhoneField(DataExchange& exchange, QLineEdit* field, std::string& value);

// The framework's standard checks: an integer (61704), an integer within
// a range (61705), a text of limited length (61706).
bool ExchangeInteger(DataExchange& exchange, QLineEdit* field, int& value, int minimum,
                     int maximum);
bool ExchangeText(DataExchange& exchange, QLineEdit* field, std::string& value, int maxCharacters);

// Tab stops, in dialog units, for a list whose columns start under the
// given headers: each header's distance from the first one, the first
// header's own stop left out. Headers that are null are skipped.
std::vector<int> ListTabStops(const std::vector<QWidget*>& headers, const DialogUnits& units);
// Sets those tab stops on `list` and installs the delegate that draws its
// tab-separated rows at them; the row texts stay exactly as given.
void SetListTabStops(QListWidget* list, const std::vector<QWidget*>& headers,
                     const DialogUnits& units);
// The same with the stops (dialog units from the list's left edge) given.
void SetListTabStopsAt(QListWidget* list, std::vector<int> stops, const DialogUnits& units);
std::vector<int> TabStopsOf(const QListWidget* list);

// Draws a row "a\tb\tc" with each part starting at its tab stop.
class TabStopDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TabStopDelegate(std::vector<int> tabStops, DialogUnits units, QObject* parent)
      : QStyledItemDelegate(parent), tabStops_(std::move(tabStops)), units_(units) {}
  const std::vector<int>& tabStops() const { return tabStops_; }
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  std::vector<int> tabStops_;
  DialogUnits units_;
};

void EnableControl(QWidget* control, bool enable);
// The control and its label: the label whose buddy it is, or else the
// widget created just before it.
void EnableControlAndLabel(QWidget* control, bool enable);

}  // namespace tarcfg
