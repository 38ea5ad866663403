// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "config/configuration.h"
#include "config/record_list.h"

namespace tarcfg {
namespace {

// A record kind that answers to its first text, like the router list.
struct Named {
  std::string first;
  std::string second;
};

RecordList<Named> NamedList() {
  return RecordList<Named>(
      [](const Named& a, const Named& b) {
        return a.first == b.first && a.second == b.second ? 0 : -1;
      },
      [](const Named& r, std::string_view key) { return r.first == key; });
}

std::string Firsts(const RecordList<Named>& list) {
  std::string out;
  for (const auto& r : list)
    out += r.first;
  return out;
}

TEST(RecordListTest, RemoveAtOnlyRecordEmptiesTheList) {
  auto list = NamedList();
  list.Append({"a", "1"});
  EXPECT_EQ(list.RemoveAt(1), 1);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.NodeAt(1), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.RemoveAt(1), 0);
}

TEST(RecordListTest, RemoveAtTreatsZeroAndNegativeAsFirst) {
  auto list = NamedList();
  list.Append({"a", ""}).Append({"b", ""}).Append({"c", ""});
  EXPECT_EQ(list.RemoveAt(0), 1);
  EXPECT_EQ(Firsts(list), "bc");
  EXPECT_EQ(list.RemoveAt(-5), 1);
  EXPECT_EQ(Firsts(list), "c");
  EXPECT_EQ(list.RemoveAt(2), 0);
  EXPECT_EQ(Firsts(list), "c");
}

TEST(RecordListTest, InsertAtPositions) {
  auto list = NamedList();
  EXPECT_EQ(list.InsertAt({"b", ""}, 7), 1);  // empty list: becomes head and tail
  EXPECT_EQ(list.InsertAt({"a", ""}, 1), 1);
  EXPECT_EQ(list.InsertAt({"d", ""}, 10), 3);  // beyond the end appends at count + 1
  EXPECT_EQ(list.InsertAt({"c", ""}, 3), 3);
  EXPECT_EQ(Firsts(list), "abcd");
  EXPECT_EQ(list.Last()->first, "d");
}

TEST(RecordListTest, InsertBeforeEqualGoesBeforeFirstEqualRecordOrAtTail) {
  auto list = NamedList();
  list.Append({"a", "1"}).Append({"b", "2"}).Append({"c", "3"});
  EXPECT_EQ(list.InsertBeforeEqual({"b", "2"}), 2);
  EXPECT_EQ(Firsts(list), "abbc");
  EXPECT_EQ(list.InsertBeforeEqual({"x", "9"}), 5);
  EXPECT_EQ(Firsts(list), "abbcx");
}

TEST(RecordListTest, RemoveMatchingHandsTheRecordOverAndCountsThoseBefore) {
  auto list = NamedList();
  list.Append({"a", "1"}).Append({"b", "2"}).Append({"c", "3"});
  std::unique_ptr<Named> removed;
  EXPECT_EQ(list.RemoveMatching("c", &removed), 2);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->second, "3");
  EXPECT_EQ(Firsts(list), "ab");
  EXPECT_EQ(list.RemoveMatching("zz"), 0);
  EXPECT_EQ(list.count(), 2);
}

TEST(RecordListTest, FindAndNodeAt) {
  auto list = NamedList();
  EXPECT_EQ(list.Find("a"), nullptr);
  list.Append({"a", "1"}).Append({"b", "2"});
  ASSERT_NE(list.Find("b"), nullptr);
  EXPECT_EQ(list.Find("b")->second, "2");
  EXPECT_EQ(list.NodeAt(2)->first, "b");
  EXPECT_EQ(list.NodeAt(0), nullptr);
  EXPECT_EQ(list.NodeAt(3), nullptr);
}

TEST(RecordListTest, CloneKeepsOrderAndRulesAndIsIndependent) {
  auto list = NamedList();
  list.Append({"a", "1"}).Append({"b", "2"});
  {
    auto clone = list.Clone();
    EXPECT_EQ(Firsts(clone), "ab");
    EXPECT_NE(clone.Find("b"), nullptr);  // match rule came along
    EXPECT_TRUE(clone.SameAs(list));
    clone.NodeAt(1)->second = "changed";
    EXPECT_FALSE(clone.SameAs(list));
  }
  EXPECT_EQ(list.NodeAt(1)->second, "1");
  EXPECT_EQ(list.count(), 2);
}

TEST(RecordListTest, MoveReordersRecords) {
  auto list = NamedList();
  list.Append({"a", ""}).Append({"b", ""}).Append({"c", ""});
  list.Move(3, 1);
  EXPECT_EQ(Firsts(list), "cab");
  list.Move(1, 3);
  EXPECT_EQ(Firsts(list), "abc");
  list.Move(0, 2);
  EXPECT_EQ(Firsts(list), "abc");
}

