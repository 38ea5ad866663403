// SPDX-License-Identifier: GPL-3.0-or-later
// A save that is cut short by the death of the process must leave the file
// as it was: the old configuration, byte for byte, or (once the rename has
// happened) the whole new one, never a mixture or a truncated file.
//
// The child process saves under ptrace and is killed with SIGKILL on entry to
// its N-th system call, for every N from the first call of the save to the
// last, so every point between two steps of the save is tried. A second case
// kills it with SIGXFSZ in the middle of writing the data itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "config/config_file.h"
#include "config/file_test_support.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::ScratchDirectory;

// What the child tells about itself when it ends.
enum class ChildEnd { kSavedAndExited, kExitedWithFailure, kKilled, kTracingUnavailable };

class ConfigSaveKillTest : public ::testing::Test {
 protected:
  // The largest configuration a router holds: 30 line targets, 64 routes and
  // 64 filters, `variant` making the two versions differ in every table.
  void Fill(Configuration& configuration, int variant) {
    for (int i = 0; i < 30; ++i) {
      LineTarget target;
      target.hostName = ("10." + std::to_string(variant) + ".0." + std::to_string(i + 1)).c_str();
      target.phoneNumber = ("0301" + std::to_string(variant) + std::to_string(1000 + i)).c_str();
      target.layer2Protocol = 0;
      target.layer2Base = kLayer2BaseX75;
      target.layer3Protocol = 0;
      target.timeout = 20 + variant;
      target.remoteIdentification = "remote/secret";
      target.localIdentification = "local/secret";
      configuration.lineTargets.Append(target);
    }
    for (int i = 0; i < 64; ++i) {
      RouteEntry route;
      route.netmask = "255.255.255.0";
      route.match =
          ("172." + std::to_string(16 + variant) + "." + std::to_string(i) + ".0").c_str();
      route.gateway =
          ("10." + std::to_string(variant) + ".0." + std::to_string(i % 30 + 1)).c_str();
      configuration.routes.Append(route);
    }
    for (int i = 0; i < 63; ++i) {
      FilterEntry filter;
      filter.sendNetmask = "255.255.255.255";
      filter.sendMatch = ("192.168." + std::to_string(variant) + "." + std::to_string(i)).c_str();
      filter.receiveNetmask = "0.0.0.0";
      filter.receiveMatch = "0.0.0.0";
      filter.protocol = 6;
      filter.port = 1000 + i;
      filter.action = i % 2;
      configuration.filters.Append(filter);
    }
    FilterEntry last;
    last.sendNetmask = last.sendMatch = last.receiveNetmask = last.receiveMatch = "0.0.0.0";
    last.action = variant % 2;
    configuration.filters.Append(last);
  }

  ConfigSaveKillTest() {
    router.name = "router1.example";
    router.netmask = "255.255.255.0";
    router.phoneNumber = "030123456";
    router.dChannelProtocol = 1;
    router.firmwareVersion = "2.31";
    Fill(oldConfiguration, 1);
    Fill(newConfiguration, 2);
    oldText = Format(oldConfiguration);
    newText = Format(newConfiguration);
  }

  std::string Format(const Configuration& configuration) {
    return FormatConfigFile(configuration.lineTargets, configuration.routes, configuration.filters,
                            router, context);
  }

  bool SaveNew(const std::string& path) {
    return static_cast<bool>(WriteConfigFile(path, newConfiguration.lineTargets,
                                             newConfiguration.routes, newConfiguration.filters,
                                             router, context));
  }

