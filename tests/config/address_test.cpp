// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "config/address.h"
#include "config/net_database.h"

namespace tarcfg {
namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

TEST(DottedQuadTest, EveryPartValueInEveryPositionReadsBackTheSame) {
  for (int position = 0; position < 4; ++position)
    for (int part = 0; part < 256; ++part) {
      int parts[4] = {1, 20, 255, 0};
      parts[position] = part;
      const std::uint32_t value = Ip(parts[0], parts[1], parts[2], parts[3]);
      const std::string expected = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                                   std::to_string(parts[2]) + "." + std::to_string(parts[3]);
      EXPECT_EQ(DottedQuad(value), expected);
      std::uint32_t back = 0;
      EXPECT_TRUE(ParseDottedQuad(DottedQuad(value), &back));
      EXPECT_EQ(back, value);
    }
  EXPECT_EQ(DottedQuad(0), "0.0.0.0");
  EXPECT_EQ(DottedQuad(0xFFFFFFFFu), "255.255.255.255");
}

TEST(ParseDottedQuadTest, AcceptsStrictFormsOnly) {
  std::uint32_t v = 0;
  EXPECT_TRUE(ParseDottedQuad("255.255.255.255", &v));
  EXPECT_EQ(v, 0xFFFFFFFFu);
  EXPECT_TRUE(ParseDottedQuad("10. 0. 0. 1", &v));
  EXPECT_EQ(v, Ip(10, 0, 0, 1));
  EXPECT_TRUE(ParseDottedQuad("010.000.000.001", &v));
  EXPECT_EQ(v, Ip(10, 0, 0, 1));
  EXPECT_TRUE(ParseDottedQuad("  1.2.3.4", &v));
  EXPECT_EQ(v, Ip(1, 2, 3, 4));

  for (const char* bad : {"1.2.3.256", "10.0.0.1 ", "10.0.0", "0x1.2.3.4", "+1.2.3.4", "1.2.3.4.5",
                          "1..2.3", "", "1.2.3.", "a.b.c.d", "1\t.2.3.4", "1.2.3.4x"})
    EXPECT_FALSE(ParseDottedQuad(bad, &v)) << bad;
}

class AddressServiceTest : public ::testing::Test {
 protected:
  FakeNetDatabase db;
  AddressService addresses{db};
};

TEST_F(AddressServiceTest, ZeroAddressIsValidButResolvesToZero) {
  EXPECT_EQ(addresses.ResolveAddress("0.0.0.0"), 0u);
  EXPECT_TRUE(addresses.IsValidAddress("0.0.0.0"));
  EXPECT_FALSE(addresses.IsValidAddress(" 0.0.0.0"));
  EXPECT_FALSE(addresses.IsValidAddress("0.0.0.00x"));
  EXPECT_EQ(addresses.FormatAddress(0), "0.0.0.0");
  EXPECT_EQ(db.reverseLookups, 0);
}

TEST_F(AddressServiceTest, NumericFormsOfTheLooseParserGiveZeroWithoutLookUp) {
  db.AddHost("0x0a000001", Ip(1, 1, 1, 1));
  for (const char* loose : {"0x0a000001", "10.1", "10.0.0.1 ", "0x7f.1", "167772161"})
    EXPECT_EQ(addresses.ResolveAddress(loose), 0u) << loose;
  EXPECT_EQ(db.hostLookups, 0);
}

TEST_F(AddressServiceTest, HostNamesResolveOnlyWhenResolvingIsOn) {
  db.AddHost("gateway", Ip(192, 168, 1, 1));
  EXPECT_EQ(addresses.ResolveAddress("gateway"), Ip(192, 168, 1, 1));
  EXPECT_TRUE(addresses.IsValidAddress("gateway"));
  EXPECT_EQ(addresses.ResolveAddress("unknown"), 0u);
  addresses.SetNameResolve(false);
  const int before = db.hostLookups;
  EXPECT_EQ(addresses.ResolveAddress("gateway"), 0u);
  EXPECT_FALSE(addresses.IsValidAddress("gateway"));
  EXPECT_EQ(addresses.ResolveAddress("10.0.0"), 0u);
  EXPECT_EQ(db.hostLookups, before);
}

TEST_F(AddressServiceTest, FormatAddressUsesNamesAndCachesFailures) {
  db.AddHost("alpha", Ip(10, 0, 0, 5));
  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 5)), "alpha");
  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 5)), "alpha");
  EXPECT_EQ(db.reverseLookups, 1);

  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 6)), "10.0.0.6");
  db.AddHost("late", Ip(10, 0, 0, 6));
  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 6)), "10.0.0.6");  // failure was cached
  EXPECT_EQ(db.reverseLookups, 2);

  addresses.SetNameResolve(false);
  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 5)), "10.0.0.5");
}

TEST_F(AddressServiceTest, NetworksAndBroadcastsAreNeverLookedUpNorCached) {
  db.AddHost("net", Ip(192, 168, 1, 0));
  db.AddHost("bcast", Ip(192, 168, 1, 255));
  db.AddHost("odd", Ip(255, 1, 2, 3));
  EXPECT_EQ(addresses.FormatAddress(Ip(192, 168, 1, 0)), "192.168.1.0");
  EXPECT_EQ(addresses.FormatAddress(Ip(192, 168, 1, 255)), "192.168.1.255");
  EXPECT_EQ(addresses.FormatAddress(Ip(255, 1, 2, 3)), "255.1.2.3");
  EXPECT_EQ(db.reverseLookups, 0);
  addresses.FormatAddress(Ip(1, 1, 1, 1));  // first cached look-up: ring initialised
  EXPECT_EQ(addresses.cache().writeIndex(), 2);
}

TEST_F(AddressServiceTest, NameCacheRingOverwritesZeroEntryThenOldest) {
  NameCache& cache = addresses.cache();
  for (int i = 1; i <= 99; ++i)
    addresses.FormatAddress(Ip(10, 1, 0, i));
  // 99 entries after entry 0: the index has wrapped onto "0.0.0.0".
  EXPECT_EQ(cache.writeIndex(), 0);
  EXPECT_EQ(cache.TextAt(0), "0.0.0.0");
  addresses.FormatAddress(Ip(10, 2, 0, 1));
  EXPECT_EQ(cache.AddressAt(0), Ip(10, 2, 0, 1));
  // The next distinct address replaces the first one stored (10.1.0.1).
  EXPECT_EQ(cache.AddressAt(1), Ip(10, 1, 0, 1));
  addresses.FormatAddress(Ip(10, 2, 0, 2));
  EXPECT_EQ(cache.AddressAt(1), Ip(10, 2, 0, 2));
  const int lookups = db.reverseLookups;
  addresses.FormatAddress(Ip(10, 1, 0, 1));  // evicted: asked again
  EXPECT_EQ(db.reverseLookups, lookups + 1);
  addresses.FormatAddress(Ip(10, 1, 0, 50));  // still cached
  EXPECT_EQ(db.reverseLookups, lookups + 1);
}

TEST_F(AddressServiceTest, OverlongReverseNameFallsBackToDottedQuad) {
  db.AddHost(std::string(257, 'n'), Ip(10, 0, 0, 9));
  EXPECT_EQ(addresses.FormatAddress(Ip(10, 0, 0, 9)), "10.0.0.9");
}

}  // namespace
}  // namespace tarcfg
