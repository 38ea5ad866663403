// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/loaded_image.h"

#include <gtest/gtest.h>

using namespace tarnex_sim;

namespace {

uint16_t Le16(const Bytes& b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}

ImageConfiguration SampleConfiguration() {
  ImageConfiguration c;
  c.address = *ParseIp("198.51.100.30");
  c.netmask = 0xFFFFFF00;
  c.phone = "0301999";
  c.password = "neu";
  c.exclusiveHost = *ParseIp("198.51.100.1");
  c.dChannelProtocol = 1;
  c.firmwareVersion = "2.10";
  LineTarget t;
  t.address = *ParseIp("198.51.100.200");
  t.phone = "0301234";
  ApplyLayer2Preset("hdlc", t);
  ApplyLayer3Preset("t70nl", t);
  t.channelBundling = 1;
  t.localId = IdentificationFromText("me/pw");
  c.lineTargets.push_back(t);
  c.routes.push_back(Route{0xFFFFFF00, *ParseIp("198.51.101.0"), t.address});
  c.filters.push_back(Filter{0, 0, 0, 0, 6, 1, 23});
  c.filters.push_back(Filter{});
  return c;
}

}  // namespace

TEST(FirmwareImage, MadeImageHasTheLoaderLayout) {
  Bytes image = MakeImage("2.10", 1, 0);
  ASSERT_EQ(image.size(), kMinimumImageSize);
  EXPECT_EQ(Le16(image, kSignatureOffset), 0x4224);
  size_t area = size_t(Le16(image, kSegmentOffset) - 0x8000) * 16;
  EXPECT_LT(area + 64 * 32 + 30 * 164 + 70, kSegmentOffset);
  for (size_t i = area; i < area + 4096; ++i)
    ASSERT_EQ(image[i], 0) << i;
}

TEST(FirmwareImage, LargerSizeIsKept) {
  EXPECT_EQ(MakeImage("1", 0, 0x70000).size(), 0x70000u);
}

TEST(FirmwareImage, ChecksumOfWordsSummingToFFFFIsZero) {
  Bytes words{0xFF, 0x00, 0x00, 0xFF};
  EXPECT_EQ(InternetChecksum(words), 0);
  Bytes odd{0x01, 0x02, 0x03};
  EXPECT_EQ(InternetChecksum(odd), uint16_t(~(0x0201 + 0x0003)));
}

TEST(FirmwareImage, EmbeddedRecordsComeBackUnchanged) {
  Bytes image = MakeImage("2.10", 1, 0);
  ImageConfiguration c = SampleConfiguration();
  ASSERT_TRUE(EmbedRecords(image, c));
  ImageResult r = ParseImage(image);
  ASSERT_TRUE(r.configuration) << r.error;
  const ImageConfiguration& p = *r.configuration;
  EXPECT_EQ(p.address, c.address);
  EXPECT_EQ(p.phone, "0301999");
  EXPECT_EQ(p.password, "neu");
  EXPECT_EQ(p.exclusiveHost, c.exclusiveHost);
  EXPECT_EQ(p.firmwareVersion, "2.10");
  EXPECT_EQ(p.imageVersion, "2.10");
  ASSERT_EQ(p.lineTargets.size(), 1u);
  EXPECT_EQ(p.lineTargets[0], c.lineTargets[0]);
  EXPECT_EQ(p.routes, c.routes);
  EXPECT_EQ(p.filters, c.filters);
}

TEST(FirmwareImage, RecordsAreLittleEndianWithMagic) {
  Bytes image = MakeImage("2.10", 1, 0);
  ASSERT_TRUE(EmbedRecords(image, SampleConfiguration()));
  size_t area = size_t(Le16(image, kSegmentOffset) - 0x8000) * 16;
  EXPECT_EQ(image[area], 0xEF);
  EXPECT_EQ(image[area + 1], 0xBE);
  EXPECT_EQ(Le16(image, area + 4), 1);
  EXPECT_EQ(Le16(image, area + 6), 70);
  EXPECT_EQ(Le16(image, area + 10 + 12), 1504);
  EXPECT_EQ(Le16(image, area + 70 + 6), 164);
}

TEST(FirmwareImage, BadChecksumRejectsTheWholeConfiguration) {
  Bytes image = MakeImage("2.10", 1, 0);
  ASSERT_TRUE(EmbedRecords(image, SampleConfiguration()));
  size_t area = size_t(Le16(image, kSegmentOffset) - 0x8000) * 16;
  image[area + 70 + 20] ^= 0x40;  // inside the line target record
  ImageResult r = ParseImage(image);
  EXPECT_FALSE(r.configuration);
  EXPECT_NE(r.error.find("bad checksum"), std::string::npos);
}

TEST(FirmwareImage, ShortOrUnsignedImagesAreRejected) {
  Bytes image = MakeImage("2.10", 1, 0);
  ASSERT_TRUE(EmbedRecords(image, SampleConfiguration()));
  Bytes shorter(image.begin(), image.end() - 1);
  EXPECT_FALSE(ParseImage(shorter).configuration);
  Bytes unsigned_ = image;
  unsigned_[kSignatureOffset] = 0;
  EXPECT_FALSE(ParseImage(unsigned_).configuration);
  Bytes outside = image;
  outside[kSegmentOffset] = 0xFF;
  outside[kSegmentOffset + 1] = 0xFF;
  EXPECT_FALSE(ParseImage(outside).configuration);
  EXPECT_FALSE(ParseImage(Bytes{}).configuration);
}

TEST(FirmwareImage, ImageWithoutRecordsIsRejected) {
  EXPECT_NE(ParseImage(MakeImage("2.10", 1, 0)).error, "");
}
