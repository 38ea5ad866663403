// SPDX-License-Identifier: GPL-3.0-or-later
// `tarcfg-cli serve` without a network: the exposition format, and the
// rounds of the collector against scripted routers on an in-memory network,
// with the ticks and datagrams driven by hand.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/serve/exposition.h"
#include "cli/serve/metrics_collector.h"
#include "config/config_archive.h"
#include "protocol/protocol_fixture.h"

namespace tarcfg::testing {
namespace {

using metrics::FormatExposition;
using metrics::MetricFamily;
using metrics::MetricType;
using serve::CollectorOptions;
using serve::MetricsCollector;

// ---- The exposition format --------------------------------------------------

TEST(Exposition, LabelValuesEscapeBackslashQuoteAndLineFeed) {
  EXPECT_EQ(metrics::EscapeLabelValue("a\\b\"c\nd"), "a\\\\b\\\"c\\nd");
  EXPECT_EQ(metrics::EscapeLabelValue("plain text/0-9"), "plain text/0-9");
  MetricFamily family{"x_info", "h", MetricType::Gauge, {}};
  family.Add({{"host_name", "ev\"il\\\nname"}, {"phone_number", ""}}, 1);
  EXPECT_EQ(FormatExposition({family}),
            "# HELP x_info h\n# TYPE x_info gauge\n"
            "x_info{host_name=\"ev\\\"il\\\\\\nname\",phone_number=\"\"} 1\n");
}

TEST(Exposition, HelpEscapesBackslashAndLineFeedButKeepsQuotes) {
  EXPECT_EQ(metrics::EscapeHelp("a \"b\" c\\d\ne"), "a \"b\" c\\\\d\\ne");
}

TEST(Exposition, EveryFamilyHasHelpAndTypeEvenWithoutSamples) {
  MetricFamily counter{"x_bytes_total", "Bytes.", MetricType::Counter, {}};
  MetricFamily gauge{"x_up", "Up.", MetricType::Gauge, {}};
  gauge.Add({}, 0);
  EXPECT_EQ(FormatExposition({counter, gauge}),
            "# HELP x_bytes_total Bytes.\n# TYPE x_bytes_total counter\n"
            "# HELP x_up Up.\n# TYPE x_up gauge\nx_up 0\n");
}

TEST(Exposition, ValuesAreShortestExactTexts) {
  EXPECT_EQ(metrics::FormatValue(0), "0");
  EXPECT_EQ(metrics::FormatValue(4294967295.0), "4294967295");
  EXPECT_EQ(metrics::FormatValue(7.002), "7.002");
  EXPECT_EQ(metrics::FormatValue(1796729846.552), "1796729846.552");
  EXPECT_EQ(metrics::FormatValue(-0.25), "-0.25");
  EXPECT_EQ(metrics::FormatValue(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(metrics::FormatValue(std::numeric_limits<double>::infinity()), "+Inf");
  EXPECT_EQ(metrics::FormatValue(-std::numeric_limits<double>::infinity()), "-Inf");
}

TEST(Exposition, NamesFollowTheFormatsRules) {
  EXPECT_TRUE(metrics::IsValidMetricName("tarnex_router_up"));
  EXPECT_TRUE(metrics::IsValidMetricName("job:rate5m"));
  EXPECT_FALSE(metrics::IsValidMetricName("2fast"));
  EXPECT_FALSE(metrics::IsValidMetricName("with-dash"));
  EXPECT_FALSE(metrics::IsValidMetricName(""));
  EXPECT_TRUE(metrics::IsValidLabelName("hardware_address"));
  EXPECT_FALSE(metrics::IsValidLabelName("a:b"));
  EXPECT_FALSE(metrics::IsValidLabelName("__reserved"));
}

// ---- Scripted routers -------------------------------------------------------

struct FakeLineTarget {
  std::string host;
  std::string phone;
  std::array<std::uint32_t, 7> counters{};
};

// A router on the in-memory network that answers scans, overview queries,
// registration (with an optional password), line-target reads, accounting
// reads and deregistration, and remembers whether a host holds it.
class FakeRouter {
 public:
  FakeRouter(InMemoryNetwork& network, std::uint32_t address, HardwareAddress hardware)
      : router_(std::make_unique<ScriptedRouter>(network, address)),
        network_(network),
        address_(address),
        hardware_(hardware) {
    Script();
  }

  // A restart: a fresh message counter, and no host registered.
  void Reboot() {
    router_.reset();
    router_ = std::make_unique<ScriptedRouter>(network_, address_);
    session_ = 0;
    Script();
  }
  // Gone from the network.
  void PowerOff() { router_.reset(); }

  ScriptedRouter& scripted() { return *router_; }
  int Count(std::uint16_t command) const {
    return static_cast<int>(router_->Received(command).size());
  }

  std::uint32_t holder = 0;  // another host holding the router
  std::string password;      // empty: none asked
  std::array<std::uint8_t, 2> channelStates{0, 0};
  std::string firmware = "2.10";
  std::uint8_t dChannel = 1;
  std::uint8_t permanent = 0;
  std::vector<FakeLineTarget> lineTargets;
  bool answerAccounting = true;
  std::uint32_t session_ = 0;  // the host registered now

 private:
  void Script() {
    ScriptedRouter& r = *router_;
    r.On(command::kScanQuery, [this](const Message& m) {
      WireWriter out;
      out.U16(0).Raw(hardware_).U32(address_).U32(holder ? holder : session_);
      router_->Send(command::kScanAnswer, out.Take(), false, m.from);
    });
    r.On(command::kOverviewQuery, [this](const Message& m) {
      WireWriter out;
      out.U16(0);
      for (int c = 0; c < 2; ++c)
        out.U8(channelStates[c]).U32(channelStates[c] ? 0x0A0000C8 : 0).Text("office", 20);
      out.U8(dChannel).U8(permanent).Text(firmware, 10);
      router_->Send(command::kOverviewAnswer, out.Take(), false, m.from);
    });
    r.On(command::kRegister, [this](const Message& m) {
      if (holder != 0 && holder != m.from) {
        WireWriter out;
        out.U16(0).U16(4).U32(holder);
        router_->Send(command::kRegistrationRefused, out.Take(), true, m.from);
        return;
      }
      if (!password.empty()) {
        router_->Send(command::kPasswordRequest, Bytes{0x12, 0x34}, true, m.from);
        challenge_ = router_->lastSequence();
        return;
      }
      Accept(m.from);
    });
    r.On(command::kPassword, [this](const Message& m) {
      std::array<std::uint8_t, kPasswordWireLength> expected{}, scrambled{};
      for (std::size_t i = 0; i < password.size() && i < expected.size(); ++i)
        expected[i] = static_cast<std::uint8_t>(password[i]);
      ScramblePassword(scrambled.data(), expected.data(), 0x1234);
      const bool right = m.payload.size() == 12 && WireReader(m.payload).U16() == challenge_ &&
                         std::equal(scrambled.begin(), scrambled.end(), m.payload.begin() + 2);
      if (right) {
        Accept(m.from);
      } else {
        WireWriter out;
        out.U16(0).U16(3);
        router_->Send(command::kRegistrationRefused, out.Take(), true, m.from);
      }
    });
    r.On(command::kReadTableEntry, [this](const Message& m) {
      if (m.from != session_)
        return;
      WireReader in(m.payload);
      const std::uint8_t type = in.U8();
      const std::uint16_t index = in.U16();
      Bytes payload{0, 0};
      if (type == kLineTargetTable && index < lineTargets.size()) {
        LineTarget target = NewLineTarget();  // x75 / null: a configuration file can hold it
        target.hostName = lineTargets[index].host;
        target.phoneNumber = lineTargets[index].phone;
        target.tablePosition = index;
        const Bytes entry = EncodeLineTarget(target, WireContext{addresses_, tables_});
        payload.insert(payload.end(), entry.begin(), entry.end());
      } else {
        payload.push_back(type);
        payload.push_back(static_cast<std::uint8_t>(index >> 8));
        payload.push_back(static_cast<std::uint8_t>(index));
      }
      router_->Send(command::kTableEntry, payload, true, m.from);
    });
    r.On(command::kReadAccounting, [this](const Message& m) {
      if (m.from != session_ || !answerAccounting)
        return;
      const std::uint16_t index = WireReader(m.payload, 1).U16();
      WireWriter out;
      out.U32(index);
      for (std::uint32_t counter : lineTargets.at(index).counters)
        out.U32(counter);
      router_->Send(command::kAccountingEntry, out.Take(), true, m.from);
    });
    r.On(command::kDeregister, [this](const Message& m) {
      if (m.from == session_)
        session_ = 0;
    });
  }

  void Accept(std::uint32_t host) {
    session_ = host;
    router_->Send(command::kRegistrationAccepted,
                  AcceptedPayload(static_cast<int>(lineTargets.size()), 0, 0), true, host);
  }

  std::unique_ptr<ScriptedRouter> router_;
  InMemoryNetwork& network_;
  std::uint32_t address_;
  HardwareAddress hardware_;
  std::uint16_t challenge_ = 0;
  FakeNetDatabase database_;
  AddressService addresses_{database_};
  ProtocolTables tables_;
};

HardwareAddress Hardware(std::uint8_t last) {
  return HardwareAddress{0x00, 0x60, 0x1a, 0x10, 0x00, last};
}

class ServeRounds : public ::testing::Test {
 protected:
  void SetUp() override {
    addresses.SetNameResolve(false);
    settings.ownAddress = kOwnAddress;
    settings.netMask = 0xFFFFFF00;
  }

  // Creates the protocol and the collector with these options.
  void Open(CollectorOptions options) {
    protocol = std::make_unique<RouterProtocol>(socket, settings, tables, addresses);
    serve::CollectorClock clock{[this] { return 1700000000.0 + ticks; },
                                [this] { return static_cast<double>(ticks); }};
    collector = std::make_unique<MetricsCollector>(
        *protocol, kOwnAddress, std::move(options), clock,
        [this](const std::string& line) { log.push_back(line); });
    ASSERT_EQ(protocol->OpenRouterProtocol([this](int code) { collector->OnProtocolError(code); },
                                           kBroadcast),
              0);
  }

  void Pump() {
    for (int guard = 0; socket.pending() > 0 && guard < 100000; ++guard)
      collector->OnDatagramReady();
  }
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      ++ticks;
      collector->OnTimerTick();
      Pump();
    }
  }
  // The first round starts at once; later ones after their interval.
  void Round() {
    const int before = collector->roundsCompleted();
    if (!started) {
      started = true;
      collector->Start();
      Pump();
    }
    for (int i = 0; i < 1000 && collector->roundsCompleted() == before; ++i)
      Tick();
    ASSERT_EQ(collector->roundsCompleted(), before + 1);
    EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  }
  // Waits out the rest of the interval so that the next round starts.
  void NextRound() {
    while (!collector->roundRunning())
      Tick();
    Round();
  }

  bool Has(const std::string& line) const {
    return ("\n" + collector->exposition()).find("\n" + line + "\n") != std::string::npos;
  }
  bool Mentions(const std::string& text) const {
    return collector->exposition().find(text) != std::string::npos;
  }
  int Logged(const std::string& text) const {
    int n = 0;
    for (const auto& line : log)
      if (line.find(text) != std::string::npos)
        ++n;
    return n;
  }

  InMemoryNetwork network;
  InMemorySocket socket{network, kOwnAddress};
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  GuiSettings settings;
  std::unique_ptr<RouterProtocol> protocol;
  std::unique_ptr<MetricsCollector> collector;
  std::vector<std::string> log;
  long ticks = 0;
  bool started = false;
};

constexpr std::uint32_t kThirdRouter = 0x0A00000C;
constexpr const char* kLabelsA = "hardware_address=\"00-60-1a-10-00-01\",address=\"10.0.0.10\"";
constexpr const char* kLabelsB = "hardware_address=\"00-60-1a-10-00-02\",address=\"10.0.0.11\"";

CollectorOptions Accounting(int seconds = 30) {
  CollectorOptions options;
  options.accountingIntervalSeconds = seconds;
  return options;
}

TEST_F(ServeRounds, ScanAndOverviewGiveUpHeldInfoAndChannelsWithoutRegistering) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  FakeRouter b(network, kOtherRouter, Hardware(2));
  a.channelStates = {3, 7};
  b.holder = 0x0A000002;
  b.dChannel = 0;
  b.permanent = 2;
  b.firmware = "2.08";
  // A router in its loader: no address, so no overview.
  ScriptedRouter loader(network, kThirdRouter);
  loader.On(command::kScanQuery, [&](const Message& m) {
    WireWriter out;
    out.U16(0).Raw(Hardware(4)).U32(0).U32(0);
    loader.Send(command::kScanAnswer, out.Take(), false, m.from);
  });
  Open(CollectorOptions{});
  Round();

