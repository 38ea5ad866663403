// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/protocol_definitions.h"

#include <cstdarg>
#include <filesystem>
#include <string_view>
#include <vector>

#include "config/number_text.h"
#include "config/text_scan.h"

namespace tarcfg {
namespace {

enum class Field { kBlockSize, kAddressA, kAddressB, kModulo, kWindowSize };

struct Keyword {
  const char* text;
  Field field;
  std::uint32_t minimum;
  std::uint32_t maximum;
};

// The x75 keywords in matching order. modulo is further limited to 8 or 128.
constexpr Keyword kX75Keywords[] = {
    {"blocksize", Field::kBlockSize, 0, 65535}, {"addr_a", Field::kAddressA, 1, 255},
    {"addr_b", Field::kAddressB, 1, 255},       {"modulo", Field::kModulo, 8, 128},
    {"windowsize", Field::kWindowSize, 1, 127},
};

struct BaseKind {
  std::string_view name;
  const Keyword* keywords;
  std::size_t keywordCount;
};

// Base kinds in matching order; hdlc and ppp take no keywords.
constexpr BaseKind kBaseKinds[] = {
    {"x75", kX75Keywords, std::size(kX75Keywords)},
    {"hdlc", nullptr, 0},
    {"ppp", nullptr, 0},
};

constexpr std::size_t kMinFirstToken = 3;
constexpr std::size_t kMinBaseToken = 6;
constexpr std::size_t kMaxBaseToken = 16;
constexpr std::string_view kBasePrefix = "base=";

std::string JoinPath(const std::string& directory, const char* fileName) {
  if (directory.empty())
    return fileName;
  if (directory.back() == '/')
    return directory + fileName;
  return directory + "/" + fileName;
}

// The line without a CR that an old editor may have left before the line end
// (or at the very end of the file): it never belongs to a token.
std::string WithoutCarriageReturns(const char* piece) {
  std::string line(piece);
  bool hadNewline = !line.empty() && line.back() == '\n';
  if (hadNewline)
    line.pop_back();
  while (!line.empty() && line.back() == '\r')
    line.pop_back();
  if (hadNewline)
    line.push_back('\n');
  return line;
}

const BaseKind* FindBaseKind(std::string_view baseName) {
  for (const BaseKind& kind : kBaseKinds)
    if (baseName.substr(0, kind.name.size()) == kind.name)
      return &kind;
  return nullptr;
}

const Keyword* FindKeyword(const BaseKind& kind, std::string_view token) {
  for (std::size_t i = 0; i < kind.keywordCount; ++i) {
    std::string_view text = kind.keywords[i].text;
    if (token.substr(0, text.size()) == text)
      return &kind.keywords[i];
  }
  return nullptr;
}

bool CheckValue(const Keyword& keyword, std::string_view token, std::uint32_t* value) {
  const std::size_t equals = token.find('=');
  if (equals == std::string_view::npos)
    return false;
  if (!ParseUnsignedNumber(token.substr(equals + 1), keyword.maximum, value))
    return false;
  if (*value < keyword.minimum)
    return false;
  if (keyword.field == Field::kModulo && *value != 8 && *value != 128)
    return false;
  return true;
}

void SetField(Layer2Parameters& parameters, Field field, std::uint32_t value) {
  switch (field) {
    case Field::kBlockSize:
      parameters.blockSize = static_cast<std::uint16_t>(value);
      break;
    case Field::kAddressA:
      parameters.addressA = static_cast<std::uint8_t>(value);
      break;
    case Field::kAddressB:
      parameters.addressB = static_cast<std::uint8_t>(value);
      break;
    case Field::kModulo:
      parameters.modulo = static_cast<std::uint8_t>(value);
      break;
    case Field::kWindowSize:
      parameters.windowSize = static_cast<std::uint8_t>(value);
      break;
  }
}

// A trace line on `trace`; none when it is null.
[[gnu::format(printf, 2, 3)]] void Trace(std::FILE* trace, const char* format, ...) {
  if (!trace)
    return;
  va_list args;
  va_start(args, format);
  std::vfprintf(trace, format, args);
  va_end(args);
}

enum class LineOutcome { kAccepted, kSyntaxError, kInconsistent };

// Handles one line of the definition file. On a syntax error *column is the
// 1-based position of the token at fault (or of the line end).
LineOutcome HandleDefinitionLine(const std::string& line, ProtocolTables& tables, std::FILE* trace,
                                 int* column) {
  const char* begin = line.c_str();
  auto columnOf = [begin](const char* at) { return static_cast<int>(at - begin) + 1; };
  std::string token;
  const char* start = nullptr;

  const char* position = NextToken(begin, token, &start);
  if (!position || token[0] == '#')
    return LineOutcome::kAccepted;

  *column = columnOf(start);
  if (token.size() < kMinFirstToken || (token[0] != '2' && token[0] != '3') || token[1] != ':')
    return LineOutcome::kSyntaxError;
  const bool layer2 = token[0] == '2';
  std::string name = token.substr(2);
  LowerCaseText(name);
  if (name.size() > kProtocolNameCapacity)
    name.resize(kProtocolNameCapacity);
  const std::size_t entries = layer2 ? tables.layer2().size() : tables.layer3().size();
  if (entries >= static_cast<std::size_t>(kMaxProtocolsPerTable))
    return LineOutcome::kSyntaxError;
  const int existing = layer2 ? tables.FindLayer2ByName(name) : tables.FindLayer3ByName(name);
  if (existing != kNoProtocol)
    return LineOutcome::kSyntaxError;

  position = NextToken(position, token, &start);
  *column = columnOf(start);
  if (token.size() < kMinBaseToken || token.size() > kMaxBaseToken ||
      token.compare(0, kBasePrefix.size(), kBasePrefix) != 0)
    return LineOutcome::kSyntaxError;

  // The layer-3 table takes no definitions.
  *column = 0;
  if (!layer2)
    return LineOutcome::kInconsistent;

  *column = columnOf(start);
  std::string baseName = token.substr(kBasePrefix.size());
  LowerCaseText(baseName);
  const BaseKind* kind = FindBaseKind(baseName);
  if (!kind)
    return LineOutcome::kSyntaxError;
  // A base name such as x75_9 must name an entry already in the table; a
  // definition never starts from values nobody wrote down.
  const int startIndex = tables.FindLayer2ByName(baseName);
  if (startIndex == kNoProtocol)
    return LineOutcome::kSyntaxError;

  // The copy keeps the starting entry's base, so a definition made from an
  // x75 entry that happens to be called "hdlc..." stays x75 (and, having no
  // keywords, can only duplicate it).
  Layer2Protocol entry = *tables.Layer2At(startIndex);
  Trace(trace, "Base Protocol Pos (%d) Mod.: (%u)\n", startIndex + 1,
        static_cast<unsigned>(entry.parameters.modulo));
  entry.name = name;

  while ((position = NextToken(position, token, &start)) != nullptr) {
    *column = columnOf(start);
    const Keyword* keyword = FindKeyword(*kind, token);
    if (!keyword)
      return LineOutcome::kSyntaxError;
    Trace(trace, "Checking (%s)\n", token.c_str());
    std::uint32_t value = 0;
    if (!CheckValue(*keyword, token, &value))
      return LineOutcome::kSyntaxError;
    SetField(entry.parameters, keyword->field, value);
    if (keyword->field == Field::kBlockSize)
      Trace(trace, "Allowed keyword: %s  Value: %u\n", keyword->text, static_cast<unsigned>(value));
    else
      Trace(trace, "Allowed keyword: %s Value: %u\n", keyword->text, static_cast<unsigned>(value));
  }

  *column = 0;
  if (entry.parameters.modulo <= entry.parameters.windowSize) {
    Trace(trace, "Modulo: %u  Windowsize: %u\n", static_cast<unsigned>(entry.parameters.modulo),
          static_cast<unsigned>(entry.parameters.windowSize));
    return LineOutcome::kInconsistent;
  }
  if (tables.FindLayer2ByParameters(entry.parameters, entry.base) != kNoProtocol)
    return LineOutcome::kInconsistent;
  if (!tables.AppendLayer2(entry))
    return LineOutcome::kInconsistent;  // full: checked above
  return LineOutcome::kAccepted;
}

// Only parameters that a definition line can state, so that every line of
// tarcfg.add reads back from tarcfg.pro: x75, modulo 8 or 128, a window
// below the modulo, and both addresses from 1 to 255 (an address of 0 has
// no keyword value and would silently become the x75 default).
bool QualifiesForAddition(const LineTarget& target) {
  const Layer2Parameters& p = target.layer2Parameters;
  if (target.layer2Base != kLayer2BaseX75)
    return false;
  if (p.modulo != 8 && p.modulo != 128)
    return false;
  if (p.addressA == 0 || p.addressB == 0)
    return false;
  return p.windowSize >= 1 && p.windowSize < p.modulo;
}

// The definitions an earlier write left in tarcfg.add that still read as
// definitions on top of `known` (the tables in force); each accepted line is
// added to `known` and given back without its line end. Lines the tables
// meanwhile hold (copied into tarcfg.pro), and anything else that would no
// longer read, are dropped.
std::vector<std::string> KeptAdditions(const std::string& path, ProtocolTables& known) {
  std::vector<std::string> kept;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file)
    return kept;
  ConfigLineReader reader(file);
  while (const char* piece = reader.ReadConfigLine()) {
    std::string line = WithoutCarriageReturns(piece);
    int column = 0;
    const std::size_t before = known.layer2().size();
    if (HandleDefinitionLine(line, known, nullptr, &column) != LineOutcome::kAccepted ||
        known.layer2().size() == before)
      continue;  // refused, or a comment or empty line
    while (!line.empty() && line.back() == '\n')
      line.pop_back();
    kept.push_back(line);
  }
  std::fclose(file);
  return kept;
}

bool NameInUse(const ProtocolTables& known, const std::vector<std::string>& added,
               const std::string& name) {
  if (known.FindLayer2ByName(name) != kNoProtocol)
    return true;
  for (const std::string& used : added)
    if (used == name)
      return true;
  return false;
}

std::string X75DefinitionLine(const std::string& name, const Layer2Parameters& p) {
  char line[160];
  std::snprintf(line, sizeof line,
                "2:%s base=x75 blocksize=%u addr_a=%u addr_b=%u modulo=%u windowsize=%u\n",
                name.c_str(), static_cast<unsigned>(p.blockSize), static_cast<unsigned>(p.addressA),
                static_cast<unsigned>(p.addressB), static_cast<unsigned>(p.modulo),
                static_cast<unsigned>(p.windowSize));
  return line;
}

}  // namespace

