// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "protocol/protocol_fixture.h"
#include "protocol/router_protocol_test_peer.h"
#include "protocol/table_codec.h"

namespace tarcfg::testing {
namespace {

RouteEntry Route(const char* gateway, int position = 0) {
  RouteEntry route;
  route.netmask = "255.255.255.255";
  route.match = gateway;
  route.gateway = gateway;
  route.tablePosition = position;
  return route;
}

RouteList Routes(std::initializer_list<const char*> gateways) {
  RouteList list = NewRouteList();
  int position = 0;
  for (const char* gateway : gateways)
    list.Append(Route(gateway, position++));
  return list;
}

TEST(ComputeTableChanges, EqualListsSendNothing) {
  EXPECT_TRUE(
      ComputeTableChanges(Routes({"10.0.0.1", "10.0.0.2"}), Routes({"10.0.0.1", "10.0.0.2"}))
          .empty());
}

TEST(ComputeTableChanges, SecondOfThreeRemovedSendsFormerThirdAtOneAndDeletesTwo) {
  RouteList saved = Routes({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  RouteList edited = Routes({"10.0.0.1", "10.0.0.3"});
  auto changes = ComputeTableChanges(edited, saved);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_FALSE(changes[0].deleted);
  EXPECT_EQ(changes[0].position, 1);
  EXPECT_EQ(changes[0].record.gateway, "10.0.0.3");
  EXPECT_EQ(changes[0].record.tablePosition, 1);
  EXPECT_TRUE(changes[1].deleted);
  EXPECT_EQ(changes[1].position, 2);
}

TEST(ComputeTableChanges, SurplusEditedEntriesAreAppendedAtTheirPositions) {
  auto changes =
      ComputeTableChanges(Routes({"10.0.0.1", "10.0.0.2", "10.0.0.3"}), Routes({"10.0.0.1"}));
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].position, 1);
  EXPECT_EQ(changes[1].position, 2);
  EXPECT_FALSE(changes[1].deleted);
}

TEST(ComputeTableChanges, ChangedHeadIsSentAndEqualEntryBehindItSkipped) {
  auto changes =
      ComputeTableChanges(Routes({"10.0.0.9", "10.0.0.2"}), Routes({"10.0.0.1", "10.0.0.2"}));
  // Only the differing head is sent; the equal entry behind it is skipped.
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].position, 0);
}

TEST(Identification, NameSlashPasswordGoesAsTwoPartsAndComesBack) {
  for (const char* text : {"name/secret", "/secret", "", "a/b/c"}) {
    WireWriter out;
    WriteIdentification(out, text);
    ASSERT_EQ(out.size(), 40u);
    if (std::string_view(text) == "name/secret") {
      EXPECT_EQ(out.bytes()[4], 0);
      EXPECT_EQ(out.bytes()[5], 's');
    }
    if (std::string_view(text) == "a/b/c") {
      EXPECT_EQ(JoinIdentification(out.bytes()), "a/b");  // only the first zero is joined
      continue;
    }
    EXPECT_EQ(JoinIdentification(out.bytes()), text);
  }
}

class TransferTest : public ProtocolTest {
 protected:
  void SetUp() override {
    ProtocolTest::SetUp();
    RegisterWith(router, 0, 0, 0);
    network.ClearLog();
  }

  // The router answers every table request with the entry it holds, and
  // every write with status `writeStatus`.
  void ServeTables() {
    router.On(command::kReadTableEntry, [this](const Message& m) {
      WireReader in(m.payload);
      std::uint8_t type = in.U8();
      std::uint16_t index = in.U16();
      Bytes payload{0, 0};
      auto& table = tables_[type];
      if (index < table.size()) {
        payload.insert(payload.end(), table[index].begin(), table[index].end());
      } else {
        payload.push_back(type);
        payload.push_back(0);
        payload.push_back(static_cast<std::uint8_t>(index));
      }
      router.Send(command::kTableEntry, payload);
    });
    router.On(command::kWriteTableEntry, [this](const Message& m) {
      writes.push_back(m.payload);
      router.Send(command::kTableEntryWritten, Bytes{0, 0, m.payload[0], m.payload[1], m.payload[2],
                                                     static_cast<std::uint8_t>(writeStatus >> 8),
                                                     static_cast<std::uint8_t>(writeStatus)});
    });
  }