  EXPECT_TRUE(Has(std::string("tarnex_router_up{") + kLabelsA + "} 1"));
  EXPECT_TRUE(Has(std::string("tarnex_router_up{") + kLabelsB + "} 1"));
  EXPECT_TRUE(Has("tarnex_router_up{hardware_address=\"00-60-1a-10-00-04\",address=\"\"} 1"));
  EXPECT_TRUE(Has(std::string("tarnex_router_held{") + kLabelsA + "} 0"));
  EXPECT_TRUE(Has(std::string("tarnex_router_held{") + kLabelsB + "} 1"));
  EXPECT_TRUE(Has(std::string("tarnex_router_info{") + kLabelsA +
                  ",firmware=\"2.10\",d_channel_protocol=\"DSS1\",operating_mode=\"switched\"} 1"));
  EXPECT_TRUE(Has(std::string("tarnex_router_info{") + kLabelsB +
                  ",firmware=\"2.08\",d_channel_protocol=\"1TR6\",operating_mode=\"FVS01\"} 1"));
  EXPECT_FALSE(Mentions("tarnex_router_info{hardware_address=\"00-60-1a-10-00-04\""));
  EXPECT_TRUE(Has(std::string("tarnex_channel_state{") + kLabelsA + ",channel=\"1\"} 3"));
  EXPECT_TRUE(Has(std::string("tarnex_channel_connected{") + kLabelsA + ",channel=\"1\"} 1"));
  // State 7 is no state a router reports for a channel in use.
  EXPECT_TRUE(Has(std::string("tarnex_channel_state{") + kLabelsA + ",channel=\"2\"} 0"));
  EXPECT_TRUE(Has(std::string("tarnex_channel_connected{") + kLabelsA + ",channel=\"2\"} 0"));
  EXPECT_TRUE(Has("tarnex_routers 3"));
  // The scan ends on the fourth tick, the overview query on the third after it.
  EXPECT_TRUE(Has("tarnex_scan_duration_seconds 7"));
  EXPECT_TRUE(Has("tarnex_last_scan_timestamp_seconds 1700000004"));
  EXPECT_FALSE(Mentions("tarnex_accounting_success"));
  EXPECT_EQ(a.Count(command::kRegister) + b.Count(command::kRegister), 0);
}

TEST_F(ServeRounds, EveryMetricHasHelpAndTypeOnceAndValidNames) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301234567", {1, 2, 3, 4, 5, 6, 7}}};
  Open(Accounting());
  Round();
  std::istringstream in(collector->exposition());
  std::string line;
  std::map<std::string, int> help, type;
  std::set<std::string> sampled;
  int samples = 0;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first, name, kind;
    words >> first;
    if (first == "#") {
      words >> kind >> name;
      ASSERT_TRUE(metrics::IsValidMetricName(name)) << line;
      EXPECT_EQ(sampled.count(name), 0u) << "HELP/TYPE after samples: " << line;
      (kind == "HELP" ? help : type)[name]++;
      continue;
    }
    name = first.substr(0, first.find('{'));
    EXPECT_EQ(help[name], 1) << line;
    EXPECT_EQ(type[name], 1) << line;
    sampled.insert(name);
    ++samples;
  }
  EXPECT_EQ(help.size(), 14u);
  EXPECT_EQ(help, type);
  // build info, up, held, info, 2 states, 2 connected, duration, time,
  // count, success, and 7 counters of the line target.
  EXPECT_EQ(samples, 19);
  EXPECT_NE(collector->exposition().find("# TYPE tarnex_build_info gauge\n"
                                         "tarnex_build_info{version=\"" TARCFG_VERSION "\"} 1\n"),
            std::string::npos);
  EXPECT_NE(collector->exposition().find("# TYPE tarnex_line_target_bytes_total counter\n"),
            std::string::npos);
}

