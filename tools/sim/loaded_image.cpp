// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/loaded_image.h"

#include <cstring>

namespace tarnex_sim {

namespace {

constexpr char kHeaderMagic[] = "TARNEX-FW";
constexpr size_t kAreaSize = 0x4000;  // room for 64 routes, 64 filters, 30 targets

void PutLe16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

size_t RecordLength(uint16_t type) {
  switch (type) {
    case 1:
      return 70;
    case 2:
      return 164;
    case 3:
      return 28;
    case 4:
      return 32;
  }
  return 0;
}

Identification IdFromRecord(Reader& r) {
  Bytes raw = r.Raw(40);
  Identification id{};
  std::copy(raw.begin(), raw.end(), id.begin());
  return id;
}

Bytes FinishRecord(uint16_t type, uint16_t index, const Bytes& body) {
  Writer w;
  w.U16le(kRecordMagic).U16le(0).U16le(type).U16le(uint16_t(10 + body.size())).U16le(index);
  w.Raw(body);
  Bytes rec = w.Take();
  PutLe16(rec, 2, InternetChecksum(rec));
  return rec;
}

}  // namespace

uint16_t InternetChecksum(std::span<const uint8_t> data) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < data.size(); i += 2)
    sum += uint32_t(data[i] | data[i + 1] << 8);
  if (i < data.size())
    sum += data[i];
  while (sum >> 16)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return uint16_t(~sum);
}

Bytes MakeImage(const std::string& version, uint8_t dChannelProtocol, size_t size) {
  if (size < kMinimumImageSize)
    size = kMinimumImageSize;
  Bytes image(size, 0);
  // A recognisable filler so the image is not all zeros.
  for (size_t i = 0; i < size; ++i)
    image[i] = uint8_t((i * 31 + 7) >> 3);
  std::memcpy(image.data(), kHeaderMagic, sizeof kHeaderMagic);
  for (size_t i = 0; i < 16; ++i)
    image[16 + i] = i < version.size() ? uint8_t(version[i]) : 0;
  image[32] = dChannelProtocol;
  // Configuration area just below the segment word, paragraph-aligned.
  size_t area = (kSegmentOffset - kAreaSize) & ~size_t(15);
  std::memset(image.data() + area, 0, kSegmentOffset - area);
  PutLe16(image, kSegmentOffset, uint16_t(area / 16 + 0x8000));
  PutLe16(image, kSegmentOffset + 2, 0);
  PutLe16(image, kSegmentOffset + 4, 0);
  PutLe16(image, kSignatureOffset, kSignature);
  PutLe16(image, kSignatureOffset + 2, 0);
  return image;
}

ImageResult ParseImage(std::span<const uint8_t> image) {
  ImageResult result;
  if (image.size() < kMinimumImageSize) {
    result.error = "image shorter than 0x60000 bytes";
    return result;
  }
  Reader sig(image, kSignatureOffset);
  if (sig.U16le() != kSignature) {
    result.error = "signature 0x4224 missing";
    return result;
  }
  Reader seg(image, kSegmentOffset);
  uint16_t segment = seg.U16le();
  if (segment < 0x8000 || size_t(segment - 0x8000) * 16 >= image.size()) {
    result.error = "configuration segment outside the image";
    return result;
  }
  ImageConfiguration config;
  if (std::memcmp(image.data(), kHeaderMagic, sizeof kHeaderMagic) == 0) {
    Reader h(image, 16);
    config.imageVersion = h.Text(16);
  }
  size_t pos = size_t(segment - 0x8000) * 16;
  bool haveParameters = false;
  uint16_t expected[5] = {0, 0, 0, 0, 0};
  while (true) {
    Reader head(image, pos);
    uint16_t magic = head.U16le();
    if (!head.ok() || magic != kRecordMagic)
      break;
    head.U16le();
    uint16_t type = head.U16le();
    uint16_t length = head.U16le();
    uint16_t index = head.U16le();
    if (!head.ok())
      break;
    size_t want = RecordLength(type);
    if (want == 0 || length != want) {
      result.error = "record at " + std::to_string(pos) + " has type " + std::to_string(type) +
                     " and length " + std::to_string(length);
      return result;
    }
    if (pos + length > image.size()) {
      result.error = "record at " + std::to_string(pos) + " runs past the end of the image";
      return result;
    }
    std::span<const uint8_t> rec = image.subspan(pos, length);
    if (InternetChecksum(rec) != 0) {
      result.error = "bad checksum in record at " + std::to_string(pos) + " (type " +
                     std::to_string(type) + ", index " + std::to_string(index) + ")";
      return result;
    }
    if (index != expected[type]) {
      result.error = "record of type " + std::to_string(type) + " has index " +
                     std::to_string(index) + ", expected " + std::to_string(expected[type]);
      return result;
    }
    ++expected[type];
    Reader r(rec, 10);
    switch (type) {
      case 1: {
        if (haveParameters) {
          result.error = "second router parameters record";
          return result;
        }
        haveParameters = true;
        config.address = r.U32le();
        config.netmask = r.U32le();
        r.U32le();  // broadcast address
        r.U16le();  // packet size
        config.phone = r.Text(20);
        config.permanentConnection = r.U8();
        config.exclusiveHost = r.U32le();
        config.password = r.Text(10);
        config.dChannelProtocol = r.U8();
        config.firmwareVersion = r.Text(10);
        break;
      }
      case 2: {
        LineTarget t;
        t.address = r.U32le();
        r.Skip(4);
        t.phone = r.Text(20);
        r.Skip(5);
        t.layer2Base = r.U8();
        r.U8();
        t.blockSize = r.U16le();
        t.addressA = r.U8();
        t.addressB = r.U8();
        t.modulo = r.U8();
        t.windowSize = r.U8();
        r.Skip(2);
        t.layer3Type = r.U8();
        r.U8();
        for (int i = 0; i < 6; ++i)
          t.layer3Parameters[i] = r.U16le();
        t.layer3Parameters[6] = r.U8();
        t.timeout = r.U16le();
        t.compression = r.U8();
        t.manualOnly = r.U8();
        t.localId = IdFromRecord(r);
        t.remoteId = IdFromRecord(r);
        t.channelBundling = r.U16le() == 2 ? 1 : 0;
        config.lineTargets.push_back(t);
        break;
      }
      case 3: {
        r.Skip(2);
        Route route;
        route.netmask = r.U32le();
        route.match = r.U32le();
        r.Skip(4);
        route.gateway = r.U32le();
        config.routes.push_back(route);
        break;
      }
      case 4: {
        Filter f;
        f.action = r.U8();
        f.protocol = r.U8();
        f.sendNetmask = r.U32le();
        f.sendMatch = r.U32le();
        f.receiveNetmask = r.U32le();
        f.receiveMatch = r.U32le();
        r.Skip(2);
        f.port = r.U16le();
        config.filters.push_back(f);
        break;
      }
    }
    if (!r.ok()) {
      result.error = "truncated record";
      return result;
    }
    pos += length;
  }
  if (!haveParameters) {
    result.error = "no router parameters record in the configuration area";
    return result;
  }
  result.configuration = std::move(config);
  return result;
}