  ScriptedRouter router{network, kRouterAddress};
  std::map<std::uint8_t, std::vector<Bytes>> tables_;
  std::vector<Bytes> writes;
  int writeStatus = 0;
};

TEST_F(TransferTest, EqualListsSendNothingAndReportZero) {
  ServeTables();
  LineTargetList lineTargets = NewLineTargetList();
  RouteList edited = Routes({"10.0.0.1"});
  RouteList saved = Routes({"10.0.0.1"});
  std::vector<int> done;
  protocol->WriteConfiguration(lineTargets, lineTargets, &edited, &saved, nullptr, nullptr,
                               [&](int n) { done.push_back(n); });
  Pump();
  EXPECT_EQ(done, std::vector<int>{0});
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(TransferTest, RemovedSecondRouteWritesThirdAtOneAndDeletesTwoByteExact) {
  ServeTables();
  LineTargetList lineTargets = NewLineTargetList();
  RouteList saved = Routes({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  RouteList edited = Routes({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  edited.RemoveAt(2);
  std::vector<int> done;
  protocol->WriteConfiguration(lineTargets, lineTargets, &edited, &saved, nullptr, nullptr,
                               [&](int n) { done.push_back(n); });
  Pump();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], (Bytes{0xF0, 0, 1, 255, 255, 255, 255, 10, 0, 0, 3, 10, 0, 0, 3}));
  EXPECT_EQ(writes[1], (Bytes{0xF0, 0, 2}));
  EXPECT_EQ(done, std::vector<int>{2});
  EXPECT_EQ(edited.NodeAt(2)->tablePosition, 1);  // numbered as the router now holds it
  // The write chain sent exactly what the preview lists.
  auto preview = ComputeTableChanges(edited, saved);
  ASSERT_EQ(preview.size(), writes.size());
  for (std::size_t i = 0; i < preview.size(); ++i)
    EXPECT_EQ(EncodeTableChange(preview[i], WireContext{addresses, tables}), writes[i]);
}

TEST_F(TransferTest, WriteWorksOnItsOwnSnapshot) {
  router.acknowledge = true;
  std::vector<int> done;
  {
    auto lineTargets = std::make_unique<LineTargetList>(NewLineTargetList());
    auto saved = std::make_unique<RouteList>(NewRouteList());
    auto edited = std::make_unique<RouteList>(Routes({"10.0.0.1", "10.0.0.2"}));
    protocol->WriteConfiguration(*lineTargets, *lineTargets, edited.get(), saved.get(), nullptr,
                                 nullptr, [&](int n) { done.push_back(n); });
  }  // the front end frees its lists while the first write is in flight
  ServeTables();
  router.Send(command::kTableEntryWritten, Bytes{0, 0, 0xF0, 0, 0, 0, 0});
  Pump();
  EXPECT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0][10], 2);  // the second route, from the snapshot
  EXPECT_EQ(done, std::vector<int>{2});
}

TEST_F(TransferTest, StatusTwelveStopsTheChainAndKeepsTheRegistration) {
  ServeTables();
  writeStatus = 12;
  LineTargetList lineTargets = NewLineTargetList();
  RouteList saved = NewRouteList();
  RouteList edited = Routes({"10.0.0.1", "10.0.0.2"});
  bool done = false;
  protocol->WriteConfiguration(lineTargets, lineTargets, &edited, &saved, nullptr, nullptr,
                               [&](int) { done = true; });
  Pump();
  EXPECT_EQ(writes.size(), 1u);
  EXPECT_FALSE(done);
  EXPECT_EQ(errors, std::vector<int>{12});
  const WriteProgress progress = protocol->writeProgress();
  EXPECT_EQ(progress.planned, 2u);
  EXPECT_EQ(progress.confirmed, 0u);
  EXPECT_EQ(progress.next, WriteProgress::Next::kRefused);
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
  EXPECT_FALSE(protocol->chainRunning());
}

TEST_F(TransferTest, OtherStatusDeregistersWithIt) {
  ServeTables();
  writeStatus = 3;
  LineTargetList lineTargets = NewLineTargetList();
  RouteList saved = NewRouteList();
  RouteList edited = Routes({"10.0.0.1"});
  protocol->WriteRoutes(nullptr, edited, saved);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{3});
  ASSERT_EQ(router.Received(command::kDeregister).size(), 1u);
  EXPECT_EQ(router.Received(command::kDeregister)[0].payload, (Bytes{0, 3}));
}