TEST_F(ServeRounds, RouterThatStopsAnsweringIsDownThenForgotten) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  FakeRouter b(network, kOtherRouter, Hardware(2));
  CollectorOptions options;
  options.forgetAfterRounds = 3;
  Open(options);
  Round();
  b.PowerOff();
  NextRound();
  EXPECT_TRUE(Has(std::string("tarnex_router_up{") + kLabelsB + "} 0"));
  EXPECT_FALSE(Mentions(std::string("tarnex_router_info{") + kLabelsB));
  EXPECT_FALSE(Mentions(std::string("tarnex_channel_state{") + kLabelsB));
  EXPECT_TRUE(Has("tarnex_routers 1"));
  NextRound();
  EXPECT_TRUE(Has(std::string("tarnex_router_up{") + kLabelsB + "} 0"));
  NextRound();
  EXPECT_FALSE(Mentions(kLabelsB));
  EXPECT_EQ(collector->routers().size(), 1u);
  EXPECT_EQ(Logged("10.0.0.11 (00-60-1a-10-00-02): no longer answers"), 1);
}

TEST_F(ServeRounds, ComingAndGoingRoutersKeepTheStateBounded) {
  CollectorOptions options;
  options.forgetAfterRounds = 2;
  options.intervalSeconds = 6;
  Open(options);
  for (int wave = 0; wave < 20; ++wave) {
    std::vector<std::unique_ptr<FakeRouter>> routers;
    for (std::uint8_t i = 0; i < 10; ++i)
      routers.push_back(std::make_unique<FakeRouter>(
          network, 0x0A000014 + i, HardwareAddress{0, 0x60, 0x1a, 0x20, uint8_t(wave), i}));
    if (wave == 0)
      Round();
    else
      NextRound();
    EXPECT_LE(collector->routers().size(), 20u);
  }
  EXPECT_EQ(collector->roundsCompleted(), 20);
}

