// Firmware images and the download to the router's loader.
#include <cstring>

#include "firmware_image.h"
#include "router_protocol.h"
#include "text_scan.h"

namespace tarcfg {

namespace {

inline constexpr std::uint16_t kMaximumTransferUnit = 1504;
inline constexpr std::uint8_t kLayer2ParameterLength = 9;
inline constexpr std::uint8_t kLayer3ParameterLength = 14;
inline constexpr std::size_t kChecksumOffset = 2;
inline constexpr std::size_t kIdentificationField = 40;

std::uint8_t Byte(int value) {
  return static_cast<std::uint8_t>(value);
}
std::uint16_t Word(int value) {
  return static_cast<std::uint16_t>(value);
}

WireWriter RecordHeader(std::uint16_t type, std::size_t length, int index) {
  WireWriter out;
  out.U16le(kRecordMagic).U16le(0).U16le(type).U16le(Word(static_cast<int>(length)));
  out.U16le(Word(index));
  return out;
}

// Stores the checksum of the finished record in its header.
Bytes Seal(WireWriter& record) {
  Bytes bytes = record.Take();
  std::uint16_t checksum = InternetChecksum(bytes);
  bytes[kChecksumOffset] = static_cast<std::uint8_t>(checksum);
  bytes[kChecksumOffset + 1] = static_cast<std::uint8_t>(checksum >> 8);
  return bytes;
}

void ImageIdentification(WireWriter& out, std::string_view text) {
  bool ended = false;
  for (std::size_t i = 0; i < kIdentificationField; ++i) {
    if (i >= text.size() || text[i] == '\0')
      ended = true;
    char c = ended ? '\0' : text[i];
    out.U8(c == '/' ? 0 : static_cast<std::uint8_t>(c));
  }
}

Bytes ParametersRecord(const RouterParameters& parameters, const WireContext& wire,
                       std::uint32_t ownAddress) {
  std::uint32_t address = wire.addresses.ResolveAddress(parameters.name.view());
  std::uint32_t netmask = wire.addresses.ResolveAddress(parameters.netmask.view());
  WireWriter out = RecordHeader(kRecordRouterParameters, kRouterParametersRecordLength, 0);
  out.U32le(address).U32le(netmask).U32le(address | ~netmask).U16le(kMaximumTransferUnit);
  out.Text(parameters.phoneNumber.view(), kPhoneNumberCapacity);
  out.U8(parameters.permanentConnection);
  out.U32le(parameters.exclusiveToThisHost ? ownAddress : 0);
  out.Text(parameters.password.view(), kPasswordWireLength);
  out.U8(parameters.dChannelProtocol);
  out.Text(parameters.firmwareVersion.view(), 10);
  return Seal(out);
}

Bytes LineTargetRecord(const LineTarget& target, const Layer2Protocol& layer2,
                       const Layer3Protocol& layer3, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordLineTarget, kLineTargetRecordLength, index);
  out.U32le(wire.addresses.ResolveAddress(target.hostName.view())).Zeros(4);
  out.Text(target.phoneNumber.view(), kPhoneNumberCapacity).Zeros(5);
  out.U8(Byte(target.layer2Base)).U8(kLayer2ParameterLength).U16le(layer2.parameters.blockSize);
  out.U8(layer2.parameters.addressA).U8(layer2.parameters.addressB);
  out.U8(layer2.parameters.modulo).U8(layer2.parameters.windowSize).Zeros(2);
  out.U8(Byte(target.layer3Type)).U8(kLayer3ParameterLength);
  for (std::size_t i = 0; i < 6; ++i)
    out.U16le(layer3.parameters[i]);
  out.U8(static_cast<std::uint8_t>(layer3.parameters[6]));
  out.U16le(Word(target.timeout)).U8(Byte(target.compression)).U8(Byte(target.manualOnly));
  ImageIdentification(out, target.localIdentification.view());
  ImageIdentification(out, target.remoteIdentification.view());
  std::uint16_t channels = target.channelBundling ? 2 : 1;
  out.U16le(channels).U16le(channels).Zeros(8);
  return Seal(out);
}

Bytes RouteRecord(const RouteEntry& route, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordRoute, kRouteRecordLength, index);
  out.Zeros(2).U32le(wire.addresses.ResolveAddress(route.netmask.view()));
  out.U32le(wire.addresses.ResolveAddress(route.match.view())).Zeros(4);
  out.U32le(wire.addresses.ResolveAddress(route.gateway.view()));
  return Seal(out);
}

