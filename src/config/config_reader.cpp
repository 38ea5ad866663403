// SPDX-License-Identifier: GPL-3.0-or-later
// The ".cfg" reader: loads line targets, routes and filters into new lists,
// checking every field, and installs them only when the whole file is right.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "config/config_file.h"
#include "config/field_checks.h"
#include "config/number_text.h"
#include "config/operating_modes.h"
#include "config/string_table.h"
#include "config/text_scan.h"

namespace tarcfg {
namespace {

constexpr std::string_view kLineTargetsHeading = "Line_Targets:";
constexpr std::string_view kRoutingHeading = "Routing_Data:";
constexpr std::string_view kFilterHeading = "Filter_Data:";
constexpr std::string_view kNoAddress = "0.0.0.0";
constexpr std::size_t kMaxIdentificationLength = kIdentificationCapacity - 1;
constexpr int kStringLoadingError = 40200;
constexpr int kStringCannotOpen = 40217;

// One line of the file and a scan over its tokens. Columns are 1-based
// positions in the line (tabs already turned into blanks); a missing token
// sits at the line end.
class LineScanner {
 public:
  explicit LineScanner(std::string line) : line_(std::move(line)) {
    // A CR before the line end (or at the very end of the file) belongs to
    // the line end, never to a token.
    const bool hadNewline = !line_.empty() && line_.back() == '\n';
    if (hadNewline)
      line_.pop_back();
    while (!line_.empty() && line_.back() == '\r')
      line_.pop_back();
    if (hadNewline)
      line_.push_back('\n');
    position_ = line_.c_str();
  }

  // The next token, or an empty text when the line holds no more.
  const std::string& Next() {
    const char* start = nullptr;
    const char* after = NextToken(position_, token_, &start);
    column_ = start ? static_cast<int>(start - line_.c_str()) + 1 : 0;
    // At the end, stay at the line end so that further calls point there too.
    position_ = after ? after : start;
    return token_;
  }

  int column() const { return column_; }

 private:
  std::string line_;
  const char* position_ = nullptr;
  std::string token_;
  int column_ = 0;
};

// Longest line taken as one; a longer one goes on as a new line, so that
// a file without line ends cannot exhaust memory.
constexpr std::size_t kMaxWholeLine = 1 << 20;

// The next whole line of the file, joined from the pieces the line reader
// gives. Whole lines keep a long comment a comment and keep every line
// number equal to the line of the file. False at the end of the file.
bool ReadWholeLine(ConfigLineReader& lines, std::string* line) {
  line->clear();
  while (const char* piece = lines.ReadConfigLine()) {
    const std::size_t length = std::strlen(piece);
    line->append(piece, length);
    // A piece shorter than the limit without line end is the end of the file
    // (or was cut at a NUL byte); only a full piece goes on.
    if (length < ConfigLineReader::kMaxPiece || line->back() == '\n' ||
        line->size() >= kMaxWholeLine)
      return true;
  }
  return !line->empty();
}

// A line that is skipped everywhere: no token, or a first token with "#".
bool IsSkipped(const std::string& firstToken) {
  return firstToken.empty() || firstToken[0] == '#';
}

// Stops reading with `code` at `column`.
struct FieldError {
  int code = kConfigOk;
  int column = 0;
};

class Reader {
 public:
  Reader(const ConfigContext& context, int permanentConnection, std::FILE* trace)
      : context_(context), permanentConnection_(permanentConnection), trace_(trace) {}

  FieldError ParseLineTarget(LineScanner& scan, const std::string& first, LineTarget* target);
  FieldError ParseRoute(LineScanner& scan, const std::string& first, RouteEntry* route);
  FieldError ParseFilter(LineScanner& scan, const std::string& first, FilterEntry* filter);

 private:
  // An address text as a mask or compare value: valid when it resolves to
  // a non-zero value or is exactly "0.0.0.0". An empty or overlong text is
  // refused without asking the resolver. One look-up gives both the
  // validity and the value.
  bool CheckAddressText(const std::string& text, std::uint32_t* value) {
    *value = 0;
    if (text.empty() || text.size() > kAddressTextCapacity)
      return false;
    *value = context_.addresses.ResolveAddress(text);
    return *value != 0 || text == kNoAddress;
  }

  FieldError ParseMaskAndMatch(LineScanner& scan, const std::string& maskText, AddressText* mask,
                               AddressText* match);
  bool CheckIdentification(const std::string& text, IdentificationText* stored);
  bool ParseService(const std::string& text, FilterEntry* filter);