TEST_F(ServeRounds, AccountingRegistersReadsAndDeregistersAtOnce) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  FakeRouter held(network, kOtherRouter, Hardware(2));
  held.holder = 0x0A000002;
  a.lineTargets = {{"10.0.0.200", "0301234567", {12, 4, 1, 3200, 2900, 409600, 371200}},
                   {"10.0.0.201", "08\"9\\", {3, 1, 0, 150, 140, 19200, 17920}}};
  Open(Accounting());
  Round();

  EXPECT_EQ(a.Count(command::kRegister), 1);
  EXPECT_EQ(a.Count(command::kReadAccounting), 2);
  EXPECT_EQ(a.Count(command::kDeregister), 1);
  EXPECT_EQ(a.session_, 0u);
  EXPECT_EQ(held.Count(command::kRegister), 0);
  const std::string target = std::string(kLabelsA) +
                             ",position=\"1\",host_name=\"10.0.0.200\",phone_number=\"0301234567\"";
  EXPECT_TRUE(Has("tarnex_line_target_charges_total{" + target + "} 12"));
  EXPECT_TRUE(Has("tarnex_line_target_calls_total{" + target + ",direction=\"outgoing\"} 4"));
  EXPECT_TRUE(Has("tarnex_line_target_calls_total{" + target + ",direction=\"incoming\"} 1"));
  EXPECT_TRUE(Has("tarnex_line_target_packets_total{" + target + ",direction=\"outgoing\"} 3200"));
  EXPECT_TRUE(Has("tarnex_line_target_packets_total{" + target + ",direction=\"incoming\"} 2900"));
  EXPECT_TRUE(Has("tarnex_line_target_bytes_total{" + target + ",direction=\"outgoing\"} 409600"));
  EXPECT_TRUE(Has("tarnex_line_target_bytes_total{" + target + ",direction=\"incoming\"} 371200"));
  EXPECT_TRUE(Has(std::string("tarnex_line_target_charges_total{") + kLabelsA +
                  ",position=\"2\",host_name=\"10.0.0.201\",phone_number=\"08\\\"9\\\\\"} 3"));
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsB + "} 0"));
  EXPECT_EQ(Logged("held by 10.0.0.2"), 1);

  // Scans every 30 seconds, accounting every 60: every other round.
  Open(Accounting(60));
  started = false;
  a.scripted().received.clear();
  for (int round = 0; round < 4; ++round)
    round == 0 ? Round() : NextRound();
  Tick(kTiming.releaseSends);
  EXPECT_EQ(a.Count(command::kRegister), 2);
  EXPECT_EQ(a.Count(command::kDeregister), 2 * kTiming.releaseSends);
  EXPECT_EQ(Logged("held by 10.0.0.2"), 2);  // the second collector logs it once too
}

