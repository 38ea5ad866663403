// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the end-to-end tests: tarcfg-cli run in a scratch folder of
// its own inside the virtual LAN (scripts/virtual-lan), which provides
// TARCFG_SETTINGS, TARNEX_SIM_STATE and the demo network: .10 open, .11
// password "secret", .12 held by 198.51.100.2, and a loader without address
// (00-60-1a-10-00-04).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/run_command.h"

namespace tarcfg::e2e {

namespace fs = std::filesystem;

using Result = tarcfg::testing::CommandResult;

class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TARNEX_SIM_STATE"))
      GTEST_SKIP() << "runs only inside scripts/virtual-lan";
    dir = fs::temp_directory_path() / ("tarcfg_e2e_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The history and the scan cache of this test only.
    ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir); }

  Result Cli(const std::string& arguments) {
    return tarcfg::testing::RunCommand(
        "cd '" + dir.string() + "' && '" TARCFG_CLI "' " + arguments + " </dev/null",
        dir / "stderr");
  }

  static std::string ReadFile(const fs::path& path) { return tarcfg::testing::ReadWholeFile(path); }
  void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  // The emulator's state of the router with this hardware address.
  QJsonObject RouterState(const char* hardware) {
    QFile file(QString::fromLocal8Bit(std::getenv("TARNEX_SIM_STATE")));
    if (!file.open(QIODevice::ReadOnly))
      return {};
    const auto routers = QJsonDocument::fromJson(file.readAll()).object()["routers"].toArray();
    for (const auto& r : routers)
      if (r.toObject()["hardware"].toString() == hardware)
        return r.toObject();
    return {};
  }

  // The emulator writes its state after it has handled a datagram; a
  // command's last message (a deregistration) may still be on its way when
  // the command ends, so checks of that wait briefly for it.
  bool WaitForState(const char* hardware, const std::function<bool(const QJsonObject&)>& done) {
    for (int i = 0; i < 50; ++i) {
      if (done(RouterState(hardware)))
        return true;
      ::usleep(100 * 1000);
    }
    return false;
  }

  static std::string Addresses(const QJsonArray& lineTargets) {
    std::string out;
    for (const auto& t : lineTargets)
      out += t.toObject()["address"].toString().toStdString() + " ";
    return out;
  }

  fs::path dir;
};

inline constexpr const char* kOpen = "00-60-1a-10-00-01";
inline constexpr const char* kGuarded = "00-60-1a-10-00-02";
inline constexpr const char* kLoader = "00-60-1a-10-00-04";

// The configuration history a test run keeps, and the router's tables to
// compare it with.
class History : public E2eTest {
 protected:
  fs::path RouterHistory(const char* hardware) { return dir / "state/tarcfg/history" / hardware; }
  std::vector<fs::path> HistoryFiles(const char* hardware) {
    std::vector<fs::path> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(RouterHistory(hardware), ignored))
      files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  // A history file without its comment block: the writer's text.
  static std::string WithoutNote(const std::string& text) {
    const auto end = text.find("\n\n");
    return end == std::string::npos ? std::string() : text.substr(end + 2);
  }
  // The router's three tables as the emulator holds them, every field the
  // protocol carries. Left out: the running accounting counters and the
  // emulator's own label of a line target, which no configuration holds.
  std::string Tables(const char* hardware) {
    const QJsonObject router = RouterState(hardware);
    QJsonArray lineTargets;
    for (const auto& t : router["lineTargets"].toArray()) {
      QJsonObject target = t.toObject();
      target.remove("counters");
      target.remove("name");
      lineTargets.append(target);
    }
    QJsonObject tables;
    tables["lineTargets"] = lineTargets;
    tables["routes"] = router["routes"];
    tables["filters"] = router["filters"];
    return QJsonDocument(tables).toJson().toStdString();
  }
  static constexpr const char* kEdited =
      "Line_Targets:\n"
      "198.51.100.200 0301234567 x75 null 20 0 0 0\n"
      "198.51.100.230 0301 hdlc null 30 1 0 0\n"
      "Routing_Data:\n"
      "0.0.0.0 0.0.0.0 198.51.100.230\n"
      "Filter_Data:\n"
      "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\n";
};

}  // namespace tarcfg::e2e