  // Saves the new configuration in a child that is killed on entry to its
  // `killAt`-th system call after it starts the save (0: never killed).
  ChildEnd SaveInTracedChild(const std::string& path, int killAt) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
      return ChildEnd::kTracingUnavailable;
    if (child == 0) {
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
        ::_exit(3);
      ::raise(SIGSTOP);
      ::_exit(SaveNew(path) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
      return ChildEnd::kTracingUnavailable;
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int calls = 0;
    bool entering = true;
    for (;;) {
      if (::ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0)
        break;
      if (::waitpid(child, &status, 0) != child)
        break;
      if (WIFEXITED(status))
        return WEXITSTATUS(status) == 0 ? ChildEnd::kSavedAndExited : ChildEnd::kExitedWithFailure;
      if (WIFSIGNALED(status))
        return ChildEnd::kKilled;
      if (WIFSTOPPED(status) && WSTOPSIG(status) == (SIGTRAP | 0x80)) {
        if (entering && ++calls == killAt) {
          ::kill(child, SIGKILL);
          ::waitpid(child, &status, 0);
          return ChildEnd::kKilled;
        }
        entering = !entering;
      }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return ChildEnd::kKilled;
  }

  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  RouterParameters router;
  Configuration oldConfiguration;
  Configuration newConfiguration;
  std::string oldText;
  std::string newText;
};

TEST_F(ConfigSaveKillTest, KilledAtAnySystemCallTheFileIsTheOldOneOrTheWholeNewOne) {
  ASSERT_NE(oldText, newText);
  ScratchDirectory directory;
  const std::string path = directory.File("router.cfg");

  int killedWithOldFile = 0;
  int killedWithNewFile = 0;
  bool finished = false;
  for (int killAt = 1; killAt < 2000 && !finished; ++killAt) {
    testing::WriteText(path, oldText);
    const ChildEnd end = SaveInTracedChild(path, killAt);
    if (end == ChildEnd::kTracingUnavailable)
      GTEST_SKIP() << "system calls of a child process cannot be traced here";
    ASSERT_NE(end, ChildEnd::kExitedWithFailure) << "the save failed without being killed";
    finished = end == ChildEnd::kSavedAndExited;

    const std::string now = ReadText(path);
    if (now == oldText) {
      ASSERT_FALSE(finished) << "a completed save left the old file";
      ++killedWithOldFile;
    } else {
      ASSERT_EQ(now, newText) << "killed at system call " << killAt
                              << " the file is neither the old nor the new configuration";
      if (!finished)
        ++killedWithNewFile;
    }

    // Whatever was left behind, the file still reads as a configuration.
    Configuration read;
    testing::TraceCapture trace;
    EXPECT_EQ(ReadConfigFile(path, 0, context, read, trace.file()).code, kConfigOk) << killAt;
    EXPECT_EQ(read.routes.count(), 64u);
  }
  ASSERT_TRUE(finished) << "the save never completed under tracing";
  // The save takes several system calls before its rename, and makes the
  // rename durable after it, so both outcomes of a kill must have been seen.
  EXPECT_GT(killedWithOldFile, 2);
  EXPECT_GT(killedWithNewFile, 0);

  // A later save in a process that lives goes through despite the left-overs.
  testing::WriteText(path, oldText);
  ASSERT_TRUE(SaveNew(path));
  EXPECT_EQ(ReadText(path), newText);
}

TEST_F(ConfigSaveKillTest, KilledWhileWritingTheDataTheOldFileStays) {
  ScratchDirectory directory;
  const std::string path = directory.File("router.cfg");
  // Limits below, at and beyond the page size cut the write at different
  // points; the signal for exceeding the file size limit kills the process.
  for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{4096}, rlim_t{newText.size() / 2},
                             rlim_t{newText.size() - 1}}) {
    testing::WriteText(path, oldText);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct rlimit noCore {
        0, 0
      };
      ::setrlimit(RLIMIT_CORE, &noCore);
      struct rlimit fileSize {
        limit, limit
      };
      ::setrlimit(RLIMIT_FSIZE, &fileSize);
      ::_exit(SaveNew(path) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "limit " << limit << " status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadText(path), oldText) << "limit " << limit;
  }
}

}  // namespace
}  // namespace tarcfg