TEST_F(ServeRounds, PasswordIsSentWhenAskedAndMissingPasswordIsLogged) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.password = "secret";
  a.lineTargets = {{"10.0.0.200", "0301", {5, 0, 0, 0, 0, 0, 0}}};
  CollectorOptions options = Accounting();
  options.password = "secret";
  Open(options);
  Round();
  EXPECT_EQ(a.Count(command::kPassword), 1);
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
  EXPECT_TRUE(log.empty());

  Open(Accounting());
  started = false;
  Round();
  EXPECT_EQ(a.Count(command::kPassword), 1);  // nothing sent without a password
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 0"));
  EXPECT_EQ(Logged("asks for a password"), 1);
}

TEST_F(ServeRounds, WrongPasswordIsLoggedOnceAndBackedOff) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.password = "secret";
  a.lineTargets = {{"10.0.0.200", "0301", {5, 0, 0, 0, 0, 0, 0}}};
  CollectorOptions options = Accounting();
  options.password = "guess";
  Open(options);
  Round();
  for (int round = 1; round < 11; ++round)
    NextRound();
  // Attempts in rounds 1, 3, 6 and 11: the pause doubles after each refusal.
  EXPECT_EQ(a.Count(command::kPassword), 4);
  EXPECT_EQ(Logged("Wrong password - Cannot open connection"), 1);
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 0"));
  EXPECT_EQ(a.session_, 0u);

  // Right again (the password was changed on the router): read, and logged once.
  a.password = "guess";
  for (int round = 0; round < 9; ++round)
    NextRound();
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
  EXPECT_EQ(Logged("accounting read again"), 1);
}

