// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "protocol/protocol_fixture.h"

namespace tarcfg::testing {
namespace {

class MonitoringTest : public ProtocolTest {
 protected:
  void SetUp() override {
    ProtocolTest::SetUp();
    RegisterWith(router);
  }
  ScriptedRouter router{network, kRouterAddress};
};

Bytes StatusBlock(std::uint8_t state, std::uint16_t cause) {
  WireWriter out;
  out.U8(state).U16(cause).U32(0x0A000063).Text("0301234", 20).U32(61).U32(2).U32(300).U32(400);
  return out.Take();
}

TEST_F(MonitoringTest, LineStatusReportDecodesBothChannelsAndClampsUnknownStates) {
  std::vector<LineStatus> reports;
  protocol->StartLineMonitor([&](const LineStatus& s) { reports.push_back(s); });
  ASSERT_EQ(router.Received(command::kStartLineMonitor).size(), 1u);
  Bytes report = StatusBlock(3, 0x1234);
  Bytes second = StatusBlock(7, 0);
  report.insert(report.end(), second.begin(), second.end());
  ASSERT_EQ(report.size(), 86u);
  router.Send(command::kLineStatusReport, report);
  Pump();
  ASSERT_EQ(reports.size(), 1u);
  const ChannelStatus& first = reports[0].channels[0];
  EXPECT_EQ(first.state, 3);
  EXPECT_EQ(first.cause, 0x1234);
  EXPECT_EQ(first.remoteAddress, "10.0.0.99");
  EXPECT_EQ(first.phoneNumber, "0301234");
  EXPECT_EQ(first.duration, 61u);
  EXPECT_EQ(first.charge, 2u);
  EXPECT_EQ(first.packetsOut, 300u);
  EXPECT_EQ(first.packetsIn, 400u);
  EXPECT_EQ(reports[0].channels[1].state, 0);
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(MonitoringTest, ReportOf85BytesEndsRegistrationWith7) {
  protocol->StartLineMonitor([](const LineStatus&) {});
  router.Send(command::kLineStatusReport, Bytes(85, 0));
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
  EXPECT_EQ(router.Received(command::kDeregister).size(), 1u);
}

TEST_F(MonitoringTest, ReportWithoutMonitorIsIgnoredAndStopClearsIt) {
  int reports = 0;
  protocol->StartLineMonitor([&](const LineStatus&) { ++reports; });
  Pump();
  protocol->StopLineMonitor();
  Pump();
  EXPECT_EQ(router.Received(command::kStopLineMonitor).size(), 1u);
  router.Send(command::kLineStatusReport, Bytes(10, 0));
  Pump();
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MonitoringTest, ConnectAndDisconnectPayloads) {
  protocol->ConnectLineTarget(0x0102);
  Pump();
  protocol->DisconnectChannel(2);
  Pump();
  protocol->DisconnectChannel(1);
  Pump();
  ASSERT_EQ(router.Received(command::kConnect).size(), 1u);
  EXPECT_EQ(router.Received(command::kConnect)[0].payload, (Bytes{0, 1, 2}));
  auto disconnects = router.Received(command::kDisconnect);
  ASSERT_EQ(disconnects.size(), 2u);
  EXPECT_EQ(disconnects[0].payload, Bytes{1});
  EXPECT_EQ(disconnects[1].payload, Bytes{0});
}

TEST_F(MonitoringTest, ConnectWhileAnotherRequestIsOutstandingEndsWith8999) {
  router.acknowledge = false;
  protocol->ConnectLineTarget(0);
  protocol->DisconnectChannel(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorBusy});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(MonitoringTest, AccountingReadsEveryTargetOnceAndFillsCounters) {
  router.On(command::kReadAccounting, [this](const Message& m) {
    WireWriter out;
    out.U32(0);
    for (std::uint32_t i = 1; i <= 7; ++i)
      out.U32(i * 10 + m.payload[2]);
    router.Send(command::kAccountingEntry, out.bytes());
  });
  LineTargetList targets = NewLineTargetList();
  for (int i = 0; i < 3; ++i)
    targets.Append(NewLineTarget());
  std::vector<LineTargetList> done;
  protocol->ReadAndResetAccounting([&](LineTargetList& l) { done.push_back(std::move(l)); },
                                   &targets);
  Pump();
  auto requests = router.Received(command::kReadAccounting);
  ASSERT_EQ(requests.size(), 3u);
  for (std::uint8_t i = 0; i < 3; ++i)
    EXPECT_EQ(requests[i].payload, (Bytes{0xFF, 0, i}));
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].NodeAt(3)->accountingCounters[0], 12u);
  EXPECT_EQ(done[0].NodeAt(3)->accountingCounters[6], 72u);
  EXPECT_EQ(targets.NodeAt(1)->accountingCounters[0], 0u);  // the caller's list is untouched
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(MonitoringTest, AccountingOfEmptyListCallsBackAtOnce) {
  int done = 0;
  protocol->ReadAccounting([&](LineTargetList&) { ++done; }, nullptr);
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(router.Received(command::kReadAccounting).empty());
}

TEST_F(MonitoringTest, AccountingAnswerOf31BytesEndsWith7) {
  router.On(command::kReadAccounting,
            [this](const Message&) { router.Send(command::kAccountingEntry, Bytes(31, 0)); });
  LineTargetList targets = NewLineTargetList();
  targets.Append(NewLineTarget());
  protocol->ReadAccounting(nullptr, &targets);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
}

}  // namespace
}  // namespace tarcfg::testing