Bytes FilterRecord(const FilterEntry& filter, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordFilter, kFilterRecordLength, index);
  out.U8(Byte(filter.action)).U8(Byte(filter.protocol));
  out.U32le(wire.addresses.ResolveAddress(filter.sendNetmask.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.sendMatch.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.receiveNetmask.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.receiveMatch.view()));
  out.Zeros(2).U16le(Word(filter.port));
  return Seal(out);
}

}  // namespace

std::optional<Bytes> LoadFirmwareImage(const std::string& path) {
  return ReadFileWhole(path);
}

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2)
    sum += static_cast<std::uint32_t>(bytes[i] | bytes[i + 1] << 8);
  if (i < bytes.size())
    sum += bytes[i];
  while (sum > 0xFFFF)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

std::optional<std::size_t> ConfigurationAreaOffset(std::span<const std::uint8_t> image) {
  if (image.size() < kMinimumImageSize)
    return std::nullopt;
  WireReader in(image, kSignatureOffset);
  if (in.U16le() != kImageSignature)
    return std::nullopt;
  in.Seek(kConfigurationSegmentOffset);
  std::uint16_t segment = in.U16le();
  if (segment < kImageBaseSegment)
    return std::nullopt;
  return static_cast<std::size_t>(segment - kImageBaseSegment) * 16;
}

bool EmbedConfiguration(Bytes& image, const RouterParameters& parameters,
                        const LineTargetList* lineTargets, const RouteList* routes,
                        const FilterList* filters, const WireContext& wire,
                        std::uint32_t ownAddress) {
  std::optional<std::size_t> start = ConfigurationAreaOffset(image);
  if (!start)
    return false;

  std::vector<Bytes> records;
  records.push_back(ParametersRecord(parameters, wire, ownAddress));
  if (lineTargets) {
    int index = 0;
    for (const LineTarget& target : *lineTargets) {
      const Layer2Protocol* layer2 = wire.tables.Layer2At(target.layer2Protocol);
      const Layer3Protocol* layer3 = wire.tables.Layer3At(target.layer3Protocol);
      if (layer2 == nullptr || layer3 == nullptr)
        continue;
      records.push_back(LineTargetRecord(target, *layer2, *layer3, index++, wire));
    }
  }
  if (routes) {
    int index = 0;
    for (const RouteEntry& route : *routes)
      records.push_back(RouteRecord(route, index++, wire));
  }
  if (filters) {
    int index = 0;
    for (const FilterEntry& filter : *filters)
      records.push_back(FilterRecord(filter, index++, wire));
  }

  std::size_t total = 0;
  for (const Bytes& record : records)
    total += record.size();
  if (*start > image.size() || image.size() - *start < total)
    return false;

  std::size_t position = *start;
  for (const Bytes& record : records) {
    std::memcpy(image.data() + position, record.data(), record.size());
    position += record.size();
  }
  return true;
}

std::string RouterProtocol::FirmwareImagePath(const RouterParameters& parameters) const {
  std::string path = settings_.firmwarePath;
  path += "/";
  path += parameters.dChannelProtocol != 0 ? "fw_dss1." : "fw_1tr6.";
  path += parameters.firmwareVersion.view();
  return path;
}