TEST_F(ServeRounds, AcknowledgedRequestWithoutAnswerIsGivenUpWithADeregistration) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  FakeRouter b(network, kOtherRouter, Hardware(2));
  a.lineTargets = {{"10.0.0.200", "0301", {5, 0, 0, 0, 0, 0, 0}}};
  b.lineTargets = {{"10.0.0.210", "0401", {7, 0, 0, 0, 0, 0, 0}}};
  a.answerAccounting = false;
  Open(Accounting());
  Round();
  auto deregistrations = a.scripted().Received(command::kDeregister);
  ASSERT_EQ(deregistrations.size(), 1u);
  EXPECT_EQ(WireReader(deregistrations[0].payload).U16(), kErrorNoAcknowledge);
  EXPECT_EQ(a.session_, 0u);
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 0"));
  // The protocol gives the request up itself, with the code it deregistered with.
  EXPECT_EQ(Logged("accounting not read: General network communication error! (Error code: 8888)"),
            1);
  // The next router is read all the same.
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsB + "} 1"));
  EXPECT_EQ(b.session_, 0u);
}

// A router whose counters cannot be read now, for whatever reason, reports
// success 0 and no counters at all: the last ones read are not current.
TEST_F(ServeRounds, CountersNotReadThisRoundAreLeftOutAndSuccessIsZero) {
  const std::map<std::string, std::function<void(FakeRouter&)>> cases{
      {"silent", [](FakeRouter& r) { r.PowerOff(); }},
      {"accounting unanswered", [](FakeRouter& r) { r.answerAccounting = false; }},
      {"held by another host", [](FakeRouter& r) { r.holder = 0x0A000002; }},
  };
  for (const auto& [name, change] : cases) {
    SCOPED_TRACE(name);
    FakeRouter a(network, kRouterAddress, Hardware(1));
    a.lineTargets = {{"10.0.0.200", "0301", {5, 0, 0, 0, 0, 0, 0}}};
    Open(Accounting());
    started = false;
    Round();
    ASSERT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
    ASSERT_TRUE(Mentions("tarnex_line_target_charges_total{"));
    change(a);
    NextRound();
    EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 0"));
    EXPECT_FALSE(Mentions("tarnex_line_target_charges_total{"));
    EXPECT_FALSE(Mentions("tarnex_line_target_bytes_total{"));
  }
}