TEST_F(TransferTest, WriteAnswerOfSixBytesEndsWith7) {
  router.On(command::kWriteTableEntry, [this](const Message&) {
    router.Send(command::kTableEntryWritten, Bytes{0, 0, 0xF0, 0, 0, 0});
  });
  RouteList saved = NewRouteList();
  RouteList edited = Routes({"10.0.0.1"});
  protocol->WriteRoutes(nullptr, edited, saved);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
}

TEST_F(TransferTest, DeregistrationDuringAChainEndsItWithoutFinalCallback) {
  router.acknowledge = true;
  RouteList saved = NewRouteList();
  RouteList edited = Routes({"10.0.0.1", "10.0.0.2"});
  bool done = false;
  protocol->WriteRoutes([&](int) { done = true; }, edited, saved);
  Pump();
  RouterProtocolTestPeer::AbortRegistration(*protocol, kRouterAddress, 7);
  EXPECT_FALSE(protocol->chainRunning());
  router.Send(command::kTableEntryWritten, Bytes{0, 0, 0xF0, 0, 0, 0, 0}, false);
  Pump();
  EXPECT_FALSE(done);
  EXPECT_EQ(SentCommand(command::kWriteTableEntry).size(), 1u);
}

TEST_F(TransferTest, ReadConfigurationRunsAtLinkSpeedAndDecodes) {
  WireWriter target;
  target.U8(0xFF)
      .U16(0)
      .U32(0x0A000063)
      .Text("0301234", 20)
      .U8(1)
      .U16(1500)
      .U8(3)
      .U8(1)
      .U8(8)
      .U8(7);
  target.U8(4).Zeros(13).U16(30).U8(1).U8(0).U8(1);
  WriteIdentification(target, "me/pw");
  WriteIdentification(target, "/x");
  ASSERT_EQ(target.size(), 133u);
  tables_[0xFF] = {target.bytes()};
  tables_[0xF0] = {Bytes{0xF0, 0, 0, 255, 255, 255, 0, 10, 0, 1, 0, 10, 0, 0, 9}};
  ServeTables();
  std::optional<Configuration> read;
  protocol->ReadConfiguration(1, 2, 0, [&](Configuration& c) { read = std::move(c); });
  Pump();  // no tick needed: each answer sends the next request
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->lineTargets.count(), 1);
  const LineTarget& lt = *read->lineTargets.NodeAt(1);
  EXPECT_EQ(lt.hostName, "10.0.0.99");
  EXPECT_EQ(lt.phoneNumber, "0301234");
  EXPECT_EQ(lt.layer2Protocol, tables.FindLayer2ByName("x75"));
  EXPECT_EQ(lt.layer3Protocol, tables.FindLayer3ByName("null"));
  EXPECT_EQ(lt.timeout, 30);
  EXPECT_EQ(lt.manualOnly, 1);
  EXPECT_EQ(lt.compression, 1);
  EXPECT_EQ(lt.remoteIdentification, "me/pw");
  EXPECT_EQ(lt.localIdentification, "/x");
  // Route index 1 had no entry (5-byte answer): skipped, not appended.
  ASSERT_EQ(read->routes.count(), 1);
  EXPECT_EQ(read->routes.NodeAt(1)->gateway, "10.0.0.9");
  ASSERT_EQ(read->filters.count(), 1);
  EXPECT_TRUE(IsDefaultFilter(*read->filters.NodeAt(1)));
  auto requests = router.Received(command::kReadTableEntry);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].payload, (Bytes{0xFF, 0, 0}));
  EXPECT_EQ(requests[2].payload, (Bytes{0xF0, 0, 1}));
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(TransferTest, AnswerForAnotherIndexAsksTheSameIndexAgain) {
  int answers = 0;
  router.On(command::kReadTableEntry, [&](const Message&) {
    std::uint8_t index = answers++ == 0 ? 5 : 0;
    router.Send(command::kTableEntry, Bytes{0, 0, 0xF0, 0, index});
  });
  bool done = false;
  protocol->ReadRoutes([&](RouteList&) { done = true; }, 1);
  Pump();
  auto requests = router.Received(command::kReadTableEntry);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].payload, (Bytes{0xF0, 0, 0}));
  EXPECT_TRUE(done);
}

