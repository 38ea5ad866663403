// SPDX-License-Identifier: GPL-3.0-or-later
// Router Configuration's parameter and password writes keep the router's
// configuration in the history first; without history nothing is sent
// unless the user agrees.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "protocol/wire.h"
#include "shell/shell_test_support.h"

namespace tarcfg::testing {
namespace {

namespace fs = std::filesystem;

class RouterHistoryTest : public ShellTest {
 protected:
  void SetUp() override {
    UseRouters({OpenRouter("198.51.100.10", 1)});
    StartWindow();
    RegisterRow(0);
    ASSERT_TRUE(window_->registered());
    network_.ClearLog();
  }
  fs::path RouterFolder() { return directory_ / "history" / "00-60-1a-10-00-01"; }
  std::vector<fs::path> HistoryFiles() {
    std::vector<fs::path> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(RouterFolder(), ignored))
      files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  static std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(RouterHistoryTest, ParameterWriteKeepsTheConfigurationAsReadFirst) {
  const std::string asRead = FormatConfigFile(
      context_->savedConfiguration->lineTargets, context_->savedConfiguration->routes,
      context_->savedConfiguration->filters, context_->selected.current, context_->configContext());
  const std::string phone = context_->selected.current.phoneNumber.str();
  EditWith([](RouterParameters& p) {
    p.phoneNumber = "0309999";
    p.password = "newpass";
  });
  const auto files = HistoryFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string kept = ReadAll(files[0]);
  EXPECT_NE(kept.find("# Router    : 00-60-1a-10-00-01 198.51.100.10\n# Operation : Router "
                      "Configuration\n# Sending   : phone number: " +
                      phone + " -> 0309999\n# Sending   : password: changed\n\n"),
            std::string::npos)
      << kept;
  EXPECT_EQ(kept.find("newpass"), std::string::npos) << "a password is never kept";
  EXPECT_EQ(kept.substr(kept.find("\n\n") + 2), asRead);
  EXPECT_EQ(SentByTool(command::kChangePassword).size(), 1u);
  EXPECT_EQ(context_->selected.current.phoneNumber, "0309999");
}

TEST_F(RouterHistoryTest, WithoutHistoryNoSendsNothingAndYesWritesAnyway) {
  std::ofstream(directory_ / "history") << "a file where the folder should be\n";
  messages_.answers = {false};
  EditWith([](RouterParameters& p) { p.phoneNumber = "0309999"; });
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith(
      "The router's configuration could not be kept in the history:\n"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(SentByTool(command::kWriteParameters).empty());
  EXPECT_NE(context_->selected.current.phoneNumber, "0309999");

  messages_.shown.clear();
  messages_.answers = {true};
  EditWith([](RouterParameters& p) { p.phoneNumber = "0309999"; });
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 1u);
  EXPECT_EQ(context_->selected.current.phoneNumber, "0309999");
}

// A history folder whose git repository takes no commit (its index locked)
// keeps every version in the timestamped files; the user is told once per run.
TEST_F(RouterHistoryTest, AnUncommittableRepositoryIsSaidOnceAndStopsNothing) {
  fs::create_directories(directory_ / "history");
  ASSERT_TRUE(InitGitRepository((directory_ / "history").string()).ok);
  std::ofstream(directory_ / "history" / ".git" / "index.lock") << "";
  EditWith([](RouterParameters& p) { p.phoneNumber = "0309999"; });
  EditWith([](RouterParameters& p) { p.phoneNumber = "0308888"; });
  EXPECT_EQ(HistoryFiles().size(), 2u);
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 2u);
  EXPECT_EQ(context_->selected.current.phoneNumber, "0308888");
  // Besides the two "saved in the router" messages, one about the repository.
  const auto said = std::count_if(messages_.shown.begin(), messages_.shown.end(), [](auto& m) {
    return m.text.startsWith(
        "The router's configuration was kept in the history, but it could "
        "not be committed to the history folder's git repository:\ngit add: ");
  });
  EXPECT_EQ(said, 1);
  EXPECT_EQ(messages_.shown.size(), 3u);
}

TEST_F(RouterHistoryTest, LimitZeroKeepsNothingAndAsksNothing) {
  context_->settings.historyLimit = 0;
  EditWith([](RouterParameters& p) { p.phoneNumber = "0309999"; });
  EXPECT_FALSE(fs::exists(directory_ / "history"));
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 1u);
}

}  // namespace
}  // namespace tarcfg::testing