// Whenever the collector gives up a registration it asked for, the router is
// told, also when it has not accepted yet: a late acceptance would else leave
// it held by this host.
TEST_F(ServeRounds, GivenUpRegistrationsAreReleased) {
  struct Case {
    const char* name;
    bool password;  // the router asks for one (none is given)
    bool stop;      // the stop comes while the router does not answer
  };
  for (const Case& c : {Case{"password asked, none given", true, false},
                        Case{"stop while registering", false, true}}) {
    SCOPED_TRACE(c.name);
    FakeRouter a(network, kRouterAddress, Hardware(1));
    if (c.password)
      a.password = "secret";
    if (c.stop)
      a.scripted().Forget(command::kRegister);  // acknowledged, never answered
    CollectorOptions options = Accounting();
    options.stopTimeoutTicks = 3;
    Open(options);
    collector->Start();
    for (int i = 0; i < 20 && a.Count(command::kRegister) == 0; ++i)
      Tick();
    ASSERT_EQ(a.Count(command::kRegister), 1);
    if (c.stop) {
      collector->RequestStop();
      Tick(4);
      // Stopped once the deregistrations are out, however often repeated.
      for (int i = 0; i < 10 && !collector->stopped(); ++i)
        Tick();
      EXPECT_TRUE(collector->stopped());
    } else {
      Tick(2);
    }
    EXPECT_EQ(protocol->state(), ProtocolState::Idle);
    EXPECT_GE(a.Count(command::kDeregister), 1);  // repeated, where the protocol does
  }
}

TEST_F(ServeRounds, UnacknowledgedRegistrationEndsWithTheNetworkError) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.scripted().acknowledge = false;
  a.scripted().Forget(command::kRegister);
  Open(Accounting());
  Round();
  EXPECT_EQ(a.Count(command::kRegister), 3);  // sent, repeated twice
  EXPECT_EQ(Logged("(Error code: 8888)"), 1);
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 0"));
}

TEST_F(ServeRounds, RebootedRouterNumbersFromOneAndIsReadAgain) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301", {40, 0, 0, 0, 0, 0, 0}}};
  Open(Accounting());
  Round();
  NextRound();
  ASSERT_GE(a.scripted().lastSequence(), 4);
  a.Reboot();
  a.lineTargets[0].counters[0] = 2;  // the counters start again as well
  NextRound();
  EXPECT_EQ(a.scripted().lastSequence(), 3);  // accepted, one entry, one count
  EXPECT_TRUE(Has(std::string("tarnex_line_target_charges_total{") + kLabelsA +
                  ",position=\"1\",host_name=\"10.0.0.200\",phone_number=\"0301\"} 2"));
  EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
  EXPECT_EQ(a.session_, 0u);
}

TEST_F(ServeRounds, GarbageNeverEndsTheRounds) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301", {1, 0, 0, 0, 0, 0, 0}}};
  ScriptedRouter noise(network, kOtherRouter);
  auto spray = [&](const Message& m) {
    noise.SendRaw(command::kScanAnswer, 0, Bytes(15, 0xEE), m.from);      // short
    noise.SendRaw(command::kOverviewAnswer, 0, Bytes(51, 0xEE), m.from);  // short
    noise.SendRaw(0x4242, 7, Bytes(3, 1), m.from);                        // unknown
    noise.SendRaw(command::kAccountingEntry, 9, Bytes(40, 1), m.from);    // unasked
    noise.SendRaw(command::kRegistrationAccepted, 5, Bytes(44, 1), m.from);
    network.Send(kOtherRouter, m.from, Bytes{0x30});  // one byte
  };
  noise.On(command::kScanQuery, spray);
  noise.On(command::kOverviewQuery, spray);
  Open(Accounting());
  for (int round = 0; round < 5; ++round) {
    round == 0 ? Round() : NextRound();
    EXPECT_TRUE(Has(std::string("tarnex_accounting_success{") + kLabelsA + "} 1"));
  }
  EXPECT_TRUE(Has("tarnex_routers 1"));
  Tick(kTiming.releaseSends);
  EXPECT_EQ(a.Count(command::kRegister) * kTiming.releaseSends, a.Count(command::kDeregister));
}

