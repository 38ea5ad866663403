// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpora of the fuzz targets:
//
//   fuzz_make_seeds CORPUS_DIR
//
// fills CORPUS_DIR/<target>/ with small, meaningful inputs:
// - config_file: files written by the .cfg writer, and hand-made variants
//   with one fault each;
// - protocol_definitions: tarcfg.pro examples and a tarcfg.add written by
//   WriteProtocolAdditions;
// - firmware_image: compact descriptions of valid and broken images with
//   configurations to embed;
// - router_protocol: for every start state a cooperative router (answers
//   built from the tool's own encoders), one with failing sends and a
//   silent one; and, for the sessions, the real datagrams of the router
//   emulator (tools/sim) captured while the tool scans, registers, reads,
//   writes, monitors, reads the accounting and loads firmware.
//
// The corpus lives in the repository; run this only to renew it. Every
// input is checked by running it through the target's harness as it is made.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/protocol_definitions.h"
#include "protocol/table_codec.h"
#include "router_protocol_harness.h"
#include "sim/network.h"

namespace tarcfg::fuzz {
namespace {

namespace fs = std::filesystem;

void WriteSeed(const fs::path& directory, const std::string& name, const Bytes& bytes) {
  fs::create_directories(directory);
  std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void WriteSeed(const fs::path& directory, const std::string& name, const std::string& text) {
  WriteSeed(directory, name, Bytes(text.begin(), text.end()));
}

// Bytes in the order the targets take them.
class Encoder {
 public:
  Encoder& U8(int v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Encoder& U16(int v) { return U8(v >> 8).U8(v); }
  Encoder& U32(std::uint32_t v) {
    return U16(static_cast<int>(v >> 16)).U16(static_cast<int>(v & 0xFFFF));
  }
  Encoder& Raw(const Bytes& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  // A length byte and the text (the targets' FuzzInput::Text).
  Encoder& Text(const std::string& text) {
    U8(static_cast<int>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  // A text as firmware_image.cpp takes it: a byte of 0x80 or more, then Text.
  Encoder& Word(const std::string& text) { return U8(0x80).Text(text); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// --- config_file -------------------------------------------------------------

void ConfigFileSeeds(const fs::path& directory) {
  FakeNetDatabase database;
  database.AddHost("gw.example", 0x0A000001);
  AddressService addresses(database);
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};

  LineTargetList targets = NewLineTargetList();
  const char* protocols[][2] = {{"x75", "null"}, {"hdlc", "t70nl"}, {"ppp", "ppp"}};
  const char* hosts[] = {"124.50.16.101", "gw.example", "10.0.0.20"};
  const char* identifications[] = {"alba/seno", "/secret", "name/"};
  for (int i = 0; i < 3; ++i) {
    LineTarget target = NewLineTarget();
    target.hostName = hosts[i];
    target.phoneNumber = i == 2 ? "0301234s" : "011223344";
    target.layer2Protocol = tables.FindLayer2ByName(protocols[i][0]);
    target.layer2Base = tables.Layer2At(target.layer2Protocol)->base;
    target.layer3Protocol = tables.FindLayer3ByName(protocols[i][1]);
    target.layer3Type = tables.Layer3At(target.layer3Protocol)->type;
    target.timeout = i == 1 ? 0 : 20 + i;
    target.manualOnly = i & 1;
    target.channelBundling = i == 2;
    target.compression = i == 0;
    target.remoteIdentification = identifications[i];
    target.localIdentification = identifications[2 - i];
    targets.Append(target);
  }
  RouteList routes = NewRouteList();
  routes.Append(RouteEntry{"255.255.255.0", "124.50.16.0", "124.50.16.101", 0});
  routes.Append(RouteEntry{"255.255.255.255", "10.0.0.20", "gw.example", 1});
  routes.Append(RouteEntry{"0.0.0.0", "0.0.0.0", "10.0.0.20", 2});
  FilterList filters = NewFilterList();
  filters.Append(FilterEntry{"255.255.255.0", "124.50.16.0", "0.0.0.0", "0.0.0.0", 6, 21, 1, 0});
  filters.Append(FilterEntry{"0.0.0.0", "0.0.0.0", "255.255.255.0", "10.0.0.0", 17, 53, 0, 1});
  filters.Append(FilterEntry{"255.0.0.0", "10.0.0.0", "0.0.0.0", "0.0.0.0", 6, 8080, 1, 2});
  filters.Append(FilterEntry{"255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 1, 0, 0, 3});
  EnsureDefaultFilter(filters);
  RouterParameters router;
  router.name = "10.0.0.10";
  router.netmask = "255.255.255.0";
  router.phoneNumber = "0301234";
  router.firmwareVersion = "2.10";
  router.dChannelProtocol = 1;

  const std::string full = FormatConfigFile(targets, routes, filters, router, context);
  WriteSeed(directory, "writer_full.cfg", full);

  FilterList defaults = NewFilterList();
  EnsureDefaultFilter(defaults);
  WriteSeed(directory, "writer_empty.cfg",
            FormatConfigFile(NewLineTargetList(), NewRouteList(), defaults, router, context));

  LineTargetList one = NewLineTargetList();
  LineTarget permanent = *targets.NodeAt(1);
  permanent.phoneNumber = "1";
  one.Append(permanent);
  router.permanentConnection = 2;
  WriteSeed(directory, "writer_permanent.cfg",
            FormatConfigFile(one, routes, defaults, router, context));

  // The same file with CR LF line ends and tabs.
  std::string crlf;
  for (char c : full) {
    if (c == '\n')
      crlf += '\r';
    crlf += c == ' ' ? '\t' : c;
  }
  WriteSeed(directory, "writer_crlf_tabs.cfg", crlf);

  // Short files, one fault each (the reader's error codes).
  const std::string head = "Line_Targets:\n";
  const std::string target = "gw.example 123 x75 null 20 0 0 0 a/b c/d\n";
  const std::string route = "255.255.255.0 124.50.16.0 gw.example\n";
  const std::string filter = "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ftp 1\n";
  auto file = [&](const std::string& t, const std::string& r, const std::string& f) {
    return head + t + "Routing_Data:\n" + r + "Filter_Data:\n" + f;
  };
  WriteSeed(directory, "small_ok.cfg", file(target, route, filter));
  WriteSeed(directory, "wrong_address.cfg", file("nohost.example 1 x75 null 20 0 0 0\n", "", ""));
  WriteSeed(directory, "wrong_phone.cfg", file("gw.example 12a x75 null 20 0 0 0\n", "", ""));
  WriteSeed(directory, "wrong_protocol.cfg", file("gw.example 1 x76 null 20 0 0 0\n", "", ""));
  WriteSeed(directory, "wrong_timeout.cfg", file("gw.example 1 x75 null 3 0 0 0\n", "", ""));
  WriteSeed(directory, "wrong_option.cfg", file("gw.example 1 x75 null 20 2 0 0\n", "", ""));
  WriteSeed(directory, "wrong_password.cfg",
            file("gw.example 1 x75 null 20 0 0 0 a/b/c\n", "", ""));
  WriteSeed(directory, "wrong_mask.cfg", file("", "255.255.255.0 124.50.16.1 gw.example\n", ""));
  WriteSeed(directory, "wrong_gateway.cfg", file("", "0.0.0.0 0.0.0.0 0.0.0.0\n", ""));
  WriteSeed(directory, "wrong_service.cfg",
            file("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 21/xyz 1\n"));
  WriteSeed(directory, "wrong_action.cfg", file("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 3\n"));
  WriteSeed(directory, "missing_heading.cfg", head + target + "Filter_Data:\n");
  WriteSeed(directory, "no_line_end.cfg",
            file(target, route, "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1"));
  std::string many;
  for (int i = 0; i < 31; ++i)
    many += target;
  WriteSeed(directory, "too_many_targets.cfg", file(many, "", ""));
  std::string routes65, filters64;
  for (int i = 0; i < 65; ++i)
    routes65 += "0.0.0.0 0.0.0.0 1.1.1." + std::to_string(i) + "\n";
  for (int i = 0; i < 64; ++i)
    filters64 += "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 " + std::to_string(i) + "/tcp 1\n";
  WriteSeed(directory, "too_many_routes.cfg", file("", routes65, ""));
  // The 64th filter is no default entry.
  WriteSeed(directory, "last_filter_not_default.cfg", file("", "", filters64));
}

// --- protocol_definitions ----------------------------------------------------

void ProtocolDefinitionSeeds(const fs::path& directory) {
  WriteSeed(directory, "one.pro", "2:x75_1 base=x75 windowsize=2\n");
  WriteSeed(directory, "all_keywords.pro",
            "# x75 variants used by the branch offices\n"
            "2:x75_big base=x75 blocksize=2048 addr_a=1 addr_b=3 modulo=128 windowsize=15\n"
            "2:X75_Small\tbase=X75\tblocksize=256 windowsize=3\r\n"
            "\n"
            "2:from_big base=x75_big windowsize=16\n");
  WriteSeed(directory, "hdlc_ppp.pro", "2:hdlc2 base=hdlc\n2:ppp2 base=ppp\n");
  WriteSeed(directory, "layer3.pro", "3:t70 base=t70nl\n");
  WriteSeed(directory, "inconsistent.pro", "2:x75_w base=x75 modulo=8 windowsize=8\n");
  WriteSeed(directory, "duplicate.pro",
            "2:x75_1 base=x75 windowsize=2\n2:x75_2 base=x75 windowsize=2\n");
  WriteSeed(directory, "syntax.pro",
            "2:x base=x75\n2x75 base=x75\n2:y base x75\n2:z base=x75 mod=8\n");
  std::string full;
  for (int i = 1; i <= 18; ++i)
    full += "2:w" + std::to_string(i) + " base=x75 windowsize=" + std::to_string(i % 7 + 1) +
            " blocksize=" + std::to_string(100 * i) + "\n";
  WriteSeed(directory, "table_full.pro", full);

  // What WriteProtocolAdditions writes for a router's undefined protocols.
  LineTargetList targets = NewLineTargetList();
  for (int i = 0; i < 3; ++i) {
    LineTarget target = NewLineTarget();
    target.layer2Protocol = kNoProtocol;
    target.layer2Base = kLayer2BaseX75;
    target.layer2Parameters = {static_cast<std::uint16_t>(512 * (i + 1)), 1, 3,
                               static_cast<std::uint8_t>(i == 2 ? 128 : 8),
                               static_cast<std::uint8_t>(i + 2)};
    targets.Append(target);
  }
  const std::string scratch = ScratchDirectory::Path();
  WriteProtocolAdditions(scratch, targets, ProtocolTables{});
  std::ifstream in(scratch + "/" + kProtocolAdditionsFileName, std::ios::binary);
  std::string additions((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WriteSeed(directory, "tarcfg_add.pro", additions);
}

// --- firmware_image ----------------------------------------------------------

struct ImageShape {
  int shape = 0;
  int sizeParameter = 0;
  std::uint16_t segment = 0xD000;
  int signature = -1;  // with shape bit 3
};

Encoder ImageHead(const ImageShape& image) {
  Encoder out;
  out.U8(image.shape);
  switch (image.shape & 3) {
    case 1:
    case 2:
      out.U16(image.sizeParameter);
      break;
    case 3:
      out.U8(image.sizeParameter);
      break;
    default:
      break;
  }
  out.U16(image.segment);
  if ((image.shape & 12) == 8)
    out.U16(image.signature);
  return out;
}

void EmbeddedConfiguration(Encoder& out, int lists, int targets, int routes, int filters) {
  out.U8(1);  // resolve names
  out.Word("10.0.0.10").Word("255.255.255.0").Word("0301234").U8(1).Word("2.10").U8(0);
  out.Word("secret").U8(1).U32(0x0A000001).U8(lists);
  out.U8(targets);
  for (int i = 0; i < targets; ++i) {
    out.Word(i == 1 ? "gw.example" : "10.0.0.20").Word("011223344").U8(1).U8(i % 3).U8(4);
    out.U8(i == 2 ? 0xFF : 0).Word("alba/seno").Word("/pw").U16(20).U8(0).U8(i & 1).U8(0);
  }
  out.U8(routes);
  for (int i = 0; i < routes; ++i)
    out.Word("255.255.255.0").Word("124.50.16.0").Word("124.50.16.101");
  out.U8(filters);
  for (int i = 0; i < filters; ++i)
    out.Word("255.255.255.0")
        .Word("124.50.16.0")
        .Word("0.0.0.0")
        .Word("0.0.0.0")
        .U8(6)
        .U16(21)
        .U8(1);
}

void FirmwareImageSeeds(const fs::path& directory) {
  auto seed = [&](const std::string& name, const ImageShape& image, int lists, int targets,
                  int routes, int filters, int patches = 0, bool throughFile = false) {
    Encoder out;
    out.U8(throughFile ? 'L' : 0).Raw(ImageHead(image).bytes());
    out.U8(patches);
    for (int i = 0; i < patches; ++i)
      out.U32(static_cast<std::uint32_t>(0x50000 + 0x100 * i)).Text("old configuration");
    EmbeddedConfiguration(out, lists, targets, routes, filters);
    WriteSeed(directory, name, out.bytes());
  };
  seed("parameters_only", {0}, 0, 0, 0, 0);
  seed("all_lists", {0}, 7, 3, 2, 2);
  seed("all_lists_from_file", {0}, 7, 3, 2, 2, 0, true);
  seed("larger_image", {1, 3000, 0xD800}, 7, 2, 1, 1, 2);
  seed("larger_image_from_file", {1, 3000, 0xD800}, 7, 2, 1, 1, 2, true);
  seed("too_short", {3, 0}, 7, 1, 1, 1);
  seed("too_short_from_file", {3, 0}, 7, 1, 1, 1, 0, true);
  seed("small_file", {2, 100}, 1, 1, 0, 0, 0, true);
  seed("empty_file", {2, 0}, 0, 0, 0, 0, 0, true);
  seed("no_signature", {4}, 7, 1, 1, 1);
  seed("wrong_signature", {8, 0, 0xD000, 0x2442}, 7, 1, 1, 1);
  seed("segment_below_base", {0, 0, 0x7FFF}, 7, 1, 1, 1);
  // The area starts 0x60 bytes before the end: the parameters fit, a line
  // target does not.
  seed("area_at_the_end", {0, 0, static_cast<std::uint16_t>(0x8000 + (0x60000 - 0x60) / 16)}, 1, 1,
       0, 0);
  seed("area_past_the_end", {0, 0, 0xE000}, 0, 0, 0, 0);
}

// --- router_protocol ---------------------------------------------------------

Bytes Op(std::initializer_list<int> bytes) {
  Bytes op;
  for (int b : bytes)
    op.push_back(static_cast<std::uint8_t>(b));
  return op;
}

Bytes LengthPrefixed(std::uint8_t operation, const Bytes& body, int who = -1) {
  Encoder out;
  out.U8(operation);
  if (who >= 0)
    out.U8(who);
  out.U16(static_cast<int>(body.size())).Raw(body);
  return out.bytes();
}

// A seed and the harness that runs it while it is written.
class SeedScript {
 public:
  SeedScript(StartState state, std::uint8_t variant, std::uint8_t count)
      : harness_(variant), bytes_{static_cast<std::uint8_t>(state), variant, count} {}

  RouterProtocolHarness& harness() { return harness_; }
  void Start() { harness_.Start(static_cast<StartState>(bytes_[0]), bytes_[1], bytes_[2]); }
  void Emit(const Bytes& op) {
    bytes_.insert(bytes_.end(), op.begin(), op.end());
    FuzzInput in(op);
    harness_.Step(in);
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  RouterProtocolHarness harness_;
  Bytes bytes_;
};

// Entry bodies as a router sends them in read answers (after type and index).
Bytes EntryBody(std::uint8_t type, int index) {
  FakeNetDatabase database;
  AddressService addresses(database);
  ProtocolTables tables;
  WireContext wire{addresses, tables};
  Bytes entry;
  if (type == kLineTargetTable) {
    LineTarget target = NewLineTarget();
    target.hostName = "10.0.0." + std::to_string(20 + index);
    target.phoneNumber = "011223344";
    target.layer2Protocol = index % 3;
    target.layer2Base = index % 3 == 2 ? kLayer2BasePpp : index % 3 + 1;
    target.layer3Protocol = 0;
    target.layer3Type = kLayer3TypeNull;
    target.remoteIdentification = "alba/seno";
    target.localIdentification = "/pw";
    entry = EncodeLineTarget(target, wire);
  } else if (type == kRouteTable) {
    entry =
        EncodeRoute(RouteEntry{"255.255.255.0", "124.50.16.0", "124.50.16.101", index}, addresses);
  } else {
    FilterEntry filter =
        index == 0 ? FilterEntry{"255.255.255.0", "124.50.16.0", "0.0.0.0", "0.0.0.0", 6, 21, 1, 0}
                   : DefaultFilterAccept();
    entry = EncodeFilter(filter, addresses);
  }
  return Bytes(entry.begin() + 3, entry.end());
}

Bytes LineStatusBody() {
  WireWriter out;
  for (int channel = 0; channel < 2; ++channel) {
    out.U8(channel == 0 ? 3 : 7).U16(0x0090).U32(0x0A000014).Text("011223344", 20);
    out.U32(61).U32(2).U32(300).U32(200);
  }
  return out.Take();
}

// Answers what the tool asked for, as a working router would, for up to
// `steps` requests; ticks when nothing is asked.
void Cooperate(SeedScript& script, int steps) {
  SentMessage handled;
  for (int step = 0; step < steps; ++step) {
    const SentMessage request = script.harness().lastRequest();
    const bool fresh =
        request.valid &&
        (request.command != handled.command || request.sequence != handled.sequence ||
         request.payload != handled.payload || request.to != handled.to);
    if (!fresh) {
      script.Emit(Op({kOpTicks, 0}));
      continue;
    }
    handled = request;
    const int echoFresh = kAnswerFresh | kAnswerEcho;
    const int echoUnnumbered = kAnswerUnnumbered | kAnswerEcho;
    auto answer = [&](int mode, const Bytes& body) {
      Encoder out;
      out.U8(kOpAnswer).U8(0).U8(mode).U16(static_cast<int>(body.size())).Raw(body);
      script.Emit(out.bytes());
    };
    const ProtocolState state = script.harness().protocol().state();
    switch (request.command) {
      case command::kRegister:
      case command::kPassword: {
        if (state != ProtocolState::Registering && state != ProtocolState::PasswordRequested)
          break;  // answered while getting into the state
        Bytes accepted = AcceptedPayload(2, 1, 2);
        answer(echoFresh, Bytes(accepted.begin() + 2, accepted.end()));
        break;
      }
      case command::kChangePassword:
      case command::kWriteParameters:
      case command::kWriteTableEntry:
        answer(echoFresh, Op({0, 0}));  // status 0
        break;
      case command::kReadTableEntry:
        answer(echoFresh, EntryBody(request.payload.at(0),
                                    request.payload.at(1) << 8 | request.payload.at(2)));
        break;
      case command::kReadAccounting: {
        Encoder counters;
        for (int i = 0; i < 7; ++i)
          counters.U32(static_cast<std::uint32_t>(100 * i + 7));
        answer(echoFresh, counters.bytes());
        break;
      }
      case command::kStartLineMonitor:
        script.Emit(Op({kOpAcknowledge, 0}));
        answer(echoUnnumbered, LineStatusBody());
        break;
      case command::kAssignLoaderAddress:
        answer(echoFresh, {});
        break;
      case command::kEnterLoader:
        script.Emit(Op({kOpTicks, 3}));
        answer(echoUnnumbered, {});
        break;
      case command::kRestart:
        script.Emit(Op({kOpTicks, 1}));
        answer(echoUnnumbered, {});
        break;
      case command::kScanQuery:
        answer(echoUnnumbered, {});
        break;
      case command::kOverviewQuery: {
        WireWriter overview;
        overview.U8(3).U32(0x0A000014).Text("branch", 20).U8(0).U32(0).Text("", 20);
        overview.U8(1).U8(0).Text("2.10", 10);
        answer(echoUnnumbered, overview.Take());
        break;
      }
      case command::kDeregister:
        break;
      default:
        if (request.sequence != 0)
          script.Emit(Op({kOpAcknowledge, 0}));
        break;
    }
  }
}

// The router emulator on the other end: what the tool sends goes to it,
// what it sends is written into the seed as datagram operations.
class EmulatedRouter {
 public:
  EmulatedRouter(SeedScript& script, std::vector<tarnex_sim::RouterConfig> routers,
                 tarnex_sim::Faults faults = {})
      : script_(script), network_(std::move(routers), faults, 7) {
    script_.harness().SetToolDatagramObserver([this](const NetworkDatagram& datagram) {
      network_.Receive(now_, datagram.from, datagram.to, datagram.bytes);
    });
  }
  ~EmulatedRouter() { script_.harness().SetToolDatagramObserver(nullptr); }

  // A front-end call, then everything the router answers at once.
  void Call(const Bytes& action) {
    Bytes op{kOpFrontEnd};
    op.insert(op.end(), action.begin(), action.end());
    script_.Emit(op);
    Flush();
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      now_ += 1000;
      network_.Advance(now_);
      Flush();
      script_.Emit(Op({kOpTicks, 0}));
      Flush();
    }
  }

 private:
  void Flush() {
    for (int round = 0; round < 10000; ++round) {
      std::vector<tarnex_sim::Datagram> due = network_.TakeOutgoing(now_);
      if (due.empty())
        return;
      for (const auto& datagram : due) {
        if (datagram.from == kRouterAddress) {
          script_.Emit(LengthPrefixed(kOpRouterDatagram, datagram.bytes));
          continue;
        }
        for (std::size_t who = 0; who < kSenderCount; ++who) {
          if (kSenders[who] == datagram.from) {
            script_.Emit(LengthPrefixed(kOpOtherDatagram, datagram.bytes, static_cast<int>(who)));
            break;
          }
        }
      }
    }
  }

  SeedScript& script_;
  tarnex_sim::Network network_;
  std::uint64_t now_ = 0;
};

tarnex_sim::RouterConfig EmulatedConfig() {
  tarnex_sim::RouterConfig config;
  config.label = "branch";
  config.hardware = kRouterHardware;
  config.address = kRouterAddress;
  config.phone = "0301234";
  for (int i = 0; i < 2; ++i) {
    tarnex_sim::LineTarget target;
    target.label = i == 0 ? "branch" : "";
    target.address = 0x0A000014 + static_cast<std::uint32_t>(i);
    target.phone = "01122334" + std::to_string(i);
    tarnex_sim::ApplyLayer2Preset(i == 0 ? "x75" : "ppp", target);
    tarnex_sim::ApplyLayer3Preset(i == 0 ? "null" : "ppp", target);
    target.remoteId = tarnex_sim::IdentificationFromText("alba/seno");
    config.lineTargets.push_back(target);
  }
  config.routes.push_back({0xFFFFFF00, 0x7C321000, 0x0A000014});
  config.routes.push_back({0xFFFFFFFF, 0x0A000015, 0x0A000015});
  config.filters.push_back({0xFFFFFF00, 0x7C321000, 0, 0, 6, 1, 21});
  config.filters.push_back({0, 0, 0, 0, 0, 1, 0});
  return config;
}

// Front-end actions as bytes.
Bytes Act(FrontEndAction action, std::initializer_list<int> arguments = {}) {
  Bytes bytes{static_cast<std::uint8_t>(action)};
  for (int a : arguments)
    bytes.push_back(static_cast<std::uint8_t>(a));
  return bytes;
}

void RouterProtocolSeeds(const fs::path& directory) {
  // Every start state: a cooperative router, and a silent one that lets the
  // time-outs run.
  for (int s = 0; s < static_cast<int>(StartState::kCount); ++s) {
    const auto state = static_cast<StartState>(s);
    const bool kinds = state == StartState::kReadingTable || state == StartState::kWritingTable;
    for (int variant = 0; variant < (kinds ? 4 : 1); ++variant) {
      SeedScript script(state, static_cast<std::uint8_t>(variant), 0x1B);
      script.Start();
      Cooperate(script, 24);
      WriteSeed(directory, "state" + std::to_string(s) + "_cooperative" + std::to_string(variant),
                script.bytes());
    }
    SeedScript reentrant(state, 0xC1, 0x0A);
    reentrant.Start();
    Cooperate(reentrant, 16);
    WriteSeed(directory, "state" + std::to_string(s) + "_reentrant", reentrant.bytes());

    // Sends that fail for a while, in the middle of the state.
    SeedScript failing(state, 0x03, 0x1B);
    failing.Start();
    failing.Emit(Op({kOpSendFailures, 1}));
    failing.Emit(Op({kOpTicks, 3}));
    failing.Emit(Op({kOpFrontEnd, kActStartMonitor}));
    failing.Emit(Op({kOpSendFailures, 0}));
    Cooperate(failing, 8);
    WriteSeed(directory, "state" + std::to_string(s) + "_send_failures", failing.bytes());

    SeedScript silent(state, 0x02, 0x05);
    silent.Start();
    silent.Emit(Op({kOpTicks, 7}));
    silent.Emit(Op({kOpLongWait, 130}));
    WriteSeed(directory, "state" + std::to_string(s) + "_silent", silent.bytes());
  }

  // Sessions with the router emulator.
  auto session = [&](const std::string& name, tarnex_sim::RouterConfig config,
                     tarnex_sim::Faults faults, const std::function<void(EmulatedRouter&)>& run) {
    SeedScript script(StartState::kIdle, 0x40, 0);
    script.Start();
    {
      EmulatedRouter router(script, {std::move(config)}, faults);
      run(router);
    }
    WriteSeed(directory, "session_" + name, script.bytes());
  };
  const tarnex_sim::RouterConfig plain = EmulatedConfig();
  auto registered = [](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Call(Act(kActRead, {3, 0xFF}));
  };

  session("scan_overview", plain, {}, [](EmulatedRouter& router) {
    router.Call(Act(kActScan));
    router.Ticks(5);
    router.Call(Act(kActOverview));
    router.Ticks(4);
  });
  session("register_read_deregister", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActDeregister));
  });
  tarnex_sim::RouterConfig locked = plain;
  locked.password = "secret";
  session("password", locked, {}, [](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Call(Bytes{kActSendPassword, 6, 's', 'e', 'c', 'r', 'e', 't'});
    router.Call(Act(kActRead, {0, 0xFF}));
  });
  session("wrong_password", locked, {}, [](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Call(Bytes{kActSendPassword, 4, 'n', 'o', 'p', 'e'});
    router.Ticks(2);
  });
  tarnex_sim::RouterConfig held = plain;
  held.owner = 0x0A000099;
  session("held_by_other_host", held, {}, [](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Ticks(1);
  });
  session("write_everything", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActWrite, {3, 0x1B}));
    router.Call(Act(kActWrite, {0, 0x26}));
    router.Call(Act(kActWriteParameters, {1}));
    router.Call(Act(kActChangePassword, {1}));
    router.Call(Act(kActDeregister));
  });
  tarnex_sim::Faults status11;
  status11.writeStatus = 11;
  session("write_status_11", plain, status11, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActWrite, {1, 0x06}));
    router.Call(Act(kActWriteParameters, {0}));
  });
  tarnex_sim::Faults status5;
  status5.writeStatus = 5;
  session("write_status_5", plain, status5, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActWrite, {2, 0x16}));
  });
  tarnex_sim::Faults refused;
  refused.refuseCode = 5;
  session("refused", plain, refused, [](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Ticks(1);
  });
  session("monitor_connect", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActStartMonitor));
    router.Ticks(2);
    router.Call(Act(kActConnect, {0}));
    router.Ticks(3);
    router.Call(Act(kActDisconnect, {1}));
    router.Ticks(2);
    router.Call(Act(kActStopMonitor));
    router.Ticks(1);
  });
  session("accounting", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActConnect, {1}));
    router.Ticks(11);
    router.Call(Act(kActAccounting, {0, 2}));
    router.Call(Act(kActAccounting, {1, 2}));
  });
  session("loader_download_restart", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActEnterLoader));
    router.Ticks(5);
    router.Call(Act(kActStartDownload, {0x04, 0xB0}));  // 1200 bytes
    router.Ticks(3);
  });
  tarnex_sim::RouterConfig loader = plain;
  loader.address = 0;
  session("download_to_loader", loader, {}, [](EmulatedRouter& router) {
    router.Call(Act(kActStartDownload, {0x03, 0xE8}));  // 1000 bytes: the last block is empty
    router.Ticks(3);
  });
  session("firmware_with_configuration", plain, {}, [&](EmulatedRouter& router) {
    registered(router);
    router.Call(Act(kActDownloadFirmware, {3}));
    router.Ticks(5);  // the loader answers the scan; the first blocks go out
  });
  tarnex_sim::Faults lossy;
  lossy.dropProbability = 0.25;
  lossy.duplicateProbability = 0.1;
  session("lossy", plain, lossy, [&](EmulatedRouter& router) {
    router.Call(Act(kActRegister, {0}));
    router.Ticks(6);
    router.Call(Act(kActRead, {3, 0xFF}));
    router.Ticks(12);
  });
}

}  // namespace
}  // namespace tarcfg::fuzz

int main(int argc, char** argv) {
  using namespace tarcfg::fuzz;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  ConfigFileSeeds(root / "config_file");
  ProtocolDefinitionSeeds(root / "protocol_definitions");
  FirmwareImageSeeds(root / "firmware_image");
  RouterProtocolSeeds(root / "router_protocol");
  std::printf("seeds written to %s\n", root.c_str());
  return 0;
}
