// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_history.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>

#include "config/config_comparison.h"
#include "config/protocol_definitions.h"
#include "config/reports.h"

namespace tarcfg {
namespace {

constexpr std::size_t kStampLength = 16;  // "20240501T120000Z"
constexpr int kMaxSameSecond = 9999;

constexpr const char* kTitle = "# Configuration history: the router's configuration as last read";
constexpr const char* kTimeKey = "Time";
constexpr const char* kRouterKey = "Router";
constexpr const char* kOperationKey = "Operation";
constexpr const char* kSendingKey = "Sending";
constexpr const char* kDifferenceKey = "Difference";

std::string SystemError(const std::string& what, const std::string& path, int error) {
  return "cannot " + what + " " + path + ": " + std::strerror(error);
}

// Control characters would break the comment line (a line end would even
// turn the rest into data); tabs are kept, the reader treats them as blanks.
std::string OneLine(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
      c = ' ';
  return out;
}

void AppendField(std::string& out, const char* key, const std::string& value) {
  char label[16];
  std::snprintf(label, sizeof label, "%-10s", key);
  out += "# ";
  out += label;
  out += ": " + OneLine(value) + "\n";
}

// Sortable name parts of "<stamp>[-N].cfg"; false for any other name.
bool ParseFileName(const std::string& name, std::string* stamp, int* sequence) {
  constexpr std::string_view kSuffix = ".cfg";
  if (name.size() < kStampLength + kSuffix.size() ||
      name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
    return false;
  for (std::size_t i = 0; i < kStampLength; ++i) {
    const char c = name[i];
    const bool ok = i == 8 ? c == 'T' : i == 15 ? c == 'Z' : (c >= '0' && c <= '9');
    if (!ok)
      return false;
  }
  const std::string rest = name.substr(kStampLength, name.size() - kStampLength - kSuffix.size());
  int number = 1;
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.size() > 5 || rest[0] != '-' || rest[1] == '0')
      return false;
    number = 0;
    for (std::size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] < '0' || rest[i] > '9')
        return false;
      number = number * 10 + (rest[i] - '0');
    }
    if (number < 2)
      return false;
  }
  *stamp = name.substr(0, kStampLength);
  *sequence = number;
  return true;
}

struct NamedFile {
  std::string name;
  std::string stamp;
  int sequence = 1;
};

// The history files of one folder, newest first.
std::vector<NamedFile> HistoryFiles(const std::string& directory) {
  std::vector<NamedFile> files;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir)
    return files;
  while (const dirent* entry = ::readdir(dir)) {
    NamedFile file;
    file.name = entry->d_name;
    if (ParseFileName(file.name, &file.stamp, &file.sequence))
      files.push_back(std::move(file));
  }
  ::closedir(dir);
  std::sort(files.begin(), files.end(), [](const NamedFile& a, const NamedFile& b) {
    if (a.stamp != b.stamp)
      return a.stamp > b.stamp;
    return a.sequence > b.sequence;
  });
  return files;
}

// Creates `path` and its missing parents, owner-only, as XDG asks of the
// state directory.
bool MakeDirectories(const std::string& path, std::string* error) {
  std::size_t from = 1;
  while (true) {
    const std::size_t slash = path.find('/', from);
    const std::string part = path.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = SystemError("create", part, errno);
      return false;
    }
    if (slash == std::string::npos)
      break;
    from = slash + 1;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = SystemError("create", path, errno ? errno : ENOTDIR);
    return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Puts `temporary` in place as `target` unless `target` exists. 0, or errno.
int LinkWithoutReplacing(const std::string& temporary, const std::string& target) {
  if (::link(temporary.c_str(), target.c_str()) == 0)
    return 0;
  const int error = errno;
  if (error == EEXIST)
    return EEXIST;
  // File systems without hard links: a rename that refuses to replace.
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  return errno == EINVAL || errno == ENOSYS ? error : errno;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos)
    return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string FirstToken(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos)
    return {};
  const std::size_t end = line.find_first_of(" \t\r", first);
  return line.substr(first, end == std::string::npos ? std::string::npos : end - first);
}

// One spelling per router, whatever case the argument had; empty when the
// text is no hardware address.
std::string NormalHardwareAddress(const std::string& text) {
  std::array<std::uint8_t, 6> bytes{};
  if (!ParseHardwareAddress(text, &bytes))
    return {};
  return FormatHardwareAddress(bytes);
}

// "2024-05-01T12:00:00Z" for the stamp "20240501T120000Z".
std::string ReadableTime(const std::string& stamp) {
  return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + "T" +
         stamp.substr(9, 2) + ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2) + "Z";
}

}  // namespace

std::string DefaultHistoryDirectory() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
    return std::string(state) + "/tarcfg/history";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/tarcfg/history";
}

std::string HistoryStamp(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
  return text;
}