bool EmbedRecords(Bytes& image, const ImageConfiguration& c) {
  if (image.size() < kMinimumImageSize)
    return false;
  Reader seg(image, kSegmentOffset);
  uint16_t segment = seg.U16le();
  if (segment < 0x8000)
    return false;
  size_t pos = size_t(segment - 0x8000) * 16;
  std::vector<Bytes> records;
  {
    Writer w;
    w.U32le(c.address).U32le(c.netmask).U32le(c.address | ~c.netmask).U16le(1504);
    w.Text(c.phone, 20).U8(c.permanentConnection).U32le(c.exclusiveHost).Text(c.password, 10);
    w.U8(c.dChannelProtocol).Text(c.firmwareVersion, 10);
    records.push_back(FinishRecord(1, 0, w.Take()));
  }
  uint16_t i = 0;
  for (const LineTarget& t : c.lineTargets) {
    Writer w;
    w.U32le(t.address).Zeros(4).Text(t.phone, 20).Zeros(5).U8(t.layer2Base).U8(9);
    w.U16le(t.blockSize).U8(t.addressA).U8(t.addressB).U8(t.modulo).U8(t.windowSize);
    w.Zeros(2).U8(t.layer3Type).U8(14);
    for (int k = 0; k < 6; ++k)
      w.U16le(t.layer3Parameters[k]);
    w.U8(uint8_t(t.layer3Parameters[6])).U16le(t.timeout).U8(t.compression).U8(t.manualOnly);
    w.Raw(t.localId).Raw(t.remoteId);
    uint16_t channels = t.channelBundling ? 2 : 1;
    w.U16le(channels).U16le(channels).Zeros(8);
    records.push_back(FinishRecord(2, i++, w.Take()));
  }
  i = 0;
  for (const Route& r : c.routes) {
    Writer w;
    w.Zeros(2).U32le(r.netmask).U32le(r.match).Zeros(4).U32le(r.gateway);
    records.push_back(FinishRecord(3, i++, w.Take()));
  }
  i = 0;
  for (const Filter& f : c.filters) {
    Writer w;
    w.U8(f.action).U8(f.protocol).U32le(f.sendNetmask).U32le(f.sendMatch);
    w.U32le(f.receiveNetmask).U32le(f.receiveMatch).Zeros(2).U16le(f.port);
    records.push_back(FinishRecord(4, i++, w.Take()));
  }
  for (const Bytes& rec : records) {
    if (pos + rec.size() > image.size())
      return false;
    std::copy(rec.begin(), rec.end(), image.begin() + long(pos));
    pos += rec.size();
  }
  return true;
}

}  // namespace tarnex_sim
