// SPDX-License-Identifier: GPL-3.0-or-later
// The ".cfg" writer: a commented text file that the reader loads back and
// that stays readable and editable by hand.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/operating_modes.h"
#include "config/string_table.h"

namespace tarcfg {
namespace {

// A layer-3 column for a line target whose layer-3 reference is missing. It
// is one token, never empty (an empty column would shift the following
// fields to the left), and never a protocol name, so the reader refuses the
// line with "Wrong protocol!" right at this column instead of loading a guess.
constexpr const char* kMissingLayer3Name = "?";
constexpr int kStringWritingFailed = 40014;

[[gnu::format(printf, 2, 3)]] void Append(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.append(buffer.data(), static_cast<std::size_t>(size));
  }
  va_end(args);
}

const char* DChannelText(const RouterParameters& router) {
  return DChannelProtocolName(router.dChannelProtocol);
}

void AppendRouterSection(std::string& out, const RouterParameters& router) {
  out += "#\n# Tarnex Router Configuration File\n#\n#\n";
  out += "# The Entries of a Line must be separated by Blanks or Tabs \n#\n\n";
  out += "# Router Configuration:\n#\n";
  Append(out, "# Router Name / IP-Address: %s\n", router.name.c_str());
  Append(out, "# Netmask                 : %s\n", router.netmask.c_str());
  Append(out, "# Router Telephone Number : %s\n", router.phoneNumber.c_str());
  if (router.firmwareVersion.empty()) {
    out += "# Firmware                : ? / ?\n";
  } else if (router.permanentConnection == 0) {
    Append(out, "# Firmware                : %s / %s\n", router.firmwareVersion.c_str(),
           DChannelText(router));
  } else if (FindPermanentMode(router.permanentConnection)) {
    Append(out, "# Firmware                : %s / %s / %s\n", router.firmwareVersion.c_str(),
           DChannelText(router), PermanentConnectionName(router.permanentConnection));
  }
  out += "#\n\n";
}

void AppendProtocolSection(std::string& out, const ProtocolTables& tables) {
  out += "# The defined Protocols are:\n#\n";
  out += "# Name         | Definition\n";
  out += "# -------------+-------------------------------------------\n";
  for (const Layer2Protocol& entry : tables.layer2()) {
    const Layer2Parameters& p = entry.parameters;
    const char* format = nullptr;
    if (entry.base == kLayer2BaseX75) {
      format = "# %-12s | base=x75 blocksize=%u addr_a=%u addr_b=%u modulo=%u windowsize=%u\n";
    } else if (entry.base == kLayer2BaseHdlc) {
      format = "# %-12s | base=hdlc blocksize=%u addr_a=%u addr_b=%u modulo=%u windowsize=%u\n";
    }
    if (format) {
      Append(out, format, entry.name.c_str(), static_cast<unsigned>(p.blockSize),
             static_cast<unsigned>(p.addressA), static_cast<unsigned>(p.addressB),
             static_cast<unsigned>(p.modulo), static_cast<unsigned>(p.windowSize));
    } else if (entry.base == kLayer2BasePpp) {
      Append(out, "# %-12s | base=ppp\n", entry.name.c_str());
    }
  }
  out += "#\n\n";
}

void AppendLineTargetSection(std::string& out, const LineTargetList& lineTargets,
                             const ProtocolTables& tables) {
  out += "Line_Targets:\n\n";
  out += "# M = Only Manual   B = B-Chanal Bundling   C = Compression  (1 = On / 0 = Off)\n";
  out += "#\n#Example:\n";
  Append(out, "%-20s %-20s %-11s %-11s %-5s 0 1 0 %-30s %-30s\n#\n", "#124.50.16.101", "011223344",
         "x75", "null", "20", "alba/seno", "alba/seno");
  Append(out, "%-20s %-20s %-11s %-11s %-5s M B C %-30s %-30s\n", "#Hostname", "Phone Number",
         "Proto2", "Proto3", "Time", "Sender Password", "Receiver Password");
  for (const LineTarget& target : lineTargets) {
    // A target without a layer-2 entry (an undefined protocol) is left out.
    const Layer2Protocol* layer2 = tables.Layer2At(target.layer2Protocol);
    if (!layer2)
      continue;
    const Layer3Protocol* layer3 = tables.Layer3At(target.layer3Protocol);
    Append(out, "%-20s %-20s %-11s %-11s ", target.hostName.c_str(), target.phoneNumber.c_str(),
           layer2->name.c_str(), layer3 ? layer3->name.c_str() : kMissingLayer3Name);
    Append(out, "%-5d %1d %1d %1d %-30s %-30s\n", target.timeout, target.manualOnly,
           target.channelBundling, target.compression, target.remoteIdentification.c_str(),
           target.localIdentification.c_str());
  }
}

void AppendRouteSection(std::string& out, const RouteList& routes) {
  out += "\n\nRouting_Data:\n";
  out += "\n#Example:\n";
  Append(out, "%-15s %-15s %-20s\n", "#255.255.255.0", "124.50.16.0", "124.50.16.101");
  Append(out, "#\n%-15s %-15s %-20s\n", "#Netmask", "Match", "Gateway");
  for (const RouteEntry& route : routes)
    Append(out, "%-15s %-15s %-20s\n", route.netmask.c_str(), route.match.c_str(),
           route.gateway.c_str());
}

void AppendFilterSection(std::string& out, const FilterList& filters, NetDatabase& database) {
  out += "\n\nFilter_Data:\n\n";
  out += "# Action = 1 -> accept          Action = 0 -> reject\n#\n";
  out += "#Example:\n";
  Append(out, "%-15s %-15s %-15s %-15s %-10s %s\n#\n", "#0.0.0.0", "0.0.0.0", "255.255.255.0",
         "124.50.16.0", "ftp", "0");
  Append(out, "%-15s %-15s %-15s %-15s %-10s %s\n", "#Send Netmask", "Send Match",
         "Receive Netmask", "Receive Match", "Service", "Action");
  int position = 0;
  for (const FilterEntry& filter : filters) {
    if (++position == filters.count()) {
      out +=
          "\n# The Following Entry is the Default for all other Connections.\n"
          "# Please change only the Action Field.\n\n";
    }
    Append(out, "%-15s %-15s %-15s %-15s %-10s %3d\n", filter.sendNetmask.c_str(),
           filter.sendMatch.c_str(), filter.receiveNetmask.c_str(), filter.receiveMatch.c_str(),
           FilterServiceText(filter, database).c_str(), filter.action);
  }
}

// False with errno set when the text could not be written whole.
bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    if (n == 0) {
      errno = ENOSPC;  // no progress and no error: the device took nothing
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write to `path` lands in: `path` itself, or for a symbolic
// link the file it finally points to (which need not exist yet). Replacing
// the link itself would cut it from the file the user meant. False with
// errno set when a link cannot be read or the chain is too long.
bool ResolveWriteTarget(const std::string& path, std::string* target) {
  constexpr int kMaxLinkHops = 40;
  std::string current = path;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      *target = current;  // not there yet, or no link: write right here
      return true;
    }
    if (hops == kMaxLinkHops) {
      errno = ELOOP;
      return false;
    }
    std::vector<char> buffer(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 256);
    ssize_t length = 0;
    while ((length = ::readlink(current.c_str(), buffer.data(), buffer.size())) >= 0 &&
           static_cast<std::size_t>(length) == buffer.size())
      buffer.resize(buffer.size() * 2);
    if (length < 0)
      return false;
    std::string link(buffer.data(), static_cast<std::size_t>(length));
    if (link.empty()) {
      errno = ENOENT;
      return false;
    }
    current = link.front() == '/' ? link : DirectoryOf(current) + "/" + link;
  }
}