HistoryEntry ParseHistoryText(const std::string& text) {
  HistoryEntry entry;
  std::istringstream lines(text);
  std::string line;
  bool header = true;
  int* counter = nullptr;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (header) {
      if (line.empty()) {
        header = false;
        continue;
      }
      const std::size_t colon = line.find(':');
      if (line.rfind("# ", 0) == 0 && colon != std::string::npos) {
        const std::string key = Trim(line.substr(2, colon - 2));
        const std::string value = Trim(line.substr(colon + 1));
        if (key == kTimeKey)
          entry.time = value;
        else if (key == kRouterKey)
          entry.routerName = value;
        else if (key == kOperationKey)
          entry.operation = value;
        else if (key == kSendingKey)
          entry.sending.push_back(value);
        else if (key == kDifferenceKey)
          entry.differences.push_back(value);
      }
    }
    const std::string token = FirstToken(line);
    if (token.empty() || token[0] == '#')
      continue;
    if (token == "Line_Targets:")
      counter = &entry.lineTargets;
    else if (token == "Routing_Data:")
      counter = &entry.routes;
    else if (token == "Filter_Data:")
      counter = &entry.filters;
    else if (counter)
      ++*counter;
  }
  return entry;
}

ConfigHistory::ConfigHistory(std::string directory, int limit, Clock clock)
    : directory_(std::move(directory)), limit_(std::max(limit, 0)), clock_(std::move(clock)) {
  if (!clock_)
    clock_ = [] { return std::chrono::system_clock::now(); };
}

std::string ConfigHistory::RouterDirectory(const std::string& hardwareAddress) const {
  const std::string normal = NormalHardwareAddress(hardwareAddress);
  return normal.empty() ? normal : directory_ + "/" + normal;
}

HistoryKeepResult ConfigHistory::Keep(const std::string& hardwareAddress,
                                      const std::string& configText,
                                      const HistoryNote& note) const {
  HistoryKeepResult result;
  if (!enabled()) {
    result.ok = true;
    return result;
  }
  const std::string folder = RouterDirectory(hardwareAddress);
  if (folder.empty()) {
    result.error = "the router's hardware address is not known";
    return result;
  }
  if (!MakeDirectories(folder, &result.error))
    return result;

  const auto now = clock_();
  const std::string stamp = HistoryStamp(now);
  std::string text = std::string(kTitle) + "\n";
  AppendField(text, kTimeKey, ReadableTime(stamp));
  AppendField(text, kRouterKey,
              NormalHardwareAddress(hardwareAddress) +
                  (note.routerName.empty() ? "" : " " + note.routerName));
  AppendField(text, kOperationKey, note.operation);
  for (const std::string& line : note.sending)
    AppendField(text, kSendingKey, line);
  for (const std::string& line : note.differences)
    AppendField(text, kDifferenceKey, line);
  text += "\n";
  text += configText;

  static unsigned counter = 0;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary =
        folder + "/.keep-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST)
      break;
  }
  if (fd < 0) {
    result.error = SystemError("create a file in", folder, errno);
    return result;
  }
  bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    ::unlink(temporary.c_str());
    result.error = SystemError("write", temporary, error);
    return result;
  }

  for (int sequence = 1; sequence <= kMaxSameSecond; ++sequence) {
    const std::string target = folder + "/" + stamp +
                               (sequence > 1 ? "-" + std::to_string(sequence) : std::string()) +
                               ".cfg";
    const int linked = LinkWithoutReplacing(temporary, target);
    if (linked == EEXIST)
      continue;
    if (linked != 0) {
      ::unlink(temporary.c_str());
      result.error = SystemError("create", target, linked);
      return result;
    }
    result.ok = true;
    result.path = target;
    break;
  }
  ::unlink(temporary.c_str());  // gone already after a rename
  if (!result.ok) {
    result.error = "cannot create a history file in " + folder + ": too many in one second";
    return result;
  }
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }

  // The oldest beyond the limit go; a file that cannot be removed stays and
  // is tried again next time, the new one is kept either way.
  const std::vector<NamedFile> files = HistoryFiles(folder);
  for (std::size_t i = static_cast<std::size_t>(limit_); i < files.size(); ++i) {
    const std::string name = folder + "/" + files[i].name;
    ::unlink(name.c_str());
    // The protocol definitions kept beside it, if any.
    ::unlink((name.substr(0, name.size() - 4) + ".add").c_str());
  }
  return result;
}

