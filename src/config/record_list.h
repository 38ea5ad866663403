// SPDX-License-Identifier: GPL-3.0-or-later
// RecordList: the ordered list that holds line targets, routes, filters and
// the routers found on the network.
//
// A list owns its records. Positions are 1-based, as the dialogs and the
// router tables count them. Each list carries the compare and match rules of
// its record kind: compare gives 0 for equal records and a negative value
// otherwise; match tells whether a record answers to a text key.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace tarcfg {

template <class Record>
class RecordList {
 public:
  using Compare = std::function<int(const Record&, const Record&)>;
  using Match = std::function<bool(const Record&, std::string_view)>;

  RecordList() = default;
  RecordList(Compare compare, Match match)
      : compare_(std::move(compare)), match_(std::move(match)) {}

  RecordList(RecordList&&) noexcept = default;
  RecordList& operator=(RecordList&&) noexcept = default;
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;

  // A new list with the same rules holding copies of all records, in order.
  RecordList Clone() const {
    RecordList copy(compare_, match_);
    copy.items_.reserve(items_.size());
    for (const auto& item : items_)
      copy.items_.push_back(std::make_unique<Record>(*item));
    return copy;
  }

  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }

  // Unlinks the first record matching `key` and hands it to the caller.
  // Gives the number of records that stood before it, 0 when none matched.
  int RemoveMatching(std::string_view key, std::unique_ptr<Record>* removed = nullptr) {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (Matches(*items_[i], key)) {
        if (removed)
          *removed = std::move(items_[i]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        return static_cast<int>(i);
      }
    }
    return 0;
  }

  // Removes and frees the record at `position` (0 or less means 1).
  // Gives 1, or 0 when the list is shorter.
  int RemoveAt(int position) {
    if (position < 1)
      position = 1;
    if (position > count())
      return 0;
    items_.erase(items_.begin() + (position - 1));
    return 1;
  }

  RecordList& Append(Record record) {
    items_.push_back(std::make_unique<Record>(std::move(record)));
    return *this;
  }

  // Inserts before the first record that compares equal to `record`, or at
  // the tail. Gives the 1-based position taken.
  int InsertBeforeEqual(Record record) {
    std::size_t i = 0;
    while (i < items_.size() && Compares(*items_[i], record) < 0)
      ++i;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(i),
                  std::make_unique<Record>(std::move(record)));
    return static_cast<int>(i) + 1;
  }

  // Inserts so that `record` becomes the position-th record; a position past
  // the end appends. Gives the position actually taken.
  int InsertAt(Record record, int position) {
    if (position < 1)
      position = 1;
    if (position > count() + 1)
      position = count() + 1;
    items_.insert(items_.begin() + (position - 1), std::make_unique<Record>(std::move(record)));
    return position;
  }

  Record* Find(std::string_view key) {
    for (auto& item : items_)
      if (Matches(*item, key))
        return item.get();
    return nullptr;
  }
  const Record* Find(std::string_view key) const {
    return const_cast<RecordList*>(this)->Find(key);
  }

  // The record at the 1-based position, or null.
  Record* NodeAt(int position) {
    if (position < 1 || position > count())
      return nullptr;
    return items_[static_cast<std::size_t>(position - 1)].get();
  }
  const Record* NodeAt(int position) const {
    return const_cast<RecordList*>(this)->NodeAt(position);
  }

  Record* Last() { return items_.empty() ? nullptr : items_.back().get(); }
  const Record* Last() const { return items_.empty() ? nullptr : items_.back().get(); }

  // Moves the record at `from` so that it becomes the `to`-th record.
  void Move(int from, int to) {
    if (from < 1 || from > count() || to < 1 || to > count() || from == to)
      return;
    auto item = std::move(items_[static_cast<std::size_t>(from - 1)]);
    items_.erase(items_.begin() + (from - 1));
    items_.insert(items_.begin() + (to - 1), std::move(item));
  }

  void Clear() { items_.clear(); }

  // True when both lists hold equal records in the same order.
  bool SameAs(const RecordList& other) const {
    if (count() != other.count())
      return false;
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (Compares(*items_[i], *other.items_[i]) != 0)
        return false;
    return true;
  }

  int CompareRecords(const Record& a, const Record& b) const { return Compares(a, b); }

  // Iteration over the records in list order.
  template <class Ptr, class Ref>
  class Iter {
   public:
    explicit Iter(Ptr it) : it_(it) {}
    Ref operator*() const { return **it_; }
    auto operator->() const { return it_->get(); }
    Iter& operator++() {
      ++it_;
      return *this;
    }
    bool operator!=(const Iter& o) const { return it_ != o.it_; }
    bool operator==(const Iter& o) const { return it_ == o.it_; }

   private:
    Ptr it_;
  };
  using iterator = Iter<typename std::vector<std::unique_ptr<Record>>::iterator, Record&>;
  using const_iterator =
      Iter<typename std::vector<std::unique_ptr<Record>>::const_iterator, const Record&>;
  iterator begin() { return iterator(items_.begin()); }
  iterator end() { return iterator(items_.end()); }
  const_iterator begin() const { return const_iterator(items_.begin()); }
  const_iterator end() const { return const_iterator(items_.end()); }

 private:
  int Compares(const Record& a, const Record& b) const { return compare_ ? compare_(a, b) : -1; }
  bool Matches(const Record& r, std::string_view key) const { return match_ && match_(r, key); }

  Compare compare_;
  Match match_;
  std::vector<std::unique_ptr<Record>> items_;
};

}  // namespace tarcfg