// Creates a new, unique file in the directory of `path` (so the rename that
// follows cannot cross file systems). The name is short, so that a target
// name near the length limit still gets its temporary. Gives -1 when none
// can be made.
int CreateTemporaryBeside(const std::string& path, std::string* temporary) {
  static unsigned counter = 0;
  const std::string stem = DirectoryOf(path) + "/.tarcfg-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = stem + std::to_string(++counter) + ".tmp";
    const int fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST)
      return fd;
  }
  return -1;
}

}  // namespace

std::string FilterServiceText(const FilterEntry& filter, NetDatabase& database) {
  if (filter.port == 0 && filter.protocol == 0)
    return "all";
  const char* otherProtocol = filter.protocol == 6 ? "udp" : "tcp";
  const std::optional<std::string> protocolName = database.ProtocolName(filter.protocol);
  std::string out;
  if (!protocolName) {
    // No name for the number: write the number itself. The reader cannot
    // look such a service up and refuses it, which is better than a guess.
    Append(out, "%d/%d", filter.port, filter.protocol);
    return out;
  }
  const std::optional<ServiceEntry> service = database.ServiceByPort(filter.port, *protocolName);
  // A name is written only when it stands for this one protocol, so that the
  // reader, which looks names up without a protocol, gets the same values.
  if (service && !service->name.empty() && !database.ServiceByName(service->name, otherProtocol))
    return service->name;
  Append(out, "%d/%s", filter.port, protocolName->c_str());
  return out;
}

std::string FormatConfigFile(const LineTargetList& lineTargets, const RouteList& routes,
                             const FilterList& filters, const RouterParameters& router,
                             const ConfigContext& context) {
  std::string out;
  AppendRouterSection(out, router);
  AppendProtocolSection(out, context.tables);
  AppendLineTargetSection(out, lineTargets, context.tables);
  AppendRouteSection(out, routes);
  AppendFilterSection(out, filters, context.database);
  return out;
}

ConfigWriteResult WriteConfigFile(const std::string& path, const LineTargetList& lineTargets,
                                  const RouteList& routes, const FilterList& filters,
                                  const RouterParameters& router, const ConfigContext& context) {
  ConfigWriteResult result;
  // Each failing step keeps its own errno: the caller shows its text, and a
  // step that fails without one must not leave a stale or zero number.
  auto fail = [&result](int errorNumber) {
    result.errorNumber = errorNumber != 0 ? errorNumber : EIO;
    result.reason = std::strerror(result.errorNumber);
    return result;
  };

  std::string target;
  if (!ResolveWriteTarget(path, &target))
    return fail(errno);

  // Never replace a directory or device: the rename would either fail with a
  // misleading text or put a file where something else was.
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode))
    return fail(EISDIR);
  if (exists && !S_ISREG(existing.st_mode)) {
    result.reason = "Not a regular file";
    return result;
  }

  const std::string text = FormatConfigFile(lineTargets, routes, filters, router, context);
  std::string temporary;
  const int fd = CreateTemporaryBeside(target, &temporary);
  if (fd < 0)
    return fail(errno);

  // A file that is replaced keeps its permissions; a new one gets the usual
  // 0666 less the umask from open().
  int error = 0;
  if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
    error = errno;
  if (error == 0 && !WriteAll(fd, text))
    error = errno;
  if (error == 0 && ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0)
    error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
    error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return fail(error);
  }

  // Make the rename itself durable; a failure here no longer endangers data.
  const int dirFd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  result.written = true;
  return result;
}

std::string ConfigWriteMessage(const ConfigWriteResult& result) {
  return std::string(LoadString(kStringWritingFailed)) + result.reason;
}

}  // namespace tarcfg
