// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/diff_command.h"
#include "cli/cli_text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/config_transfer.h"
#include "cli/history_support.h"
#include "cli/json_writer.h"
#include "config/config_comparison.h"
#include "config/reports.h"

namespace tarcfg::cli {
namespace {

struct LoadedFile {
  Configuration configuration;
  std::optional<RouterParameters> router;  // as the file's header states it
};

// Loads `path` as Open... does, with the permanent-connection rules of
// `permanent`, or, without one, of the router the file's header names. A
// file that does not load is reported as check reports it, after its name.
std::optional<LoadedFile> LoadFile(CliContext& context, const std::string& path,
                                   std::optional<int> permanent) {
  LoadedFile loaded;
  std::ifstream in(path, std::ios::binary);
  if (in)
    loaded.router = RouterSectionOf(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  if (!permanent)
    permanent = loaded.router ? loaded.router->permanentConnection : 0;
  const ConfigReadResult result =
      ReadConfigFileQuietly(path, *permanent, FileContext(context), loaded.configuration);
  if (result.code != kConfigOk) {
    PrintError(FileReadProblem(path, result));
    return std::nullopt;
  }
  return loaded;
}

// A FILE argument rather than a router: a path (host names have no "/"), a
// ".cfg" name, or a file that exists.
bool NamesFile(const QString& argument) {
  std::error_code ignored;
  return argument.contains('/') || argument.endsWith(".cfg", Qt::CaseInsensitive) ||
         std::filesystem::is_regular_file(argument.toStdString(), ignored);
}

std::string FieldsJson(const std::vector<FieldChange>& fields) {
  std::vector<std::string> items;
  for (const FieldChange& field : fields)
    items.push_back(JsonObject()
                        .Add("field", field.name)
                        .Add("old", field.before)
                        .Add("new", field.after)
                        .str());
  return JsonInlineArray(items);
}

const char* KindWord(DifferenceKind kind) {
  switch (kind) {
    case DifferenceKind::kAdded:
      return "added";
    case DifferenceKind::kRemoved:
      return "removed";
    case DifferenceKind::kChanged:
      break;
  }
  return "changed";
}

template <class Record>
std::string TableJson(const std::vector<EntryDifference<Record>>& differences) {
  std::vector<std::string> items;
  for (const auto& difference : differences) {
    JsonObject item;
    item.Add("position", difference.position).Add("change", KindWord(difference.kind));
    if (difference.kind != DifferenceKind::kAdded)
      item.Add("old", difference.beforeText);
    if (difference.kind != DifferenceKind::kRemoved)
      item.Add("new", difference.afterText);
    if (difference.kind == DifferenceKind::kChanged)
      item.AddRaw("fields", FieldsJson(difference.fields));
    items.push_back(item.str());
  }
  return JsonInlineArray(items);
}

template <class Record>
void PrintTable(const std::vector<EntryDifference<Record>>& differences, const char* table) {
  for (const auto& difference : differences) {
    const std::string name = std::string(table) + " " + std::to_string(difference.position) + ": ";
    if (difference.kind != DifferenceKind::kAdded)
      std::cout << "-" << name << difference.beforeText << "\n";
    if (difference.kind != DifferenceKind::kRemoved)
      std::cout << "+" << name << difference.afterText << "\n";
    for (const FieldChange& field : difference.fields)
      std::cout << "!  " << field.name << ": " << ShownValue(field.before) << " -> "
                << ShownValue(field.after) << "\n";
  }
}

// Prints the comparison of `older` (named `olderLabel`) with `newer`, as
// text or JSON; the exit status says whether they differ.
int Report(CliContext& context, const QCommandLineParser& parser, const LoadedFile& older,
           const std::string& olderLabel, const Configuration& newer,
           const RouterParameters* newerRouter, const std::string& newerLabel) {
  const PlanTexts texts{context.tables(), context.database()};
  const ConfigurationComparison comparison = CompareConfigurations(
      older.configuration, newer, texts, older.router ? &*older.router : nullptr, newerRouter);
  if (parser.isSet("json")) {
    std::cout << JsonObject()
                     .Add("old", olderLabel)
                     .Add("new", newerLabel)
                     .AddBool("same", comparison.same())
                     .Add("summary", SummarizeComparison(comparison))
                     .AddRaw("router", FieldsJson(comparison.router))
                     .AddRaw("lineTargets", TableJson(comparison.lineTargets))
                     .AddRaw("routes", TableJson(comparison.routes))
                     .AddRaw("filters", TableJson(comparison.filters))
                     .str()
              << "\n";
  } else if (!comparison.same()) {
    std::cout << "--- " << olderLabel << "\n+++ " << newerLabel << "\n@@ "
              << SummarizeComparison(comparison) << " @@\n";
    for (const FieldChange& field : comparison.router)
      std::cout << "-router " << field.name << ": " << ShownValue(field.before) << "\n+router "
                << field.name << ": " << ShownValue(field.after) << "\n";
    PrintTable(comparison.lineTargets, "line target");
    PrintTable(comparison.routes, "route");
    PrintTable(comparison.filters, "filter");
  }
  std::cout.flush();
  return comparison.same() ? kExitOk : kExitDifferent;
}

}  // namespace

void DiffCommand::AddOptions(QCommandLineParser& parser) {
  // ROUTER as the router commands take it, or the first of two files.
  parser.addPositionalArgument(
      "ROUTER",
      CliText::tr("Address, host name or hardware address; or FILE1: a path, a "
                  "'.cfg' name or an existing file, then FILE is FILE2."),
      "(ROUTER|FILE1)");
  parser.addOption(PasswordOption());
  parser.addPositionalArgument("FILE", CliText::tr("The .cfg file to compare with."), "[FILE]");
  parser.addOption(
      {"last", CliText::tr("The newest configuration of the router's history (the default).")});
  parser.addOption(
      {"index", CliText::tr("The Nth configuration as 'history' numbers them (1 = newest)."), "N"});
  parser.addOption({"json", CliText::tr("Print one JSON object.")});
}

HookResult DiffCommand::CheckOptions(CliContext& context, const QCommandLineParser& parser) {
  const QStringList arguments = parser.positionalArguments();
  const bool files = NamesFile(arguments.at(0));
  if (files && arguments.size() == 1) {
    PrintError("tarcfg-cli diff: " +
               Say(CliText::tr("give a second file to compare %1 with, or a router first")
                       .arg(arguments.at(0))));
    return HookResult::Exit(kExitUsage);
  }
  const int sources = (arguments.size() > 1 ? 1 : 0) + (parser.isSet("last") ? 1 : 0) +
                      (parser.isSet("index") ? 1 : 0);
  if (sources > 1) {
    PrintError("tarcfg-cli diff: " +
               Say(CliText::tr("give at most one of FILE, --last and --index N")));
    return HookResult::Exit(kExitUsage);
  }
  if (parser.isSet("index")) {
    bool ok = false;
    const int index = parser.value("index").toInt(&ok);
    if (!ok || index < 1) {
      PrintError("tarcfg-cli diff: " + Say(CliText::tr("--index needs a number from 1 up")));
      return HookResult::Exit(kExitUsage);
    }
  }
  if (!files)
    return HookResult::Continue();
  if (parser.isSet(PasswordOption())) {
    PrintError("tarcfg-cli diff: " +
               Say(CliText::tr("two files are compared without a router; -p has no use")));
    return HookResult::Exit(kExitUsage);
  }
  if (!context.LoadProtocolDefinitions())
    return HookResult::Exit(kExitFile);
  const std::string olderPath = arguments.at(0).toStdString();
  const std::string newerPath = arguments.at(1).toStdString();
  // Each file is loaded, and reported, even when the other does not load.
  const auto older = LoadFile(context, olderPath, std::nullopt);
  const auto newer = LoadFile(context, newerPath, std::nullopt);
  if (!older || !newer)
    return HookResult::Exit(kExitFile);
  return HookResult::Exit(Report(context, parser, *older, olderPath, newer->configuration,
                                 newer->router ? &*newer->router : nullptr, newerPath));
}

HookResult DiffCommand::CheckFiles(CliContext& context, const QCommandLineParser& parser) {
  const QStringList arguments = parser.positionalArguments();
  if (arguments.size() > 1 && !CheckConfigFileLoads(context, arguments.at(1).toStdString()))
    return HookResult::Exit(kExitFile);
  return HookResult::Continue();
}

bool DiffCommand::NeedsHardwareAddress(CliContext&, const QCommandLineParser& parser) {
  return parser.positionalArguments().size() < 2;
}

HookResult DiffCommand::Resolved(RouterSession& session, const QCommandLineParser& parser) {
  const QStringList arguments = parser.positionalArguments();
  if (arguments.size() > 1) {
    path_ = label_ = arguments.at(1).toStdString();
    return HookResult::Continue();
  }
  const int index = parser.isSet("index") ? parser.value("index").toInt() : 1;
  const std::string hardware = FormatHardwareAddress(session.target().hardwareAddress);
  const auto entries = SettingsHistory(session.context()).List(hardware);
  if (entries.size() < static_cast<std::size_t>(index)) {
    PrintError(FewerKeptProblem(hardware, entries.size()));
    return HookResult::Exit(kExitFile);
  }
  const HistoryEntry& entry = entries[static_cast<std::size_t>(index) - 1];
  path_ = entry.path;
  label_ = Say(CliText::tr("%1 (kept %2)")
                   .arg(QString::fromStdString(entry.path), QString::fromStdString(entry.time)));
  return HookResult::Continue();
}

int DiffCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  CliContext& context = session.context();
  const auto older = LoadFile(context, path_, session.current().permanentConnection);
  if (!older)
    return kExitFile;
  return Report(context, parser, *older, label_, session.saved(), &session.current(),
                Say(CliText::tr("router %1 now").arg(parser.positionalArguments().at(0))));
}

}  // namespace tarcfg::cli