std::vector<int> LineTargetsWithUndefinedProtocols(const LineTargetList& lineTargets,
                                                   const ProtocolTables& tables) {
  std::vector<int> positions;
  int position = 0;
  for (const LineTarget& target : lineTargets) {
    ++position;
    if (!tables.Layer2At(target.layer2Protocol) || !tables.Layer3At(target.layer3Protocol))
      positions.push_back(position);
  }
  return positions;
}

std::vector<std::string> DescribeLineTargets(const LineTargetList& lineTargets,
                                             const std::vector<int>& positions) {
  std::vector<std::string> lines;
  for (const int position : positions)
    if (const LineTarget* target = lineTargets.NodeAt(position))
      lines.push_back("Line target " + std::to_string(position) + ": " +
                      std::string(target->hostName.view()) + " " +
                      std::string(target->phoneNumber.view()));
  return lines;
}

ProtocolCompletion CompleteProtocols(const LineTargetList& lineTargets,
                                     const ProtocolTables& tables) {
  ProtocolCompletion completion{tables, lineTargets.Clone(), {}, {}};
  ProtocolTables& known = completion.tables;
  std::vector<std::string> names;
  int number = 0;
  int position = 0;
  for (LineTarget& target : completion.lineTargets) {
    ++position;
    if (known.Layer2At(target.layer2Protocol) && known.Layer3At(target.layer3Protocol))
      continue;
    // Only a missing x75 entry can be defined; a missing layer-3 entry
    // cannot, and neither can parameters a definition line refuses.
    if (known.Layer2At(target.layer2Protocol) || !known.Layer3At(target.layer3Protocol) ||
        !QualifiesForAddition(target)) {
      completion.unstated.push_back(position);
      continue;
    }
    int found = known.FindLayer2ByParameters(target.layer2Parameters, kLayer2BaseX75);
    if (found == kNoProtocol) {
      std::string name;
      do {
        name = "x75_" + std::to_string(++number);
      } while (NameInUse(known, names, name));
      const std::string line = X75DefinitionLine(name, target.layer2Parameters);
      int column = 0;
      if (HandleDefinitionLine(line, known, nullptr, &column) == LineOutcome::kAccepted) {
        names.push_back(name);
        completion.definitions += line;
        found = known.FindLayer2ByParameters(target.layer2Parameters, kLayer2BaseX75);
      }
    }
    if (found == kNoProtocol) {
      completion.unstated.push_back(position);
      continue;
    }
    target.layer2Protocol = found;
  }
  return completion;
}