TEST_F(ServeRounds, StopWaitsForTheReadInProgressAndDeregisters) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301", {1, 0, 0, 0, 0, 0, 0}}};
  a.answerAccounting = false;
  Open(Accounting());
  collector->Start();
  for (int i = 0; i < 20 && a.Count(command::kReadAccounting) == 0; ++i)
    Tick();
  ASSERT_EQ(a.Count(command::kReadAccounting), 1);
  collector->RequestStop();
  EXPECT_FALSE(collector->stopped());
  // The answer comes late: taken, then deregistered at once.
  WireWriter out;
  out.U32(0).U32(1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  a.scripted().Send(command::kAccountingEntry, out.Take());
  Pump();
  EXPECT_EQ(a.Count(command::kDeregister), 1);
  EXPECT_TRUE(a.scripted().Received(command::kDeregister)[0].payload.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  // The stop is complete once the deregistration's repetitions are out.
  EXPECT_FALSE(collector->stopped());
  Tick(kTiming.releaseSends - 1);
  EXPECT_TRUE(collector->stopped());
  EXPECT_EQ(a.Count(command::kDeregister), kTiming.releaseSends);
}

TEST_F(ServeRounds, StopCutsAReadWithoutAnswerShortAfterItsTimeOut) {
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301", {1, 0, 0, 0, 0, 0, 0}}};
  a.answerAccounting = false;
  CollectorOptions options = Accounting();
  options.stopTimeoutTicks = 5;
  Open(options);
  collector->Start();
  for (int i = 0; i < 20 && a.Count(command::kReadAccounting) == 0; ++i)
    Tick();
  collector->RequestStop();
  Tick(5);
  EXPECT_FALSE(collector->stopped());
  Tick();
  EXPECT_EQ(a.Count(command::kDeregister), 1);
  EXPECT_EQ(a.session_, 0u);
  Tick(kTiming.releaseSends - 1);
  EXPECT_TRUE(collector->stopped());
  EXPECT_EQ(a.Count(command::kDeregister), kTiming.releaseSends);
  // Nothing new starts after the stop.
  Tick(100);
  EXPECT_EQ(a.Count(command::kRegister), 1);
  EXPECT_EQ(a.Count(command::kScanQuery), 3);
}

// The archive keeps a router's first configuration, then a version only when
// the tables read differ from the newest one kept: a change made elsewhere,
// with its differences in the comment lines. Every read is a registration
// of its own, ended at once.
TEST_F(ServeRounds, ArchiveKeepsAVersionOnlyWhenTheConfigurationChanged) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarcfg_archive" + std::to_string(::getpid()));
  fs::remove_all(dir);
  FakeRouter a(network, kRouterAddress, Hardware(1));
  a.lineTargets = {{"10.0.0.200", "0301", {}}, {"10.0.0.201", "0302", {}}};
  const ConfigArchive archive(ConfigHistory(dir.string(), 50,
                                            [this] {
                                              return std::chrono::system_clock::time_point(
                                                  std::chrono::seconds(1700000000 + ticks));
                                            }),
                              ConfigContext{tables, addresses, database}, serve::kArchivedByServe);
  CollectorOptions options;
  options.archiveIntervalSeconds = 30;
  Open(options);
  collector->UseArchive(archive);
  const std::string versions = std::string("tarnex_config_versions{") + kLabelsA + "} ";
  const std::string changed =
      std::string("tarnex_config_last_change_timestamp_seconds{") + kLabelsA + "} ";

  Round();
  EXPECT_TRUE(Has(std::string("tarnex_config_read_success{") + kLabelsA + "} 1"));
  EXPECT_TRUE(Has(versions + "1"));
  EXPECT_FALSE(Mentions(changed));
  NextRound();
  EXPECT_TRUE(Has(versions + "1"));  // unchanged: nothing kept

  a.lineTargets[1].phone = "0309";
  NextRound();
  const long changedAt = 1700000000 + ticks;
  EXPECT_TRUE(Has(versions + "2"));
  EXPECT_TRUE(Has(changed + std::to_string(changedAt)));
  const auto entries = archive.history().List("00-60-1a-10-00-01");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].operation, "changed elsewhere");
  EXPECT_EQ(entries[0].lineTargets, 2);
  ASSERT_EQ(entries[0].differences.size(), 1u);
  EXPECT_NE(entries[0].differences[0].find("0309"), std::string::npos) << entries[0].differences[0];
  EXPECT_EQ(entries[1].operation, "archived by tarcfg-cli serve");
  EXPECT_EQ(Logged("configuration changed elsewhere"), 1);

  NextRound();
  EXPECT_TRUE(Has(versions + "2"));
  EXPECT_TRUE(Has(changed + std::to_string(changedAt)));
  EXPECT_EQ(a.Count(command::kRegister), 4);
  Tick(kTiming.releaseSends);
  EXPECT_EQ(a.Count(command::kDeregister), 4 * kTiming.releaseSends);
  EXPECT_EQ(a.session_, 0u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarcfg::testing