TEST(RecordCompareTest, LineTargetsDifferingOnlyInCountersOrPositionAreEqual) {
  LineTarget a = NewLineTarget();
  a.hostName = "10.0.0.1";
  LineTarget b = a;
  b.accountingCounters[3] = 77;
  b.tablePosition = 5;
  b.createDefaultRoute = 0;
  b.layer2Parameters.blockSize = 99;
  EXPECT_TRUE(SameLineTarget(a, b));
  b.compression = 1;
  EXPECT_FALSE(SameLineTarget(a, b));
}

TEST(RecordCompareTest, TextComparisonIsCaseSensitive) {
  RouteEntry a, b;
  a.gateway = "Host";
  b.gateway = "host";
  EXPECT_FALSE(SameRoute(a, b));
}

TEST(DefaultFilterTest, EnsureDefaultFilterAddsNothingAfterRejectAll) {
  FilterList filters = NewFilterList();
  FilterEntry rule;
  rule.sendNetmask = "255.0.0.0";
  filters.Append(rule);
  filters.Append(DefaultFilterReject());
  EnsureDefaultFilter(filters);
  EXPECT_EQ(filters.count(), 2);
  EXPECT_EQ(filters.Last()->action, 0);
}

TEST(DefaultFilterTest, EnsureDefaultFilterAppendsAcceptAllWithItsPosition) {
  FilterList filters = NewFilterList();
  FilterEntry almost = DefaultFilterAccept();
  almost.action = 2;
  filters.Append(almost);
  EnsureDefaultFilter(filters);
  ASSERT_EQ(filters.count(), 2);
  EXPECT_TRUE(SameFilter(*filters.Last(), DefaultFilterAccept()));
  EXPECT_EQ(filters.Last()->tablePosition, 1);

  FilterList empty = NewFilterList();
  EnsureDefaultFilter(empty);
  ASSERT_EQ(empty.count(), 1);
  EXPECT_EQ(empty.Last()->tablePosition, 0);
  EXPECT_EQ(empty.Last()->sendMatch, "0.0.0.0");
}

TEST(HostRouteTest, AddHostRouteInsertsAtHead) {
  RouteList routes = NewRouteList();
  RouteEntry other;
  other.gateway = "g";
  routes.Append(other);
  AddHostRoute(routes, "10.1.2.3");
  ASSERT_EQ(routes.count(), 2);
  EXPECT_EQ(routes.NodeAt(1)->netmask, "255.255.255.255");
  EXPECT_EQ(routes.NodeAt(1)->match, "10.1.2.3");
  EXPECT_EQ(routes.NodeAt(1)->gateway, "10.1.2.3");
}

TEST(ProtocolTablesTest, BuiltInsAndLookups) {
  ProtocolTables tables;
  ASSERT_EQ(tables.layer2().size(), 3u);
  ASSERT_EQ(tables.layer3().size(), 3u);
  EXPECT_EQ(tables.FindLayer2ByName("hdlc"), 1);
  EXPECT_EQ(tables.FindLayer2ByName("HDLC"), kNoProtocol);
  EXPECT_EQ(tables.FindLayer3ByName("t70nl"), 1);
  EXPECT_EQ(tables.FindLayer2ByParameters({1500, 3, 1, 8, 7}, kLayer2BaseX75), 0);
  EXPECT_EQ(tables.FindLayer2ByParameters({1500, 3, 1, 8, 7}, kLayer2BaseHdlc), kNoProtocol);
  EXPECT_EQ(tables.FindLayer3ByParameters({0, 0, 0, 0, 0, 0, 8}, kLayer3TypePpp), 2);
  EXPECT_EQ(tables.FindLayer3ByParameters({0, 0, 0, 0, 0, 0, 0}, kLayer3TypePpp), kNoProtocol);
  for (int i = 3; i < kMaxProtocolsPerTable; ++i)
    EXPECT_TRUE(tables.AppendLayer2({"p", 1, 0, {static_cast<std::uint16_t>(i), 1, 1, 8, 1}}));
  EXPECT_FALSE(tables.AppendLayer2({"q", 1, 0, {}}));
  EXPECT_EQ(tables.layer2().size(), 20u);
}

TEST(FixedTextTest, CutsAtCapacityAndCompares) {
  PhoneText phone("123456789012345678901234");
  EXPECT_EQ(phone.size(), 20u);
  EXPECT_EQ(phone.view(), "12345678901234567890");
  EXPECT_FALSE(PhoneText::Fits("123456789012345678901"));
  phone = "1";
  EXPECT_EQ(phone, PhoneText("1"));
  EXPECT_TRUE(PhoneText().empty());
}

}  // namespace
}  // namespace tarcfg
