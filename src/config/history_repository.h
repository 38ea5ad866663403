// SPDX-License-Identifier: GPL-3.0-or-later
// The history folder as a git repository. When the user has made the folder
// one (`git init` there, or `tarcfg-cli history --git-init`), every
// configuration the history keeps is also committed: one file per router at
// the folder's top, "<hardware address>.cfg", overwritten with the kept
// configuration and committed alone, so that `git log -p` of that file is the
// router's history and `git push` takes the archive elsewhere. The
// timestamped files stay the history's own record: a commit that fails never
// stops a version from being kept there.
//
// The commits are made by running the git program (an argument vector, no
// shell) rather than through libgit2: no library is linked into the core for
// it, and the user's own git configuration, hooks, commit signing and
// safe.directory apply exactly as to the user's own commits, with the error
// messages users know. Where no identity is configured the commit is made as
// "tarcfg <tarcfg@HOST>", so that a fresh machine still commits.
#pragma once

#include <string>

#include "config/configuration.h"

namespace tarcfg {

// True when `directory` is itself the top of a git repository (holds
// ".git"); a repository further up, such as a home folder kept in git, does
// not count.
bool IsHistoryRepository(const std::string& directory);

struct RepositoryInitResult {
  bool ok = false;
  bool existed = false;  // it was a repository already; nothing was done
  std::string error;
};

// Makes the existing `directory` a git repository whose status leaves out
// the per-router folders of timestamped files.
RepositoryInitResult InitGitRepository(const std::string& directory);

// What a commit message says besides the differences.
struct RepositoryNote {
  std::string router;       // "00-60-1a-10-00-01 198.51.100.10"
  std::string operation;    // what the version was kept before
  std::string workstation;  // "ws1 (198.51.100.1)"
};

// "<router>: <summary>" and, after a blank line, one field per line.
std::string RepositoryCommitMessage(const RepositoryNote& note, const std::string& summary);

// Writes `text` to <directory>/<fileName> (owner-only, replacing it
// atomically) and commits that file alone with `message`. `hostName` names
// the fallback identity's mail domain. Empty when committed; otherwise why
// not, in one line.
std::string CommitHistoryFile(const std::string& directory, const std::string& fileName,
                              const std::string& text, const std::string& message,
                              const std::string& hostName);

// One line on how `kept` differs from `previous`, counted from the write
// plan between them: "2 line targets changed, 1 route added", or "no
// differences in the tables".
std::string DifferenceSummary(const Configuration& previous, const Configuration& kept);

}  // namespace tarcfg