TEST_F(TransferTest, ShortEntryIsDecodedZeroFilled) {
  router.On(command::kReadTableEntry, [this](const Message&) {
    router.Send(command::kTableEntry, Bytes{0, 0, 0xFF, 0, 0, 10, 0, 0, 7, '1'});
  });
  std::optional<LineTargetList> read;
  protocol->ReadLineTargets([&](LineTargetList& l) { read = std::move(l); }, 1);
  Pump();
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->count(), 1);
  EXPECT_EQ(read->NodeAt(1)->hostName, "10.0.0.7");
  EXPECT_EQ(read->NodeAt(1)->phoneNumber, "1");
  EXPECT_EQ(read->NodeAt(1)->remoteIdentification, "");
}

TEST_F(TransferTest, TableAnswerOfFiveBytesIsEmptyAndFourEndsWith7) {
  router.On(command::kReadTableEntry, [this](const Message&) {
    router.Send(command::kTableEntry, Bytes{0, 0, 0xF0, 0});
  });
  protocol->ReadRoutes(nullptr, 1);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
  EXPECT_EQ(router.Received(command::kDeregister).size(), 1u);
}

TEST_F(TransferTest, AnswerOfWrongTableTypeEndsWith7) {
  router.On(command::kReadTableEntry, [this](const Message&) {
    router.Send(command::kTableEntry, Bytes{0, 0, 0x0F, 0, 0});
  });
  protocol->ReadRoutes(nullptr, 1);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
}

TEST_F(TransferTest, LineTargetEntryLayoutWithAndWithoutProtocolEntries) {
  LineTarget target = NewLineTarget();
  target.hostName = "10.0.0.99";
  target.phoneNumber = "0301234";
  target.remoteIdentification = "me/pw";
  target.timeout = 20;
  target.channelBundling = 1;
  target.tablePosition = 3;
  Bytes entry = EncodeLineTarget(target, WireContext{addresses, tables});
  ASSERT_EQ(entry.size(), 133u);
  EXPECT_EQ(Bytes(entry.begin(), entry.begin() + 7), (Bytes{0xFF, 0, 3, 10, 0, 0, 99}));
  EXPECT_EQ(entry[27], 1);  // x75 base
  EXPECT_EQ(Bytes(entry.begin() + 28, entry.begin() + 34), (Bytes{0x05, 0xDC, 3, 1, 8, 7}));
  EXPECT_EQ(entry[34], 4);   // null
  EXPECT_EQ(entry[47], 8);   // parameter 7, low byte
  EXPECT_EQ(entry[49], 20);  // timeout
  EXPECT_EQ(entry[51], 1);   // bundling
  EXPECT_EQ(Bytes(entry.begin() + 53, entry.begin() + 58), (Bytes{'m', 'e', 0, 'p', 'w'}));

  target.layer2Protocol = kNoProtocol;
  target.layer3Protocol = kNoProtocol;
  Bytes bare = EncodeLineTarget(target, WireContext{addresses, tables});
  EXPECT_EQ(Bytes(bare.begin() + 28, bare.begin() + 34), Bytes(6, 0));
  EXPECT_EQ(Bytes(bare.begin() + 35, bare.begin() + 48), Bytes(13, 0));
}