HistoryKeepResult ConfigHistory::Keep(const std::string& hardwareAddress,
                                      const LineTargetList& lineTargets, const RouteList& routes,
                                      const FilterList& filters, const RouterParameters& router,
                                      const ConfigContext& context, const HistoryNote& note) const {
  if (!enabled())
    return HistoryKeepResult{true, {}, {}};
  const Configuration kept{lineTargets.Clone(), routes.Clone(), filters.Clone()};
  // Line targets with protocols the tables lack would be left out of the
  // text: they are written with x75_N definitions that state their
  // protocols, and the definitions go beside the file as "<name>.add", to be
  // copied into tarcfg.pro before the file is loaded.
  if (LineTargetsWithUndefinedProtocols(lineTargets, context.tables).empty()) {
    const std::string text = FormatConfigFile(lineTargets, routes, filters, router, context);
    HistoryKeepResult result = Keep(hardwareAddress, text, note);
    if (result.ok)
      Commit(hardwareAddress, text, kept, router.permanentConnection, context, note, result);
    return result;
  }
  const ProtocolCompletion completion = CompleteProtocols(lineTargets, context.tables);
  const ConfigContext extended{completion.tables, context.addresses, context.database};
  std::string definitions =
      std::string(
          "# The protocols of line targets in the .cfg file of the same name;\n"
          "# copy these lines into tarcfg.pro before loading it.\n") +
      completion.definitions;
  for (const int position : completion.unstated) {
    const LineTarget* target = lineTargets.NodeAt(position);
    definitions += "# Not stated (no definition line can say its protocols): line target " +
                   std::to_string(position) + " " + std::string(target->hostName.view()) + " " +
                   std::string(target->phoneNumber.view()) + "\n";
  }
  const std::string text =
      FormatConfigFile(completion.lineTargets, routes, filters, router, extended);
  HistoryKeepResult result = Keep(hardwareAddress, text, note);
  if (!result.ok || result.path.size() < 4)
    return result;
  const std::string path = result.path.substr(0, result.path.size() - 4) + ".add";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool written = fd >= 0 && WriteAll(fd, definitions);
  const int error = errno;
  if (fd >= 0 && ::close(fd) != 0)
    written = false;
  if (!written) {
    result.ok = false;
    result.error = SystemError("write", path, fd < 0 ? error : errno);
    return result;
  }
  Commit(hardwareAddress, text, kept, router.permanentConnection, context, note, result);
  return result;
}

void ConfigHistory::Commit(const std::string& hardwareAddress, const std::string& configText,
                           const Configuration& kept, int permanentConnection,
                           const ConfigContext& context, const HistoryNote& note,
                           HistoryKeepResult& result) const {
  if (!IsHistoryRepository(directory_))
    return;
  const std::string normal = NormalHardwareAddress(hardwareAddress);
  const std::string fileName = normal + ".cfg";
  const std::string path = directory_ + "/" + fileName;
  // The differences from the version this router's file holds now: the one
  // committed last, unless that commit failed.
  std::string summary = "first version";
  if (std::ifstream in{path, std::ios::binary}) {
    std::ostringstream previousText;
    previousText << in.rdbuf();
    Configuration previous;
    const ConfigReadResult read =
        ReadConfigFileQuietly(path, permanentConnection, context, previous);
    if (previousText.str() == configText)
      summary = "no differences";
    else if (read.code == kConfigOk) {
      // The router parameters too, where both texts state them.
      const std::optional<RouterParameters> before = RouterSectionOf(previousText.str());
      const std::optional<RouterParameters> after = RouterSectionOf(configText);
      summary = SummarizeComparison(
          CompareConfigurations(previous, kept, PlanTexts{context.tables, context.database},
                                before ? &*before : nullptr, after ? &*after : nullptr));
    } else
      summary = "differences not counted: the previous version does not load";
  }
  std::string workstation = note.hostName;
  if (!note.ownAddress.empty())
    workstation += workstation.empty() ? note.ownAddress : " (" + note.ownAddress + ")";
  const std::string message = RepositoryCommitMessage(
      RepositoryNote{OneLine(normal + (note.routerName.empty() ? "" : " " + note.routerName)),
                     OneLine(note.operation), OneLine(workstation.empty() ? "?" : workstation)},
      summary);
  result.repositoryError =
      CommitHistoryFile(directory_, fileName, configText, message, note.hostName);
  result.committed = result.repositoryError.empty();
}

RepositoryInitResult ConfigHistory::InitRepository() const {
  RepositoryInitResult result;
  if (!MakeDirectories(directory_, &result.error))
    return result;
  return InitGitRepository(directory_);
}

std::vector<HistoryEntry> ConfigHistory::List(const std::string& hardwareAddress) const {
  std::vector<HistoryEntry> entries;
  const std::string folder = RouterDirectory(hardwareAddress);
  if (folder.empty())
    return entries;
  for (const NamedFile& file : HistoryFiles(folder)) {
    const std::string path = folder + "/" + file.name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
      continue;
    std::ostringstream text;
    text << in.rdbuf();
    HistoryEntry entry = ParseHistoryText(text.str());
    entry.path = path;
    entry.fileName = file.name;
    if (entry.time.empty())  // a file edited by hand: its name still tells
      entry.time = ReadableTime(file.stamp);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace tarcfg
