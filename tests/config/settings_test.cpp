// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/gui_settings.h"
#include "config/profile_file.h"

namespace tarcfg {
namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("tarcfg_settings_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    path = (dir / "tarcfg.ini").string();
    db.SetLocalHostName("ws");
    db.AddHost("ws", Ip(127, 0, 1, 1));  // the usual loopback mapping
    db.SetInterfaces({{"lo", Ip(127, 0, 0, 1), Ip(255, 0, 0, 0), true, true},
                      {"eth1", Ip(172, 16, 1, 2), 0, false, false},
                      {"eth0", Ip(192, 168, 7, 20), Ip(255, 255, 252, 0), true, false}});
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string Read() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path dir;
  std::string path;
  FakeNetDatabase db;
  AddressService addresses{db};
};

TEST_F(SettingsTest, ProfileNamesIgnoreCaseAndMissingFileReadsAsMissing) {
  ProfileFile profile(path);
  EXPECT_EQ(profile.GetString("Settings", "IpAddress", "none"), "none");
  EXPECT_EQ(profile.GetInt("Settings", "NameResolve", -1), -1);
  Write("[settings]\nIPADDRESS = 10.0.0.1 \nnameresolve=7abc\nOther=x\n");
  EXPECT_EQ(profile.GetString("Settings", "IpAddress"), "10.0.0.1");
  EXPECT_EQ(profile.GetInt("SETTINGS", "NameResolve", -1), 7);
  EXPECT_EQ(profile.GetInt("Settings", "Other", -1), 0);  // no digits read as 0
}

TEST_F(SettingsTest, HistoryLimitDefaultsTo50AndZeroTurnsItOff) {
  auto limit = [&](const std::string& line) {
    Write(
        "[Settings]\nIpAddress=192.168.7.20\nNetMask=255.255.252.0\nNameResolve=1\n"
        "FirmwarePath=/fw\n" +
        line);
    ProfileFile profile(path);
    return LoadGuiSettings(profile, addresses, "/cwd").historyLimit;
  };
  EXPECT_EQ(limit(""), 50);
  EXPECT_EQ(Read().find("HistoryLimit"), std::string::npos);  // the default needs no line
  EXPECT_EQ(limit("HistoryLimit=0\n"), 0);
  EXPECT_EQ(limit("historylimit = 7\n"), 7);
  // A value that is no count keeps the default rather than turning history off.
  EXPECT_EQ(limit("HistoryLimit=-1\n"), 50);
  EXPECT_EQ(limit("HistoryLimit=many\n"), 50);
}

TEST_F(SettingsTest, WriteChangesOnlyItsOwnLine) {
  Write(
      "; my workstation\n[Other]\nKey=1\n\n[Settings]\n; the address\nipaddress=1.2.3.4\n"
      "FirmwarePath=/opt/fw\n\n[Tail]\nA=b\n");
  ProfileFile profile(path);
  ASSERT_TRUE(profile.WriteString("Settings", "IpAddress", "10.0.0.9"));
  ASSERT_TRUE(profile.WriteString("Settings", "NetMask", "255.0.0.0"));
  EXPECT_EQ(Read(),
            "; my workstation\n[Other]\nKey=1\n\n[Settings]\n; the address\nIpAddress=10.0.0.9\n"
            "FirmwarePath=/opt/fw\nNetMask=255.0.0.0\n\n[Tail]\nA=b\n");
}

// The default firmware directory is not written: only one the user chose is.
TEST_F(SettingsTest, FirstStartCreatesThreeKeys) {
  ProfileFile profile(path);
  GuiSettings settings = LoadGuiSettings(profile, addresses, "/work/here");
  EXPECT_EQ(settings.ownAddress, Ip(192, 168, 7, 20));  // loopback name skipped
  EXPECT_EQ(settings.netMask, Ip(255, 255, 252, 0));    // mask of that interface
  EXPECT_EQ(settings.nameResolve, 1);
  EXPECT_EQ(settings.firmwarePath, "/work/here");
  EXPECT_EQ(profile.GetString("Settings", "IpAddress"), "192.168.7.20");
  EXPECT_EQ(profile.GetString("Settings", "NetMask"), "255.255.252.0");
  EXPECT_EQ(profile.GetString("Settings", "NameResolve"), "1");
  EXPECT_EQ(profile.GetString("Settings", "FirmwarePath", "none"), "none");
  EXPECT_TRUE(addresses.nameResolve());
}

// A repair is written to the file a link points to, atomically, keeping the
// file's permission bits; with nothing to repair, or for an offline command,
// the file (its inode) stays as it was.
TEST_F(SettingsTest, RewritesOnlyRepairsThroughLinksKeepingTheMode) {
  struct Case {
    const char* name;
    bool linked;
    unsigned mode;
    bool broken;
    SettingsRepair repair;
    bool rewritten;
  };
  const std::filesystem::path target = dir / "dotfiles" / "tarcfg.ini";
  for (const Case& c :
       {Case{"plain", false, 0600, true, SettingsRepair::kWriteBack, true},
        Case{"linked", true, 0600, true, SettingsRepair::kWriteBack, true},
        Case{"linked 0640", true, 0640, true, SettingsRepair::kWriteBack, true},
        Case{"valid", true, 0600, false, SettingsRepair::kWriteBack, false},
        Case{"offline", true, 0600, true, SettingsRepair::kKeepFile, false},
        Case{"plain offline", false, 0644, true, SettingsRepair::kKeepFile, false}}) {
    std::filesystem::remove_all(target.parent_path());
    std::filesystem::remove(path);
    std::filesystem::create_directories(target.parent_path());
    const std::filesystem::path file = c.linked ? target : std::filesystem::path(path);
    std::ofstream(file) << "[Settings]\nIpAddress=10.1.2.3\nNameResolve=1\nNetMask="
                        << (c.broken ? "bogus\n" : "255.0.0.0\n");
    if (c.linked)
      std::filesystem::create_symlink("dotfiles/tarcfg.ini", path);
    ::chmod(file.c_str(), c.mode);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0) << c.name;

    ProfileFile profile(path);
    const GuiSettings settings = LoadGuiSettings(profile, addresses, "/default/fw", c.repair);
    EXPECT_EQ(settings.netMask, c.broken ? Ip(255, 255, 252, 0) : Ip(255, 0, 0, 0)) << c.name;
    EXPECT_EQ(settings.firmwarePath, "/default/fw") << c.name;
    EXPECT_EQ(std::filesystem::is_symlink(path), c.linked) << c.name;
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0) << c.name;
    EXPECT_EQ(after.st_ino != before.st_ino, c.rewritten) << c.name;
    EXPECT_EQ(after.st_mode & 07777, c.mode) << c.name;
    EXPECT_EQ(profile.GetString("Settings", "NetMask"),
              c.broken && c.rewritten ? "255.255.252.0" : (c.broken ? "bogus" : "255.0.0.0"))
        << c.name;
    EXPECT_EQ(profile.GetString("Settings", "FirmwarePath", "none"), "none") << c.name;
    for (const auto& folder : {dir, target.parent_path()})  // no temporary file left behind
      for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << c.name;
  }
}

