// SPDX-License-Identifier: GPL-3.0-or-later
// The passwords file of `tarcfg-cli serve --passwords`: its lines, and the
// owner-only rule.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/serve/router_passwords.h"

namespace tarcfg::testing {
namespace {

TEST(PasswordsFile, LinesAreAHardwareAddressAndTheRestOfTheLine) {
  const auto good = serve::ParsePasswords(
      "# routers of the second floor\n\n00-60-1a-10-00-02 secret\r\n"
      "  00:60:1a:10:00:03\ttwo words\n");
  ASSERT_TRUE(good.ok) << good.error;
  ASSERT_EQ(good.passwords.size(), 2u);
  EXPECT_EQ(good.passwords.at(HardwareAddress{0x00, 0x60, 0x1a, 0x10, 0x00, 2}), "secret");
  EXPECT_EQ(good.passwords.at(HardwareAddress{0x00, 0x60, 0x1a, 0x10, 0x00, 3}), "two words");
  for (const char* bad : {"00-60-1a-10-00-02\n", "router1 secret\n", "00-60-1a-10-00 x\n"}) {
    const auto parsed = serve::ParsePasswords(std::string("# ok\n") + bad);
    EXPECT_FALSE(parsed.ok) << bad;
    EXPECT_NE(parsed.error.find("line 2"), std::string::npos) << parsed.error;
  }
}

TEST(PasswordsFile, OnlyAFileItsOwnerAloneMayReadIsTaken) {
  namespace fs = std::filesystem;
  const fs::path path =
      fs::temp_directory_path() / ("tarcfg_passwords" + std::to_string(::getpid()));
  std::ofstream(path) << "00-60-1a-10-00-02 secret\n";
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(serve::LoadPasswordsFile(path.string()).ok);
  for (fs::perms other : {fs::perms::group_read, fs::perms::others_read, fs::perms::others_exec}) {
    fs::permissions(path, fs::perms::owner_read | other);
    const auto refused = serve::LoadPasswordsFile(path.string());
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("chmod 600"), std::string::npos) << refused.error;
  }
  fs::remove(path);
  const auto missing = serve::LoadPasswordsFile(path.string());
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("No such file or directory"), std::string::npos) << missing.error;
}

}  // namespace
}  // namespace tarcfg::testing
