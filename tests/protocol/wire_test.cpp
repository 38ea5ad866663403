// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/wire.h"

#include <gtest/gtest.h>

namespace tarcfg {
namespace {

TEST(WireReader, ReadPastTheEndFailsAndGivesZeros) {
  const Bytes data{0x12, 0x34, 0x56};
  WireReader in(data);
  EXPECT_EQ(in.U16(), 0x1234);
  EXPECT_EQ(in.U16(), 0);
  EXPECT_FALSE(in.ok());
  EXPECT_EQ(in.Text(4), "");
}

TEST(WireReader, TextStopsAtFirstZeroButConsumesTheField) {
  const Bytes data{'a', 'b', 0, 'c', 0x07};
  WireReader in(data);
  EXPECT_EQ(in.Text(4), "ab");
  EXPECT_EQ(in.U8(), 0x07);
  EXPECT_TRUE(in.ok());
}

TEST(WireWriter, BigAndLittleEndianAndBoundedText) {
  WireWriter out;
  out.U16(0x1234).U32(0xA1B2C3D4).U16le(0x1234).U32le(0xA1B2C3D4).Text("abc", 2).Text("x", 3);
  EXPECT_EQ(out.bytes(), (Bytes{0x12, 0x34, 0xA1, 0xB2, 0xC3, 0xD4, 0x34, 0x12, 0xD4, 0xC3, 0xB2,
                                0xA1, 'a', 'b', 'x', 0, 0}));
}

}  // namespace
}  // namespace tarcfg