TEST_F(SettingsTest, ValidValuesStayAndNothingIsWritten) {
  Write("[Settings]\nIpAddress=10.1.2.3\nNetMask=255.255.255.0\nNameResolve=0\nFirmwarePath=/fw\n");
  const std::string before = Read();
  ProfileFile profile(path);
  GuiSettings settings = LoadGuiSettings(profile, addresses, "/cwd");
  EXPECT_EQ(settings.ownAddress, Ip(10, 1, 2, 3));
  EXPECT_EQ(settings.nameResolve, 0);
  EXPECT_FALSE(addresses.nameResolve());
  EXPECT_EQ(Read(), before);
}

TEST_F(SettingsTest, RepairsOnlyInvalidValues) {
  db.AddHost("myhost", Ip(10, 9, 8, 7));
  Write("[Settings]\nIpAddress=myhost\nNetMask=bogus\nNameResolve=2\nFirmwarePath=/fw\n");
  ProfileFile profile(path);
  GuiSettings settings = LoadGuiSettings(profile, addresses, "/cwd");
  EXPECT_EQ(profile.GetString("Settings", "IpAddress"), "myhost");  // a resolvable name stays
  EXPECT_EQ(settings.ownAddress, Ip(10, 9, 8, 7));
  EXPECT_EQ(profile.GetString("Settings", "NetMask"), "255.255.252.0");
  EXPECT_EQ(profile.GetString("Settings", "NameResolve"), "1");
  EXPECT_EQ(profile.GetString("Settings", "FirmwarePath"), "/fw");
}

