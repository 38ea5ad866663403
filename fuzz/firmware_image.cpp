// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: LoadFirmwareImage and EmbedConfiguration.
//
// The input is split into an image and a configuration. The image is not
// stored whole: a few bytes describe its size, its configuration segment and
// signature, and some patches, and the target builds the image (0x60000
// bytes or about that). When the first byte is 'L', the image goes through
// a file and LoadFirmwareImage, which is then checked to give back every
// byte; otherwise it is used as built, because loading 0x60000 fresh bytes
// under AddressSanitizer costs milliseconds (a fresh mapping each time) and
// would slow every input down. The rest of the input becomes router parameters and lists of line
// targets, routes and filters, which EmbedConfiguration writes into the
// image.
//
// Checked besides "no crash, no UB, no leak":
// - the loaded image is the file, byte for byte;
// - a refused image is left untouched;
// - an accepted one keeps its size and every byte outside the records, and
//   holds the records in order: magic, type, length, index and a checksum
//   that verifies, only line targets with both protocol entries.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "protocol/firmware_image.h"

namespace tarcfg::fuzz {
namespace {

// Texts the fuzzer can pick by one byte: address texts of every kind the
// records hold, so that most records resolve to something.
constexpr const char* kWords[] = {"10.0.0.10",  "255.255.255.0", "0.0.0.0",    "255.255.255.255",
                                  "gw.example", "10.0.0.20",     "0301234",    "secret",
                                  "me/pw",      "/pw",           "name/",      "2.10",
                                  "1.2.3",      "unknown.host",  "",           "124.50.16.101",
                                  "x",          "a/b/c",         "0x0A.1",     "10.0.0.1 ",
                                  "256.1.1.1",  "1.2.3.4.5",     "gw.example."};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

// The first byte that sends the image through a file.
constexpr std::uint8_t kThroughFile = 'L';

std::string Word(FuzzInput& in, std::size_t max) {
  std::uint8_t choice = in.U8();
  if (choice < 0x80)
    return kWords[choice % kWordCount];
  return in.Text(max);
}

// The image is built in one buffer that lives as long as the process:
// allocating and clearing 0x60000 fresh bytes for every input would cost
// more than everything else the target does.
const Bytes& BuildImage(FuzzInput& in) {
  static Bytes image;
  const std::uint8_t shape = in.U8();
  std::size_t size = kMinimumImageSize;
  switch (shape & 3) {
    case 0:
      break;
    case 1:
      size += in.U16() % 4096;
      break;
    case 2:
      size = static_cast<std::size_t>(in.U16()) * 8;  // below the minimum
      break;
    default:
      size -= 1 + in.U8();
      break;
  }
  image.assign(size, 0);
  const std::uint16_t segment = in.U16();
  if (size >= kConfigurationSegmentOffset + 2) {
    image[kConfigurationSegmentOffset] = static_cast<std::uint8_t>(segment);
    image[kConfigurationSegmentOffset + 1] = static_cast<std::uint8_t>(segment >> 8);
  }
  if ((shape & 4) == 0 && size >= kSignatureOffset + 2) {
    std::uint16_t signature = (shape & 8) != 0 ? in.U16() : kImageSignature;
    image[kSignatureOffset] = static_cast<std::uint8_t>(signature);
    image[kSignatureOffset + 1] = static_cast<std::uint8_t>(signature >> 8);
  }
  // Patches: runs of input bytes at chosen offsets (the old configuration
  // area, code, anything).
  const int patches = in.U8() % 8;
  for (int i = 0; i < patches && !image.empty(); ++i) {
    std::size_t offset = in.U32() % image.size();
    auto bytes = in.Take(in.U8());
    std::size_t n = std::min(bytes.size(), image.size() - offset);
    if (n > 0)
      std::memcpy(image.data() + offset, bytes.data(), n);
  }
  return image;
}

RouterParameters Parameters(FuzzInput& in) {
  RouterParameters parameters;
  parameters.name = Word(in, 40);
  parameters.netmask = Word(in, 20);
  parameters.phoneNumber = Word(in, 24);
  parameters.dChannelProtocol = in.U8();
  parameters.firmwareVersion = Word(in, 12);
  parameters.permanentConnection = in.U8();
  parameters.password = Word(in, 14);
  parameters.exclusiveToThisHost = in.U8() % 3;
  return parameters;
}

LineTarget Target(FuzzInput& in) {
  LineTarget target;
  target.hostName = Word(in, 24);
  target.phoneNumber = Word(in, 24);
  target.layer2Base = in.U8();
  target.layer2Protocol = static_cast<std::int8_t>(in.U8());
  target.layer3Type = in.U8();
  target.layer3Protocol = static_cast<std::int8_t>(in.U8());
  target.remoteIdentification = Word(in, 44);
  target.localIdentification = Word(in, 44);
  target.timeout = static_cast<std::int16_t>(in.U16());
  target.manualOnly = in.U8();
  target.channelBundling = in.U8() % 3;
  target.compression = in.U8();
  return target;
}

RouteEntry Route(FuzzInput& in) {
  RouteEntry route;
  route.netmask = Word(in, 20);
  route.match = Word(in, 20);
  route.gateway = Word(in, 20);
  return route;
}

FilterEntry Filter(FuzzInput& in) {
  FilterEntry filter;
  filter.sendNetmask = Word(in, 20);
  filter.sendMatch = Word(in, 20);
  filter.receiveNetmask = Word(in, 20);
  filter.receiveMatch = Word(in, 20);
  filter.protocol = in.U8();
  filter.port = in.U16();
  filter.action = in.U8() % 3;
  return filter;
}

struct Expected {
  std::uint16_t type;
  std::size_t length;
  int index;
};

// Walks the records at `start` and checks each against `expected`.
std::size_t CheckRecords(const Bytes& image, std::size_t start,
                         const std::vector<Expected>& expected) {
  std::size_t position = start;
  for (const Expected& record : expected) {
    FUZZ_CHECK(position + record.length <= image.size());
    std::span<const std::uint8_t> bytes(image.data() + position, record.length);
    WireReader in(bytes);
    FUZZ_CHECK(in.U16le() == kRecordMagic);
    in.U16le();  // checksum
    FUZZ_CHECK(in.U16le() == record.type);
    FUZZ_CHECK(in.U16le() == record.length);
    FUZZ_CHECK(in.U16le() == record.index);
    FUZZ_CHECK(InternetChecksum(bytes) == 0);
    position += record.length;
  }
  return position;
}

void Run(FuzzInput& in) {
  const bool throughFile = in.U8() == kThroughFile;
  const Bytes& image = BuildImage(in);
  // The image to embed into: loaded from the file, or a copy kept in a
  // buffer of its own (see BuildImage).
  static Bytes copy;
  std::optional<Bytes> loaded;
  if (throughFile) {
    const std::string path = ScratchDirectory::File("fw_dss1.2.10");
    WriteWholeFile(path, image);
    loaded = LoadFirmwareImage(path);
    FUZZ_CHECK(loaded.has_value());
    FUZZ_CHECK(*loaded == image);
  } else {
    copy.assign(image.begin(), image.end());
  }
  Bytes& embedded = throughFile ? *loaded : copy;

  FakeNetDatabase database;
  database.AddHost("gw.example", 0x0A000001);
  AddressService addresses(database);
  addresses.SetNameResolve(in.Bit());
  ProtocolTables tables;
  WireContext wire{addresses, tables};

  const RouterParameters parameters = Parameters(in);
  const std::uint32_t ownAddress = in.U32();
  const std::uint8_t lists = in.U8();
  LineTargetList targets = NewLineTargetList();
  RouteList routes = NewRouteList();
  FilterList filters = NewFilterList();
  std::vector<Expected> expected{{kRecordRouterParameters, kRouterParametersRecordLength, 0}};
  int written = 0;
  for (int i = 0, n = in.U8() % 40; i < n; ++i) {
    LineTarget target = Target(in);
    if ((lists & 1) != 0 && tables.Layer2At(target.layer2Protocol) != nullptr &&
        tables.Layer3At(target.layer3Protocol) != nullptr)
      expected.push_back({kRecordLineTarget, kLineTargetRecordLength, written++});
    targets.Append(std::move(target));
  }
  for (int i = 0, n = in.U8() % 80; i < n; ++i) {
    if ((lists & 2) != 0)
      expected.push_back({kRecordRoute, kRouteRecordLength, i});
    routes.Append(Route(in));
  }
  for (int i = 0, n = in.U8() % 80; i < n; ++i) {
    if ((lists & 4) != 0)
      expected.push_back({kRecordFilter, kFilterRecordLength, i});
    filters.Append(Filter(in));
  }

  const bool ok = EmbedConfiguration(embedded, parameters, (lists & 1) != 0 ? &targets : nullptr,
                                     (lists & 2) != 0 ? &routes : nullptr,
                                     (lists & 4) != 0 ? &filters : nullptr, wire, ownAddress);
  if (!ok) {
    FUZZ_CHECK(embedded == image);
    return;
  }
  std::optional<std::size_t> start = ConfigurationAreaOffset(image);
  FUZZ_CHECK(start.has_value());
  FUZZ_CHECK(embedded.size() == image.size());
  FUZZ_CHECK(std::memcmp(embedded.data(), image.data(), *start) == 0);
  const std::size_t end = CheckRecords(embedded, *start, expected);
  FUZZ_CHECK(std::memcmp(embedded.data() + end, image.data() + end, image.size() - end) == 0);
}

}  // namespace
}  // namespace tarcfg::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarcfg::fuzz::FuzzInput in(data, size);
  tarcfg::fuzz::Run(in);
  return 0;
}