bool RouterProtocol::DownloadFirmware(const HardwareAddress& hardwareAddress,
                                      const RouterParameters& parameters,
                                      const LineTargetList* lineTargets, const RouteList* routes,
                                      const FilterList* filters, ScanCallback done,
                                      ProgressCallback progress) {
  std::uint32_t routerAddress = addresses_.ResolveAddress(parameters.name.view());
  std::optional<Bytes> image = LoadFirmwareImage(FirmwareImagePath(parameters));
  if (!image)
    return false;
  if (!EmbedConfiguration(*image, parameters, lineTargets, routes, filters, wire(),
                          transport_.TransportOwnAddress()))
    return false;
  if (lineTargets || routes || filters) {
    // The registered router restarts into its loader first.
    pendingImage_ = std::move(*image);
    return EnterLoader(hardwareAddress,
                       [this, done, progress, routerAddress](const ScanAnswer& loader) {
                         StartDownload(done, std::move(pendingImage_), loader.hardwareAddress,
                                       routerAddress, progress);
                       });
  }
  return StartDownload(std::move(done), std::move(*image), hardwareAddress, routerAddress,
                       std::move(progress));
}

bool RouterProtocol::EnterLoader(const HardwareAddress& hardwareAddress, ScanCallback loaderFound) {
  if (state_ != ProtocolState::Registered)
    return false;
  EndDownloadTimers();
  state_ = ProtocolState::WaitingForLoader;
  loaderFound_ = std::move(loaderFound);
  loaderHardware_ = hardwareAddress;
  loaderRouter_ = registered_;
  Send(registered_, command::kEnterLoader, {}, false);
  // The loader answers from no address yet: let every sender through. The
  // registration is over, so a stray message from the router's old address
  // during the download can no longer end it as if it were registered.
  transactions_.EndSession();
  registered_ = 0;
  std::uint32_t run = downloadRun_;
  repetition_ = transport_.StartTimer(
      [this, run] {
        if (run == downloadRun_)
          LoaderScan();
      },
      kRetransmitTicks);
  StartStepTimeout(ProtocolState::WaitingForLoader, kLoaderTimeoutTicks, kErrorLoaderNotFound);
  return true;
}

void RouterProtocol::LoaderScan() {
  if (state_ != ProtocolState::WaitingForLoader)
    return;
  // The request to enter the loader has no acknowledgement; should it have
  // been lost, the router still runs and takes it again. A router already in
  // its loader ignores it.
  Send(loaderRouter_, command::kEnterLoader, {}, false);
  Send(broadcast_, command::kScanQuery, {}, false);
  std::uint32_t run = downloadRun_;
  repetition_ = transport_.StartTimer(
      [this, run] {
        if (run == downloadRun_)
          LoaderScan();
      },
      kRetransmitTicks);
}

// The loader commands carry no acknowledgement: a lost one would only end in
// the time-out of its step. Repeating it while the step waits is harmless,
// since the loader takes the same address and the same restart only once.
//
// A slot whose count has run down counts as free before its callback runs,
// so a restart here could take over the step's time-out slot in the second
// it runs down. Started before the time-out, the repetition always sits in a
// lower slot than it: slots run in index order, so when the repetition
// restarts the time-out has not yet run down in that tick, and the lowest free
// slot is at most the repetition's own.
void RouterProtocol::SendWhileIn(ProtocolState state, std::uint32_t destination,
                                 std::uint16_t commandWord, Bytes payload) {
  Send(destination, commandWord, payload, false);
  std::uint32_t run = downloadRun_;
  repetition_ = transport_.StartTimer(
      [this, run, state, destination, commandWord, payload = std::move(payload)]() mutable {
        if (run == downloadRun_ && state_ == state)
          SendWhileIn(state, destination, commandWord, std::move(payload));
      },
      kRetransmitTicks);
}

void RouterProtocol::StartStepTimeout(ProtocolState state, int ticks, int code) {
  transport_.CancelTimer(stepTimeout_);
  std::uint32_t run = downloadRun_;
  stepTimeout_ = transport_.StartTimer(
      [this, run, state, code] {
        if (run == downloadRun_ && state_ == state)
          AbortRegistration(0, code);
      },
      ticks);
}

void RouterProtocol::EndDownloadTimers() {
  ++downloadRun_;
  transport_.CancelTimer(stepTimeout_);
  transport_.CancelTimer(repetition_);
}