// The switch is read as a profile integer (its leading digits; no digits
// reads as 0); only what is then neither 0 nor 1 is repaired to 1 and
// written back.
TEST_F(SettingsTest, NameResolveIsReadByItsLeadingDigits) {
  struct Case {
    const char* value;
    int read;
    bool repaired;
  };
  for (const Case& c :
       {Case{"0", 0, false}, Case{"1", 1, false}, Case{" 0 ", 0, false}, Case{"no", 0, false},
        Case{"off", 0, false}, Case{"", 0, false}, Case{"00", 0, false}, Case{"yes", 0, false},
        Case{"0x", 0, false}, Case{"1x", 1, false}, Case{"01", 1, false}, Case{"+1", 1, false},
        Case{"-1", 1, true}, Case{"2", 1, true}, Case{"10", 1, true}}) {
    const std::string text = std::string("[Settings]\nIpAddress=10.1.2.3\nNetMask=255.0.0.0\n") +
                             "NameResolve=" + c.value + "\nFirmwarePath=/fw\n";
    Write(text);
    ProfileFile profile(path);
    addresses.SetNameResolve(c.read == 0);
    GuiSettings settings = LoadGuiSettings(profile, addresses, "/cwd");
    EXPECT_EQ(settings.nameResolve, c.read) << c.value;
    EXPECT_EQ(addresses.nameResolve(), c.read == 1) << c.value;
    EXPECT_EQ(Read(), c.repaired
                          ? "[Settings]\nIpAddress=10.1.2.3\nNetMask=255.0.0.0\nNameResolve=1\n"
                            "FirmwarePath=/fw\n"
                          : text)
        << c.value;
  }
}

// A start without a network detects no address: nothing is written, and a
// 0.0.0.0 an older run left in the file counts as missing once there is one.
TEST_F(SettingsTest, OnlyADetectedAddressIsWritten) {
  db.SetInterfaces({{"lo", Ip(127, 0, 0, 1), Ip(255, 0, 0, 0), true, true}});
  for (const char* file : {"", "[Settings]\nIpAddress=0.0.0.0\nNameResolve=1\n"}) {
    Write(file);
    ProfileFile profile(path);
    GuiSettings settings = LoadGuiSettings(profile, addresses, "/cwd");
    EXPECT_EQ(settings.ownAddress, 0u) << file;
    EXPECT_EQ(profile.GetString("Settings", "IpAddress", "none"),
              std::string(file).empty() ? "none" : "0.0.0.0");
    EXPECT_EQ(profile.GetString("Settings", "NetMask", "none"), "none") << file;
  }
  db.SetInterfaces({{"eth0", Ip(192, 168, 7, 20), Ip(255, 255, 252, 0), true, false}});
  ProfileFile profile(path);
  GuiSettings settings = LoadGuiSettings(profile, addresses, "/cwd");
  EXPECT_EQ(settings.ownAddress, Ip(192, 168, 7, 20));
  EXPECT_EQ(profile.GetString("Settings", "IpAddress"), "192.168.7.20");
  EXPECT_EQ(profile.GetString("Settings", "NetMask"), "255.255.252.0");
}

TEST_F(SettingsTest, UnresolvableNameIsReplacedByDetectedAddress) {
  Write("[Settings]\nIpAddress=nosuchhost\n");
  ProfileFile profile(path);
  LoadGuiSettings(profile, addresses, "/cwd");
  EXPECT_EQ(profile.GetString("Settings", "IpAddress"), "192.168.7.20");
}

TEST(NetMaskTest, DefaultMaskByAddressClass) {
  EXPECT_EQ(DefaultNetMaskForClass(Ip(10, 1, 2, 3)), Ip(255, 0, 0, 0));
  EXPECT_EQ(DefaultNetMaskForClass(Ip(172, 16, 1, 2)), Ip(255, 255, 0, 0));
  EXPECT_EQ(DefaultNetMaskForClass(Ip(192, 168, 1, 2)), Ip(255, 255, 255, 0));
}

TEST(NetMaskTest, InterfaceWithoutMaskFallsBackToClass) {
  FakeNetDatabase db;
  AddressService addresses(db);
  db.SetInterfaces({{"eth1", Ip(172, 16, 1, 2), 0, true, false}});
  EXPECT_EQ(DetectNetMask(addresses, Ip(172, 16, 1, 2)), Ip(255, 255, 0, 0));
}

TEST(SettingsPathTest, OptionThenEnvironmentThenXdg) {
  ::setenv("TARCFG_SETTINGS", "/env/t.ini", 1);
  EXPECT_EQ(SettingsFilePath("/opt/x.ini"), "/opt/x.ini");
  EXPECT_EQ(SettingsFilePath(""), "/env/t.ini");
  ::unsetenv("TARCFG_SETTINGS");
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(SettingsFilePath(""), "/xdg/tarcfg.ini");
}

}  // namespace
}  // namespace tarcfg