  const ConfigContext& context_;
  int permanentConnection_;
  std::FILE* trace_;
};

bool ParseFlag(const std::string& text, int* value) {
  return ParseSignedNumber(text, value) && (*value == 0 || *value == 1);
}

bool Reader::CheckIdentification(const std::string& text, IdentificationText* stored) {
  if (text.size() > kMaxIdentificationLength)
    return false;
  const auto slashes = std::count(text.begin(), text.end(), '/');
  if (slashes > 1)
    return false;
  if (slashes == 0 && text.size() == kMaxIdentificationLength)
    return false;
  // A name without a password still gets its slash.
  *stored = (text.empty() || slashes == 1) ? text : text + "/";
  return true;
}

FieldError Reader::ParseLineTarget(LineScanner& scan, const std::string& first,
                                   LineTarget* target) {
  // Host name.
  const int hostColumn = scan.column();
  if (first.size() > kAddressTextCapacity) {
    std::fprintf(trace_, "Name zu lang!\n%s\n%d\n", first.c_str(), static_cast<int>(first.size()));
    return {kConfigWrongAddress, hostColumn};
  }
  const std::uint32_t hostAddress = context_.addresses.ResolveAddress(first);
  if (hostAddress == 0) {
    std::fprintf(trace_, "IP-Adresse nicht aufgeloest!\n%s\n%lX\n", first.c_str(),
                 static_cast<unsigned long>(hostAddress));
    return {kConfigWrongAddress, hostColumn};
  }
  target->hostName = first;

  // Phone number.
  const std::string phone = scan.Next();
  if (!IsValidPhoneNumber(phone) ||
      (PhoneNumberRuleOf(permanentConnection_) == PhoneNumberRule::kZeroOrOne && phone != "0" &&
       phone != "1"))
    return {kConfigWrongPhone, scan.column()};
  target->phoneNumber = phone;

  // Protocols, by exact (lower-case) name.
  std::string name = scan.Next();
  LowerCaseText(name);
  const int layer2 =
      ProtocolName::Fits(name) ? context_.tables.FindLayer2ByName(name) : kNoProtocol;
  if (layer2 == kNoProtocol)
    return {kConfigWrongProtocol, scan.column()};
  target->layer2Protocol = layer2;
  target->layer2Base = context_.tables.Layer2At(layer2)->base;

  name = scan.Next();
  LowerCaseText(name);
  const int layer3 =
      ProtocolName::Fits(name) ? context_.tables.FindLayer3ByName(name) : kNoProtocol;
  if (layer3 == kNoProtocol)
    return {kConfigWrongProtocol, scan.column()};
  target->layer3Protocol = layer3;
  target->layer3Type = context_.tables.Layer3At(layer3)->type;

  // Time-out: 0, or 5 to 65535. The router keeps it in 16 bits: more is
  // refused here rather than cut on the way (65541 would become 5).
  constexpr int kLongestTimeout = 65535;
  int timeout = 0;
  if (!ParseSignedNumber(scan.Next(), &timeout) || timeout < 0 || (timeout >= 1 && timeout <= 4) ||
      timeout > kLongestTimeout)
    return {kConfigWrongTimeout, scan.column()};
  target->timeout = timeout;

  if (!ParseFlag(scan.Next(), &target->manualOnly))
    return {kConfigWrongOptionM, scan.column()};
  if (!ParseFlag(scan.Next(), &target->channelBundling))
    return {kConfigWrongOptionB, scan.column()};
  if (!ParseFlag(scan.Next(), &target->compression))
    return {kConfigWrongOptionC, scan.column()};

  // Identifications: both optional.
  if (!CheckIdentification(scan.Next(), &target->remoteIdentification))
    return {kConfigWrongPassword, scan.column()};
  if (!CheckIdentification(scan.Next(), &target->localIdentification))
    return {kConfigWrongPassword, scan.column()};

  if (!scan.Next().empty())
    return {kConfigWrongLineFormat, scan.column()};
  return {};
}

FieldError Reader::ParseMaskAndMatch(LineScanner& scan, const std::string& maskText,
                                     AddressText* mask, AddressText* match) {
  const int maskColumn = scan.column();
  std::uint32_t maskValue = 0;
  if (!CheckAddressText(maskText, &maskValue))
    return {kConfigWrongMask, maskColumn};
  const std::string matchText = scan.Next();
  std::uint32_t matchValue = 0;
  if (!CheckAddressText(matchText, &matchValue))
    return {kConfigWrongCompareValue, scan.column()};
  if ((matchValue & ~maskValue) != 0)
    return {kConfigMaskCompareMismatch, maskColumn};
  *mask = maskText;
  *match = matchText;
  return {};
}

FieldError Reader::ParseRoute(LineScanner& scan, const std::string& first, RouteEntry* route) {
  FieldError error = ParseMaskAndMatch(scan, first, &route->netmask, &route->match);
  if (error.code != kConfigOk)
    return error;

  const std::string gateway = scan.Next();
  if (gateway.empty() || gateway.size() > kAddressTextCapacity ||
      context_.addresses.ResolveAddress(gateway) == 0)
    return {kConfigWrongGateway, scan.column()};
  route->gateway = gateway;

  if (!scan.Next().empty())
    return {kConfigWrongLineFormat, scan.column()};
  return {};
}

bool Reader::ParseService(const std::string& text, FilterEntry* filter) {
  if (text.empty())
    return false;
  if (text == "all") {
    filter->port = 0;
    filter->protocol = 0;
    return true;
  }
  // A port above 65535 is refused here rather than cut to 16 bits on the
  // way to the router (65557/tcp would become port 21).
  const std::optional<ServicePort> service = ParsePortService(text, context_.database);
  if (!service)
    return false;
  filter->port = service->port;
  filter->protocol = service->protocol;
  return true;
}

FieldError Reader::ParseFilter(LineScanner& scan, const std::string& first, FilterEntry* filter) {
  FieldError error = ParseMaskAndMatch(scan, first, &filter->sendNetmask, &filter->sendMatch);
  if (error.code != kConfigOk)
    return error;
  const std::string receiveMask = scan.Next();
  error = ParseMaskAndMatch(scan, receiveMask, &filter->receiveNetmask, &filter->receiveMatch);
  if (error.code != kConfigOk)
    return error;

  if (!ParseService(scan.Next(), filter))
    return {kConfigWrongService, scan.column()};

  if (!ParseFlag(scan.Next(), &filter->action))
    return {kConfigWrongAction, scan.column()};
  if (!scan.Next().empty())
    return {kConfigWrongAction, scan.column()};
  return {};
}

enum class Section { kHeading, kLineTargets, kRoutes, kFilters };

}  // namespace

ConfigReadResult ReadConfigFile(const std::string& path, int permanentConnection,
                                const ConfigContext& context, Configuration& configuration,
                                std::FILE* trace) {
  ConfigReadResult result;
  if (!trace)
    trace = stdout;

  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) {
    result.code = kConfigCannotOpen;
    result.openErrno = errno;
    return result;
  }
  // A directory opens on some systems but cannot be read as a file.
  struct stat info {};
  if (::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    result.code = kConfigCannotOpen;
    result.openErrno = EISDIR;
    return result;
  }