TEST_F(TransferTest, TargetWithUndefinedProtocolsIsWrittenBackWithTheParametersItWasReadWith) {
  // A router's own protocols, unknown to the table: re-sending the target
  // (it moved up after a deletion) must not zero them on the router.
  WireWriter answer;
  answer.U16(0).U8(kLineTargetTable).U16(1).U32(0x0A000063).Text("0301234", 20);
  answer.U8(1).U16(0x0777).U8(9).U8(11).U8(128).U8(5);  // layer 2: x75 base, own parameters
  answer.U8(2);                                         // layer 3 type
  for (std::uint16_t i = 1; i <= 6; ++i)
    answer.U16(static_cast<std::uint16_t>(0x1100 + i));
  answer.U8(0x77).U16(30).U8(0).U8(0).U8(0).Zeros(80);
  Bytes payload = answer.Take();
  LineTarget target = DecodeLineTarget(payload, WireContext{addresses, tables});
  ASSERT_EQ(target.layer2Protocol, kNoProtocol);
  ASSERT_EQ(target.layer3Protocol, kNoProtocol);
  target.tablePosition = 0;
  Bytes entry = EncodeLineTarget(target, WireContext{addresses, tables});
  // Layer-2 base and parameters, layer-3 type and parameters, as read.
  EXPECT_EQ(Bytes(entry.begin() + 27, entry.begin() + 48),
            Bytes(payload.begin() + 29, payload.begin() + 50));
}

TEST_F(TransferTest, FilterEntryLayout) {
  FilterEntry filter;
  filter.sendNetmask = "255.0.0.0";
  filter.sendMatch = "10.0.0.0";
  filter.receiveNetmask = "0.0.0.0";
  filter.receiveMatch = "0.0.0.0";
  filter.protocol = 6;
  filter.port = 23;
  filter.action = 1;
  filter.tablePosition = 2;
  EXPECT_EQ(EncodeFilter(filter, addresses), (Bytes{0x0F, 0, 2, 255, 0, 0, 0, 10, 0, 0, 0, 0, 0,
                                                    0,    0, 0, 0,   0, 0, 6, 1,  0, 0, 0, 23}));
}

TEST_F(TransferTest, WriteRouterParametersSends29BytesAndCallsBackOnSuccess) {
  router.On(command::kWriteParameters, [this](const Message&) {
    router.Send(command::kParametersWritten, Bytes{0, 0, 0, 0});
  });
  RouterParameters parameters;
  parameters.name = "10.0.0.10";
  parameters.netmask = "255.255.255.0";
  parameters.phoneNumber = "123";
  parameters.permanentConnection = 2;
  int done = 0;
  protocol->WriteRouterParameters([&] { ++done; }, parameters);
  Pump();
  auto sent = router.Received(command::kWriteParameters);
  ASSERT_EQ(sent.size(), 1u);
  Bytes expected{10, 0, 0, 10, 255, 255, 255, 0, '1', '2', '3'};
  expected.resize(28, 0);
  expected.push_back(2);
  EXPECT_EQ(sent[0].payload, expected);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

}  // namespace
}  // namespace tarcfg::testing
