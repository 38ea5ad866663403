// SPDX-License-Identifier: GPL-3.0-or-later
// A history folder that is a git repository: each configuration kept from
// memory is committed at one path per router, with the router, the
// operation, the workstation and the differences in the message; a
// repository that takes no commit never costs the kept version.
#include "config/history_repository.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <list>
#include <string>

#include "config/config_history.h"
#include "config/file_test_support.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::ScratchDirectory;
using testing::WriteText;

namespace fs = std::filesystem;

constexpr const char* kRouter = "00-60-1a-10-00-01";

// Sets an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    had_ = std::getenv(name) != nullptr;
    ::setenv(name, value.c_str(), 1);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;
  ~ScopedVariable() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

LineTarget Target(const char* address, const char* phone) {
  LineTarget target;
  target.hostName = address;
  target.phoneNumber = phone;
  target.layer2Protocol = 0;
  target.layer3Protocol = 0;
  const ProtocolTables tables;  // as the reader sets them for protocols 0
  target.layer2Base = tables.Layer2At(0)->base;
  target.layer3Type = tables.Layer3At(0)->type;
  target.timeout = 20;
  return target;
}

class HistoryRepositoryTest : public ::testing::Test {
 public:
  void SetUp() override {
    // No identity anywhere and none guessed: the fallback identity is used.
    WriteText(dir.File("gitconfig"), "[user]\n\tuseConfigOnly = true\n");
    configured.emplace_back("GIT_CONFIG_GLOBAL", dir.File("gitconfig"));
    configured.emplace_back("GIT_CONFIG_NOSYSTEM", "1");
    configuration.lineTargets.Append(Target("198.51.100.200", "0301234567"));
    configuration.lineTargets.Append(Target("198.51.100.201", "0891234567"));
    configuration.filters.Append(DefaultFilterReject());
    router.name = "198.51.100.10";
  }