bool RouterProtocol::StartDownload(ScanCallback done, Bytes image,
                                   const HardwareAddress& hardwareAddress,
                                   std::uint32_t routerAddress, ProgressCallback progress) {
  if (state_ != ProtocolState::Idle && state_ != ProtocolState::Registered)
    return false;
  EndDownloadTimers();
  image_ = std::move(image);
  blockOffset_ = 0;
  lastPercent_ = -1;
  // The router restarts after the download, so a registration still in
  // force ends here: numbering starts afresh and the peer filter is lifted.
  if (transactions_.registered())
    transactions_.EndSession();
  // The loader numbers its messages from 1, whatever the router said before.
  transactions_.ForgetDelivered();
  candidate_ = routerAddress;
  downloadDone_ = std::move(done);
  progress_ = std::move(progress);
  state_ = ProtocolState::DownloadRequested;
  // The repetition takes its slot before the time-out does (see SendWhileIn).
  WireWriter payload;
  payload.Raw(hardwareAddress).U32(routerAddress);
  SendWhileIn(ProtocolState::DownloadRequested, broadcast_, command::kEnterDownload,
              payload.bytes());
  StartStepTimeout(ProtocolState::DownloadRequested, kDownloadOfferTimeoutTicks,
                   kErrorDownloadFailed);
  return true;
}

int RouterProtocol::OnDownloadOffer(std::uint32_t, std::uint16_t,
                                    std::span<const std::uint8_t> payload) {
  if (state_ != ProtocolState::DownloadRequested || payload.size() < 4)
    return kResultUnexpected;
  state_ = ProtocolState::Downloading;
  // Blocks are repeated by the request layer; its 8888 ends this step.
  EndDownloadTimers();
  SendNextBlock(WireReader(payload).U32());
  return kResultHandled;
}

void RouterProtocol::SendNextBlock(std::uint32_t destination) {
  // An acknowledgement that arrives after the download was given up
  // starts nothing.
  if (state_ != ProtocolState::Downloading)
    return;
  const std::size_t remaining = image_.size() - blockOffset_;
  const std::size_t length = remaining < kBlockSize ? remaining : kBlockSize;
  // The block's offset, then its bytes straight from the image into the
  // message: nothing else is built or copied per block.
  const auto offset = static_cast<std::uint32_t>(blockOffset_);
  const std::uint8_t head[4] = {
      static_cast<std::uint8_t>(offset >> 24), static_cast<std::uint8_t>(offset >> 16),
      static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset)};
  const std::span<const std::uint8_t> body =
      std::span<const std::uint8_t>(image_).subspan(blockOffset_, length);
  blockOffset_ += length;
  if (remaining < kBlockSize) {
    if (progress_) {
      ProgressCallback progress = progress_;
      progress(100);
    }
    if (state_ != ProtocolState::Downloading)
      return;
    Send(destination, command::kDownloadBlock, head, body, true,
         [this](std::uint32_t sender) { RequestRestart(sender); });
    return;
  }
  auto percent = static_cast<int>(static_cast<double>(blockOffset_) * 100.0 /
                                  static_cast<double>(image_.size()));
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    if (progress_) {
      ProgressCallback progress = progress_;
      progress(percent);
    }
    if (state_ != ProtocolState::Downloading)
      return;
  }
  // The acknowledgement sends the next block at once.
  Send(destination, command::kDownloadBlock, head, body, true,
       [this](std::uint32_t sender) { SendNextBlock(sender); });
}

void RouterProtocol::RequestRestart(std::uint32_t destination) {
  if (state_ != ProtocolState::Downloading)
    return;
  state_ = ProtocolState::Restarting;
  candidate_ = destination;
  EndDownloadTimers();
  SendWhileIn(ProtocolState::Restarting, destination, command::kRestart, {});
  StartStepTimeout(ProtocolState::Restarting, kRestartTimeoutTicks, kErrorDownloadFailed);
}

}  // namespace tarcfg
