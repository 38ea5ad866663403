// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli diff against tarnex-sim: the router now against a file and a
// kept version, two files, and the JSON for scripts.
#include "e2e_fixture.h"

namespace {

using tarcfg::e2e::E2eTest;
using tarcfg::e2e::kOpen;
using tarcfg::e2e::Result;

class Diff : public E2eTest {};

TEST_F(Diff, RouterAgainstFileKeptVersionAndTwoFiles) {
  ASSERT_EQ(Cli("read 198.51.100.10 -o before.cfg").status, 0);
  Result same = Cli("diff 198.51.100.10 before.cfg");
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");

  // The second line target rewritten, the third removed, one route and one
  // filter left.
  WriteFile("edited.cfg",
            "Line_Targets:\n"
            "198.51.100.200 0301234567 x75 null 20 0 0 0\n"
            "198.51.100.201 0309 x75 null 60 0 0 0\n"
            "Routing_Data:\n"
            "0.0.0.0 0.0.0.0 198.51.100.202\n"
            "Filter_Data:\n"
            "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n");
  ASSERT_EQ(Cli("write 198.51.100.10 edited.cfg").status, 0);

  // The kept version (the default --last) is the older side, the router now
  // the newer.
  Result kept = Cli("diff 198.51.100.10");
  EXPECT_EQ(kept.status, 4) << kept.err;
  EXPECT_NE(kept.out.find("\n+++ router 198.51.100.10 now\n@@ 1 line target changed, 1 line "
                          "target removed, "),
            std::string::npos)
      << kept.out;
  EXPECT_NE(kept.out.find("+line target 2: 198.51.100.201 0309 x75\n"), std::string::npos)
      << kept.out;
  EXPECT_NE(
      kept.out.find("\n!  phone number: 0891234567 -> 0309\n!  layer 2 protocol: hdlc -> x75\n"),
      std::string::npos)
      << kept.out;
  EXPECT_NE(kept.out.find("\n-line target 3: 198.51.100.202 0401234567 ppp\n"), std::string::npos)
      << kept.out;
  EXPECT_EQ(Cli("diff 198.51.100.10 --index 1").out, kept.out);
  EXPECT_TRUE(WaitForState(
      kOpen, [](const QJsonObject& router) { return router["registeredHost"].isNull(); }));

  // The same against the file, as JSON; the router's parameters match the
  // file's header.
  Result json = Cli("diff 198.51.100.10 before.cfg --json");
  EXPECT_EQ(json.status, 4) << json.err;
  const QJsonObject diff = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(diff["old"].toString(), "before.cfg");
  EXPECT_FALSE(diff["same"].toBool());
  EXPECT_TRUE(diff["router"].toArray().isEmpty()) << json.out;
  const QJsonObject changed = diff["lineTargets"].toArray()[0].toObject();
  EXPECT_EQ(changed["position"].toInt(), 2);
  EXPECT_EQ(changed["change"].toString(), "changed");
  const QJsonObject phone = changed["fields"].toArray()[0].toObject();
  EXPECT_EQ(phone["field"].toString(), "phone number");
  EXPECT_EQ(phone["new"].toString(), "0309");
  EXPECT_EQ(diff["lineTargets"].toArray()[1].toObject()["change"].toString(), "removed");

  // Two files, no router; the first is the older.
  Result files = Cli("diff edited.cfg before.cfg");
  EXPECT_EQ(files.status, 4) << files.err;
  EXPECT_EQ(files.out.rfind("--- edited.cfg\n+++ before.cfg\n", 0), 0u) << files.out;
  EXPECT_NE(files.out.find("\n+line target 3: 198.51.100.202 0401234567 ppp\n"), std::string::npos)
      << files.out;
  EXPECT_EQ(Cli("diff edited.cfg edited.cfg --json").status, 0);

  // A file that does not load is reported as check reports it, and the
  // router is left unregistered.
  WriteFile("bad.cfg", "Line_Targets:\nnot-an-address 1 x75 null 20 0 0 0\n");
  Result bad = Cli("diff 198.51.100.10 bad.cfg");
  EXPECT_EQ(bad.status, 3);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "tarcfg-cli: bad.cfg: Loading error in line 2, column 1. Wrong IP-address!\n");
  EXPECT_TRUE(WaitForState(
      kOpen, [](const QJsonObject& router) { return router["registeredHost"].isNull(); }));
}

}  // namespace