  std::string Folder() { return dir.File("history"); }
  ConfigHistory History() { return ConfigHistory(Folder(), kDefaultHistoryLimit); }
  HistoryKeepResult Keep() {
    return History().Keep(
        kRouter, configuration.lineTargets, configuration.routes, configuration.filters, router,
        context, HistoryNote{"198.51.100.10", "Line Targets OK", {}, "ws1", "198.51.100.1"});
  }
  std::string Git(const std::string& arguments) {
    std::string output;
    if (std::FILE* pipe = ::popen(("git -C '" + Folder() + "' " + arguments).c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
      ::pclose(pipe);
    }
    return output;
  }
  void ChangeModes(const char* modes) {
    ASSERT_EQ(std::system(("chmod -R " + std::string(modes) + " '" + Folder() + "/.git'").c_str()),
              0);
  }
  int Commits() { return std::atoi(Git("rev-list --count HEAD 2>/dev/null").c_str()); }

  ScratchDirectory dir;
  std::list<ScopedVariable> configured;
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  Configuration configuration;
  RouterParameters router;
};

TEST_F(HistoryRepositoryTest, EachKeptVersionIsCommittedAtTheRoutersPath) {
  const RepositoryInitResult made = History().InitRepository();
  ASSERT_TRUE(made.ok) << made.error;
  EXPECT_FALSE(made.existed);
  EXPECT_TRUE(History().InitRepository().existed);

  HistoryKeepResult kept = Keep();
  ASSERT_TRUE(kept.ok && kept.committed) << kept.error << kept.repositoryError;
  LineTarget* second = configuration.lineTargets.NodeAt(2);
  ASSERT_NE(second, nullptr);
  second->phoneNumber = "0899999";
  RouteEntry route;
  route.netmask = "0.0.0.0";
  route.match = "0.0.0.0";
  route.gateway = "198.51.100.200";
  configuration.routes.Append(route);
  router.phoneNumber = "0301999";
  kept = Keep();
  ASSERT_TRUE(kept.ok && kept.committed) << kept.error << kept.repositoryError;

  EXPECT_EQ(Git("log --format='%an <%ae>|%s'"),
            "tarcfg <tarcfg@ws1>|00-60-1a-10-00-01 198.51.100.10: 1 line target changed, "
            "1 route added, router parameters changed\n"
            "tarcfg <tarcfg@ws1>|00-60-1a-10-00-01 198.51.100.10: first version\n");
  const std::string body = Git("log -1 --format=%b");
  EXPECT_NE(body.find("Kept before: Line Targets OK\n"), std::string::npos) << body;
  EXPECT_NE(body.find("Workstation: ws1 (198.51.100.1)\n"), std::string::npos) << body;
  // One path per router, holding the kept text; the timestamped files stay
  // out of the repository and the listing shows them alone.
  EXPECT_EQ(Git("ls-files"), std::string(kRouter) + ".cfg\n");
  EXPECT_EQ(Git("status --porcelain"), "");
  EXPECT_EQ(ReadText(Folder() + "/" + kRouter + ".cfg"),
            FormatConfigFile(configuration.lineTargets, configuration.routes, configuration.filters,
                             router, context));
  EXPECT_EQ(History().List(kRouter).size(), 2u);

  // A version equal to the last is committed too: every kept version is one.
  kept = Keep();
  ASSERT_TRUE(kept.committed) << kept.repositoryError;
  EXPECT_EQ(Git("log -1 --format=%s"), "00-60-1a-10-00-01 198.51.100.10: no differences\n");
}

TEST_F(HistoryRepositoryTest, AFolderThatIsNoRepositoryGetsNoCommit) {
  const HistoryKeepResult kept = Keep();
  ASSERT_TRUE(kept.ok);
  EXPECT_FALSE(kept.committed);
  EXPECT_EQ(kept.repositoryError, "");
  EXPECT_FALSE(fs::exists(Folder() + "/" + kRouter + ".cfg"));
}

// Whatever keeps the repository from taking the commit, the version is kept
// in the timestamped files and the result says why.
TEST_F(HistoryRepositoryTest, ARepositoryThatTakesNoCommitCostsNoVersion) {
  struct Case {
    const char* name;
    std::function<void(HistoryRepositoryTest&)> spoil;
    const char* says;
  };
  const Case cases[] = {
      {"locked index",
       [](HistoryRepositoryTest& t) { WriteText(t.Folder() + "/.git/index.lock", ""); },
       "index.lock"},
      {"detached HEAD", [](HistoryRepositoryTest& t) { t.Git("checkout -q --detach"); },
       "HEAD is detached"},
      {"read-only repository", [](HistoryRepositoryTest& t) { t.ChangeModes("a-w"); },
       "git add: fatal:"},
      {"git missing",
       [](HistoryRepositoryTest& t) {
         t.configured.emplace_back("PATH", t.dir.File("no-programs"));
       },
       "cannot run git: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "read-only repository" && ::geteuid() == 0)
      continue;  // root writes into read-only folders
    fs::remove_all(Folder());
    ASSERT_TRUE(History().InitRepository().ok);
    ASSERT_TRUE(Keep().committed);
    c.spoil(*this);
    const std::size_t before = History().List(kRouter).size();
    const HistoryKeepResult kept = Keep();
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_FALSE(kept.committed);
    EXPECT_NE(kept.repositoryError.find(c.says), std::string::npos) << kept.repositoryError;
    EXPECT_EQ(kept.repositoryError.find('\n'), std::string::npos) << kept.repositoryError;
    EXPECT_TRUE(fs::exists(kept.path));
    EXPECT_EQ(History().List(kRouter).size(), before + 1);
    if (std::string(c.name) == "git missing")
      configured.pop_back();
    ChangeModes("u+w");
    EXPECT_EQ(Commits(), 1);
  }
}

}  // namespace
}  // namespace tarcfg