  // Everything is read into new lists; the configuration is touched only
  // when the whole file has been read without a fault.
  Configuration fresh;
  Reader reader(context, permanentConnection, trace);
  ConfigLineReader lines(file);
  Section section = Section::kHeading;
  FieldError stop;
  int lineNumber = 0;

  std::string line;
  while (stop.code == kConfigOk && ReadWholeLine(lines, &line)) {
    ++lineNumber;
    LineScanner scan(line);
    const std::string first = scan.Next();
    if (IsSkipped(first))
      continue;

    switch (section) {
      case Section::kHeading:
        if (first == kLineTargetsHeading) {
          section = Section::kLineTargets;
        } else {
          stop = {kConfigWrongLineFormat, 1};
        }
        break;

      case Section::kLineTargets: {
        if (first == kRoutingHeading) {
          section = Section::kRoutes;
          break;
        }
        LineTarget target;
        stop = reader.ParseLineTarget(scan, first, &target);
        if (stop.code != kConfigOk)
          break;
        if (fresh.lineTargets.count() >= LineTargetLimit(permanentConnection)) {
          stop = {kConfigTooManyEntries, 0};
          break;
        }
        fresh.lineTargets.Append(std::move(target));
        break;
      }

      case Section::kRoutes: {
        if (first == kFilterHeading) {
          section = Section::kFilters;
          break;
        }
        RouteEntry route;
        stop = reader.ParseRoute(scan, first, &route);
        if (stop.code != kConfigOk)
          break;
        if (fresh.routes.count() >= kMaxRoutes) {
          stop = {kConfigTooManyEntries, 0};
          break;
        }
        fresh.routes.Append(std::move(route));
        break;
      }

      case Section::kFilters: {
        FilterEntry filter;
        stop = reader.ParseFilter(scan, first, &filter);
        if (stop.code != kConfigOk)
          break;
        // The last place belongs to one of the two default entries.
        const int count = fresh.filters.count();
        if (count >= kMaxFilters || (count == kMaxFilters - 1 && !IsDefaultFilter(filter))) {
          stop = {kConfigTooManyEntries, 0};
          break;
        }
        fresh.filters.Append(std::move(filter));
        break;
      }
    }
  }
  std::fclose(file);

  // The end came before the filter section: a heading is missing.
  if (stop.code == kConfigOk && section != Section::kFilters)
    stop = {kConfigWrongLineFormat, 0};

  result.line = lineNumber;
  if (stop.code != kConfigOk) {
    result.code = stop.code;
    result.column = stop.column;
    return result;
  }

  EnsureDefaultFilter(fresh.filters);
  configuration.lineTargets = std::move(fresh.lineTargets);
  configuration.routes = std::move(fresh.routes);
  configuration.filters = std::move(fresh.filters);
  return result;
}

ConfigReadResult ReadConfigFileQuietly(const std::string& path, int permanentConnection,
                                       const ConfigContext& context, Configuration& configuration) {
  std::FILE* sink = std::fopen("/dev/null", "w");
  const ConfigReadResult result =
      ReadConfigFile(path, permanentConnection, context, configuration, sink ? sink : stderr);
  if (sink)
    std::fclose(sink);
  return result;
}

std::string ConfigReadMessage(const ConfigReadResult& result) {
  if (result.code == kConfigCannotOpen)
    return std::string(LoadString(kStringCannotOpen)) + std::strerror(result.openErrno);
  if (result.code < kConfigTooManyEntries || result.code > kConfigWrongAction)
    return "";
  return FormatString(kStringLoadingError, result.line, result.column) +
         LoadString(kStringLoadingError + result.code);
}

}  // namespace tarcfg