ProtocolDefinitionResult ReadProtocolDefinitions(const std::string& directory,
                                                 ProtocolTables& tables, std::FILE* trace) {
  ProtocolDefinitionResult result;
  tables.Reset();
  if (!trace)
    trace = stdout;
  std::FILE* file = std::fopen(JoinPath(directory, kProtocolFileName).c_str(), "r");
  if (!file)
    return result;

  ConfigLineReader reader(file);
  int lineNumber = 0;
  while (const char* piece = reader.ReadConfigLine()) {
    ++lineNumber;
    const std::string line = WithoutCarriageReturns(piece);
    int column = 0;
    if (HandleDefinitionLine(line, tables, trace, &column) != LineOutcome::kAccepted) {
      result.ok = false;
      result.line = lineNumber;
      result.column = column;
      break;
    }
  }
  std::fclose(file);
  return result;
}

ProtocolAdditionsResult WriteProtocolAdditions(const std::string& directory,
                                               const LineTargetList& lineTargets,
                                               const ProtocolTables& tables) {
  ProtocolAdditionsResult result;
  result.tables = tables;
  // Every combination of the list, not only the first 20: each distinct
  // undefined protocol appears exactly once in the file.
  std::vector<Layer2Parameters> wanted;
  for (const LineTarget& target : lineTargets) {
    if (target.layer2Protocol >= 0)
      continue;
    result.undefined = true;
    if (!QualifiesForAddition(target))
      continue;
    bool seen = false;
    for (const Layer2Parameters& w : wanted)
      seen = seen || w == target.layer2Parameters;
    if (!seen)
      wanted.push_back(target.layer2Parameters);
  }
  if (wanted.empty())
    return result;

  // The file keeps what earlier writes (for this or other routers) put there
  // and the user may not have copied yet; a new definition gets a name that
  // neither the tables nor the file use, so the lines can go into
  // tarcfg.pro together without a clash.
  const std::string path = JoinPath(directory, kProtocolAdditionsFileName);
  ProtocolTables known = tables;
  std::string text;
  for (const std::string& line : KeptAdditions(path, known))
    text += line + "\n";
  std::vector<std::string> names;
  int number = 0;
  for (const Layer2Parameters& p : wanted) {
    if (known.FindLayer2ByParameters(p, kLayer2BaseX75) != kNoProtocol)
      continue;  // already in the file
    std::string name;
    do {
      name = "x75_" + std::to_string(++number);
    } while (NameInUse(known, names, name));
    names.push_back(name);
    const std::string line = X75DefinitionLine(name, p);
    int column = 0;
    HandleDefinitionLine(line, known, nullptr, &column);
    text += line;
  }

  // The default firmware directory may not exist yet.
  std::error_code ignored;
  if (!directory.empty())
    std::filesystem::create_directories(directory, ignored);
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) {
    result.ok = false;
    return result;
  }
  result.tables = known;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
    result.ok = false;
  if (std::fclose(file) != 0)
    result.ok = false;
  return result;
}

}  // namespace tarcfg
