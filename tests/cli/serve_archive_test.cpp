// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of `tarcfg-cli serve --archive-interval` beyond the rounds: what
// the archive keeps a version as, and the passwords file (its lines, and the
// owner-only rule).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/serve/config_archive.h"
#include "cli/serve/router_passwords.h"
#include "config/write_plan.h"

namespace tarcfg::testing {
namespace {

namespace fs = std::filesystem;

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

// A difference that is exactly what the newest version says the tool was
// about to send is that write's result, not a change made elsewhere.
TEST(ConfigArchive, TellsTheToolsOwnWriteFromAChangeMadeElsewhere) {
  FakeNetDatabase database;
  AddressService addresses{database};
  addresses.SetNameResolve(false);
  const ProtocolTables tables;
  const fs::path dir = fs::temp_directory_path() / ("tarcfg_written" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const ConfigContext files{tables, addresses, database};
  const ConfigHistory history(dir.string(), 50);
  const serve::ConfigArchive archive(history, files);
  const HardwareAddress hardware{0x00, 0x60, 0x1a, 0x10, 0x00, 1};
  RouterParameters router;
  Configuration before;
  for (const char* host : {"10.0.0.200", "10.0.0.201"}) {
    LineTarget target = NewLineTarget();
    target.hostName = host;
    target.phoneNumber = "0301";
    before.lineTargets.Append(target);
  }
  NumberTablePositions(before.lineTargets);
  ASSERT_TRUE(archive.Archive(hardware, before, router).kept);
  Configuration written = before.Clone();
  written.lineTargets.NodeAt(1)->phoneNumber = "0309";
  // What tarcfg-cli write keeps before it sends.
  const auto sending =
      DescribeWritePlan(PlanConfigurationWrite(written, before), {tables, database});
  ASSERT_TRUE(history
                  .Keep("00-60-1a-10-00-01", before.lineTargets, before.routes, before.filters,
                        router, files, HistoryNote{"", "tarcfg-cli write x.cfg", sending, {}})
                  .ok);
  const serve::ArchiveResult own = archive.Archive(hardware, written, router);
  EXPECT_TRUE(own.kept);
  EXPECT_FALSE(own.changedElsewhere);
  EXPECT_EQ(history.List("00-60-1a-10-00-01")[0].operation, "as written by tarcfg-cli write x.cfg");
  EXPECT_FALSE(archive.Archive(hardware, written, router).kept);
  Configuration elsewhere = written.Clone();
  elsewhere.lineTargets.RemoveAt(0);
  const serve::ArchiveResult other = archive.Archive(hardware, elsewhere, router);
  EXPECT_TRUE(other.changedElsewhere);
  EXPECT_EQ(other.versions, 4);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarcfg::testing
