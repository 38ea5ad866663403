// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/history_repository.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace tarcfg {
namespace {

struct GitRun {
  int startError = 0;  // errno when git could not be started
  int status = -1;     // exit status; -1 when it did not exit normally
  std::string output;  // standard output and error together
  bool succeeded() const { return startError == 0 && status == 0; }
};

// Runs `git -C directory arguments...` without a shell, standard input from
// /dev/null. Variables that would point git elsewhere than the history
// folder (set when the tool runs from a git hook) are left out of its
// environment.
GitRun RunGit(const std::string& directory, const std::vector<std::string>& arguments) {
  GitRun run;
  std::vector<std::string> words{"git", "-C", directory};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** variable = environ; variable && *variable; ++variable) {
    const std::string_view text(*variable);
    if (text.starts_with("GIT_DIR=") || text.starts_with("GIT_WORK_TREE=") ||
        text.starts_with("GIT_INDEX_FILE="))
      continue;
    envp.push_back(*variable);
  }
  envp.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    run.startError = errno;
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, "git", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    run.startError = spawned;
    return run;
  }
  char buffer[4096];
  while (true) {
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got > 0) {
      if (run.output.size() < 65536)
        run.output.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return run;
  }
  if (WIFEXITED(status))
    run.status = WEXITSTATUS(status);
  return run;
}

// Why a run failed, in one line: git's first "fatal:" or "error:" line,
// else its last line, else the exit status.
std::string Failure(const std::string& command, const GitRun& run) {
  if (run.startError != 0)
    return std::string("cannot run git: ") + std::strerror(run.startError);
  std::string chosen, last;
  std::size_t from = 0;
  while (from < run.output.size()) {
    std::size_t end = run.output.find('\n', from);
    if (end == std::string::npos)
      end = run.output.size();
    const std::string line = run.output.substr(from, end - from);
    from = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string::npos)
      continue;
    last = line;
    if (chosen.empty() && (line.starts_with("fatal:") || line.starts_with("error:")))
      chosen = line;
  }
  if (chosen.empty())
    chosen = last;
  if (chosen.empty())
    chosen = run.status < 0 ? std::string("ended by a signal")
                            : "exit status " + std::to_string(run.status);
  return command + ": " + chosen;
}

// The mail domain of the fallback identity: the host name, if it is one.
std::string MailHost(const std::string& hostName) {
  if (hostName.empty())
    return "localhost";
  for (const char c : hostName)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.')
      return "localhost";
  return hostName;
}

// "-c user.name=tarcfg" and "-c user.email=tarcfg@HOST" for what git lacks
// to make a commit; nothing where the user's identity is known.
std::vector<std::string> FallbackIdentity(const std::string& directory,
                                          const std::string& hostName) {
  std::vector<std::string> options;
  if (RunGit(directory, {"var", "GIT_COMMITTER_IDENT"}).succeeded())
    return options;
  if (!RunGit(directory, {"config", "--get", "user.name"}).succeeded())
    options.insert(options.end(), {"-c", "user.name=tarcfg"});
  if (!RunGit(directory, {"config", "--get", "user.email"}).succeeded())
    options.insert(options.end(), {"-c", "user.email=tarcfg@" + MailHost(hostName)});
  return options;
}

// Replaces `path` with `text` atomically, readable by the owner only (line
// targets' identifications are in clear). Empty, or why not.
std::string ReplaceFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0)
    return "cannot create " + temporary + ": " + std::strerror(errno);
  std::size_t done = 0;
  bool written = true;
  while (written && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno != EINTR)
      written = false;
    else if (n > 0)
      done += static_cast<std::size_t>(n);
  }
  int error = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && ::rename(temporary.c_str(), path.c_str()) == 0)
    return {};
  if (written)
    error = errno;
  ::unlink(temporary.c_str());
  return "cannot write " + path + ": " + std::strerror(error);
}

}  // namespace

bool IsHistoryRepository(const std::string& directory) {
  struct stat info {};
  return ::stat((directory + "/.git").c_str(), &info) == 0;
}

RepositoryInitResult InitGitRepository(const std::string& directory) {
  RepositoryInitResult result;
  if (IsHistoryRepository(directory)) {
    result.ok = result.existed = true;
    return result;
  }
  const GitRun run = RunGit(directory, {"init", "--quiet"});
  if (!run.succeeded()) {
    result.error = Failure("git init", run);
    return result;
  }
  // The timestamped files stay out of `git status`: they are the history's
  // own, the committed file is the one per router.
  const std::string info = directory + "/.git/info";
  ::mkdir(info.c_str(), 0700);
  const int fd =
      ::open((info + "/exclude").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  constexpr std::string_view kExclude =
      "# tarcfg: the per-router folders of timestamped history files\n/*/\n";
  if (fd >= 0) {
    if (::write(fd, kExclude.data(), kExclude.size()) < 0) {
      // The repository works without it; only `git status` is longer.
    }
    ::close(fd);
  }
  result.ok = true;
  return result;
}

std::string RepositoryCommitMessage(const RepositoryNote& note, const std::string& summary) {
  return note.router + ": " + summary + "\n\nRouter:      " + note.router +
         "\nKept before: " + note.operation + "\nWorkstation: " + note.workstation +
         "\nChanges:     " + summary + "\n";
}

std::string CommitHistoryFile(const std::string& directory, const std::string& fileName,
                              const std::string& text, const std::string& message,
                              const std::string& hostName) {
  // A commit on a detached HEAD would belong to no branch and be lost to
  // `git log` and `git push`.
  const GitRun head = RunGit(directory, {"symbolic-ref", "--quiet", "HEAD"});
  if (head.startError != 0)
    return Failure("git symbolic-ref", head);
  if (head.status == 1)
    return "HEAD is detached; check out a branch in " + directory + " to commit there";
  if (head.status != 0)
    return Failure("git symbolic-ref", head);
  if (std::string error = ReplaceFile(directory + "/" + fileName, text); !error.empty())
    return error;
  const GitRun add = RunGit(directory, {"add", "--", fileName});
  if (!add.succeeded())
    return Failure("git add", add);
  std::vector<std::string> commit = FallbackIdentity(directory, hostName);
  commit.insert(commit.end(),
                {"commit", "--quiet", "--allow-empty", "-m", message, "--", fileName});
  const GitRun committed = RunGit(directory, commit);
  if (!committed.succeeded())
    return Failure("git commit", committed);
  return {};
}

}  // namespace tarcfg
