// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/protocol_definitions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "config/file_test_support.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::ScratchDirectory;
using testing::TraceCapture;
using testing::WriteText;

Layer2Parameters Params(int blockSize, int a, int b, int modulo, int window) {
  return {static_cast<std::uint16_t>(blockSize), static_cast<std::uint8_t>(a),
          static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(modulo),
          static_cast<std::uint8_t>(window)};
}

class ProtocolDefinitionsTest : public ::testing::Test {
 protected:
  // Writes `text` as tarcfg.pro and reads it into `tables`.
  ProtocolDefinitionResult Read(const std::string& text) {
    WriteText(dir.File(kProtocolFileName), text);
    return ReadProtocolDefinitions(dir.path(), tables, trace.file());
  }

  ScratchDirectory dir;
  ProtocolTables tables;
  TraceCapture trace;
};

TEST_F(ProtocolDefinitionsTest, MissingFileKeepsBuiltInTables) {
  ProtocolDefinitionResult result = ReadProtocolDefinitions(dir.path(), tables, trace.file());
  EXPECT_TRUE(result.ok);
  ASSERT_EQ(tables.layer2().size(), 3u);
  EXPECT_EQ(tables.layer2()[0].name, "x75");
  EXPECT_EQ(tables.layer2()[0].parameters, Params(1500, 3, 1, 8, 7));
  EXPECT_EQ(tables.layer2()[1].name, "hdlc");
  EXPECT_EQ(tables.layer2()[1].parameters, Params(1500, 0, 0, 0, 0));
  EXPECT_EQ(tables.layer2()[2].name, "ppp");
  EXPECT_EQ(tables.layer2()[2].base, kLayer2BasePpp);
  ASSERT_EQ(tables.layer3().size(), 3u);
  EXPECT_EQ(tables.layer3()[0].name, "null");
  EXPECT_EQ(tables.layer3()[1].name, "t70nl");
  EXPECT_EQ(tables.layer3()[2].name, "ppp");
  EXPECT_EQ(tables.layer3()[0].parameters[6], 8);
}

TEST_F(ProtocolDefinitionsTest, ReadingAgainStartsFromTheBuiltIns) {
  ASSERT_TRUE(Read("2:x75_1 base=x75 windowsize=2\n").ok);
  ASSERT_EQ(tables.layer2().size(), 4u);
  ASSERT_TRUE(Read("# nothing defined any more\n").ok);
  EXPECT_EQ(tables.layer2().size(), 3u);
}

// One line of the definition file and what becomes of it.
struct DefinitionCase {
  const char* line;
  bool ok;
  int column;  // of the failure; 0 for an inconsistent line
  const char* name;
  Layer2Parameters parameters;
};

// Names the case in the test's name instead of a dump of its bytes.
void PrintTo(const DefinitionCase& c, std::ostream* os) {
  *os << '"' << c.line << "\" ";
  if (c.ok)
    *os << "defines " << c.name;
  else
    *os << "fails at column " << c.column;
}

class DefinitionLineTest : public ProtocolDefinitionsTest,
                           public ::testing::WithParamInterface<DefinitionCase> {};

TEST_P(DefinitionLineTest, GivesEntryOrErrorPosition) {
  const DefinitionCase& c = GetParam();
  ProtocolDefinitionResult result = Read(std::string("# definitions\n\n") + c.line + "\n");
  EXPECT_EQ(result.ok, c.ok) << c.line;
  if (c.ok) {
    ASSERT_EQ(tables.layer2().size(), 4u) << c.line;
    const Layer2Protocol& entry = tables.layer2()[3];
    EXPECT_EQ(entry.name, c.name);
    EXPECT_EQ(entry.base, kLayer2BaseX75);
    EXPECT_EQ(entry.parameters, c.parameters) << c.line;
  } else {
    EXPECT_EQ(result.line, 3) << c.line;
    EXPECT_EQ(result.column, c.column) << c.line;
    EXPECT_EQ(tables.layer2().size(), 3u) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, DefinitionLineTest,
    ::testing::Values(
        DefinitionCase{"2:x75_2 base=x75 windowsize=2", true, 0, "x75_2", Params(1500, 3, 1, 8, 2)},
        DefinitionCase{"2:x75_3 base=x75", false, 0},
        DefinitionCase{"2:fast base=x75 modulo=8 windowsize=8", false, 0},
        DefinitionCase{"2:fast2 base=x75 modulo=128 windowsize=127", true, 0, "fast2",
                       Params(1500, 3, 1, 128, 127)},
        DefinitionCase{"2:h2 base=hdlc", false, 0},
        DefinitionCase{"2:h2 base=hdlc blocksize=100", false, 16},
        DefinitionCase{"2:X75_4 base=X75 blocksize=0x400", true, 0, "x75_4",
                       Params(1024, 3, 1, 8, 7)},
        DefinitionCase{"2:x75_5 base=x75 blocksize=65536", false, 18},
        DefinitionCase{"2:x75_6 base=x75 addr_a=0", false, 18},
        DefinitionCase{"3:t70 base=x75", false, 0}, DefinitionCase{"2:ab", false, 5},
        // Names and base tokens.
        DefinitionCase{"2:abcdefghijkl base=x75 windowsize=3", true, 0, "abcdefghijk",
                       Params(1500, 3, 1, 8, 3)},
        DefinitionCase{"2: base=x75", false, 1}, DefinitionCase{"4:abc base=x75", false, 1},
        DefinitionCase{"2-abc base=x75", false, 1}, DefinitionCase{"2:x75 base=x75", false, 1},
        DefinitionCase{"2:PPP base=x75 windowsize=2", false, 1},
        DefinitionCase{"3:null base=x75", false, 1}, DefinitionCase{"2:a base=", false, 5},
        DefinitionCase{"2:a base=x75_abcdefgh", false, 5},
        DefinitionCase{"2:a   bass=x75", false, 7}, DefinitionCase{"2:a base=foo", false, 5},
        DefinitionCase{"2:a base=x75_9", false, 5}, DefinitionCase{"2:a base=ppp", false, 0},
        // Keywords and number notations.
        DefinitionCase{"2:a base=x75 modulo=0200 windowsize=0x7f", true, 0, "a",
                       Params(1500, 3, 1, 128, 127)},
        DefinitionCase{"2:a base=x75 addr_a=255 addr_b=0xFF blocksize=0", true, 0, "a",
                       Params(0, 255, 255, 8, 7)},
        DefinitionCase{"2:a base=x75 windowsize=5 windowsize=2", true, 0, "a",
                       Params(1500, 3, 1, 8, 2)},
        DefinitionCase{"2:a base=x75 blocksize=08", false, 14},
        DefinitionCase{"2:a base=x75 blocksize=0x", false, 14},
        DefinitionCase{"2:a base=x75 blocksize=12a", false, 14},
        DefinitionCase{"2:a base=x75 blocksize=-1", false, 14},
        DefinitionCase{"2:a base=x75 blocksize=", false, 14},
        DefinitionCase{"2:a base=x75 blocksize", false, 14},
        DefinitionCase{"2:a base=x75 blocksize=4294967297", false, 14},
        DefinitionCase{"2:a base=x75 modulo=16", false, 14},
        DefinitionCase{"2:a base=x75 windowsize=128", false, 14},
        DefinitionCase{"2:a base=x75 addr_b=256", false, 14},
        DefinitionCase{"2:a base=x75 windowsize=2 speed=9", false, 27},
        DefinitionCase{"2:a base=x75 Blocksize=100", false, 14}));

TEST_F(ProtocolDefinitionsTest, TabsCountAsOneColumnAndLinesCountCommentsAndBlanks) {
  ProtocolDefinitionResult result =
      Read("#comment\n\n   \t \n2:ok base=x75 windowsize=3\n\t2:bad\tbase=x75\taddr_a=0\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 5);
  EXPECT_EQ(result.column, 17);
  ASSERT_EQ(tables.layer2().size(), 4u);  // the line before the fault stays
  EXPECT_EQ(tables.layer2()[3].name, "ok");
}

TEST_F(ProtocolDefinitionsTest, ReadingStopsAtTheFirstFault) {
  ProtocolDefinitionResult result =
      Read("2:a base=x75 windowsize=2\n2:b base=x75\n2:c base=x75 windowsize=3\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 0);
  ASSERT_EQ(tables.layer2().size(), 4u);
  EXPECT_EQ(tables.FindLayer2ByName("c"), kNoProtocol);
}

TEST_F(ProtocolDefinitionsTest, SameParametersAsAnEarlierDefinitionAreInconsistent) {
  ProtocolDefinitionResult result =
      Read("2:a base=x75 windowsize=2\n2:b base=x75 windowsize=0x2\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 0);
}

TEST_F(ProtocolDefinitionsTest, DefinitionStartsFromTheEntryNamedAsBase) {
  ProtocolDefinitionResult result =
      Read("2:x75_1 base=x75 blocksize=2048 windowsize=2\n2:x75_9 base=X75_1 addr_b=7\n");
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(tables.layer2().size(), 5u);
  EXPECT_EQ(tables.layer2()[4].name, "x75_9");
  EXPECT_EQ(tables.layer2()[4].parameters, Params(2048, 3, 7, 8, 2));
  EXPECT_NE(trace.Text().find("Base Protocol Pos (4) Mod.: (8)\n"), std::string::npos);
}

TEST_F(ProtocolDefinitionsTest, NamesAreCutToElevenCharactersBeforeTheyAreCompared) {
  ProtocolDefinitionResult result =
      Read("2:abcdefghijkl base=x75 windowsize=3\n2:ABCDEFGHIJKxyz base=x75 windowsize=4\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 1);
  ASSERT_EQ(tables.layer2().size(), 4u);
  EXPECT_EQ(tables.layer2()[3].name, "abcdefghijk");
}

TEST_F(ProtocolDefinitionsTest, TwentyFirstDefinitionIsASyntaxErrorAtItsFirstToken) {
  std::string text;
  for (int i = 1; i <= 18; ++i)
    text += "  2:p" + std::to_string(i) + " base=x75 blocksize=" + std::to_string(i) + "\n";
  ProtocolDefinitionResult result = Read(text);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 18);
  EXPECT_EQ(result.column, 3);
  EXPECT_EQ(tables.layer2().size(), 20u);
  EXPECT_EQ(tables.layer2()[19].name, "p17");
}

TEST_F(ProtocolDefinitionsTest, CarriageReturnLineEndsAreAccepted) {
  ProtocolDefinitionResult result =
      Read("# comment\r\n2:a base=x75 windowsize=2\r\n2:b base=x75 blocksize=0x10\r\n\r\n2:c");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.line, 5);
  EXPECT_EQ(result.column, 4);  // just past "2:c", the last line without line end
  ASSERT_EQ(tables.layer2().size(), 5u);
  EXPECT_EQ(tables.layer2()[3].parameters, Params(1500, 3, 1, 8, 2));
  EXPECT_EQ(tables.layer2()[4].parameters, Params(16, 3, 1, 8, 7));
}

TEST_F(ProtocolDefinitionsTest, TraceLinesForKeywordsAndBaseEntry) {
  ASSERT_TRUE(Read("2:x75_1 base=x75 blocksize=2048 windowsize=2\n").ok);
  EXPECT_EQ(trace.Text(),
            "Base Protocol Pos (1) Mod.: (8)\n"
            "Checking (blocksize=2048)\n"
            "Allowed keyword: blocksize  Value: 2048\n"
            "Checking (windowsize=2)\n"
            "Allowed keyword: windowsize Value: 2\n");
}

TEST_F(ProtocolDefinitionsTest, TraceLineForInconsistentModulo) {
  EXPECT_FALSE(Read("2:fast base=x75 modulo=8 windowsize=8\n").ok);
  EXPECT_EQ(trace.Text(),
            "Base Protocol Pos (1) Mod.: (8)\n"
            "Checking (modulo=8)\n"
            "Allowed keyword: modulo Value: 8\n"
            "Checking (windowsize=8)\n"
            "Allowed keyword: windowsize Value: 8\n"
            "Modulo: 8  Windowsize: 8\n");
}

// --- tarcfg.add ---

LineTarget Undefined(int blockSize, int a, int b, int modulo, int window,
                     int base = kLayer2BaseX75) {
  LineTarget target = NewLineTarget();
  target.layer2Protocol = kNoProtocol;
  target.layer2Base = base;
  target.layer2Parameters = Params(blockSize, a, b, modulo, window);
  return target;
}

class ProtocolAdditionsTest : public ::testing::Test {
 protected:
  std::string AddFile() const { return dir.File(kProtocolAdditionsFileName); }

  // The definitions in force; tarcfg.add is read back against them.
  ProtocolDefinitionResult ReadAddFileAsDefinitions(ProtocolTables& into) {
    std::filesystem::copy_file(AddFile(), dir.File(kProtocolFileName),
                               std::filesystem::copy_options::overwrite_existing);
    return ReadProtocolDefinitions(dir.path(), into, trace.file());
  }

  ScratchDirectory dir;
  LineTargetList targets = NewLineTargetList();
  ProtocolTables tables;
  TraceCapture trace;
};

TEST_F(ProtocolAdditionsTest, DefinedProtocolsWriteNothing) {
  targets.Append(NewLineTarget());
  ProtocolAdditionsResult result = WriteProtocolAdditions(dir.path(), targets, tables);
  EXPECT_TRUE(result.ok);
  EXPECT_FALSE(result.undefined);
  EXPECT_FALSE(std::filesystem::exists(AddFile()));
}

TEST_F(ProtocolAdditionsTest, WritesEachDistinctCombinationOnceInOrder) {
  targets.Append(Undefined(2048, 3, 1, 8, 2));
  targets.Append(NewLineTarget());
  targets.Append(Undefined(1024, 1, 3, 128, 100));
  targets.Append(Undefined(2048, 3, 1, 8, 2));
  ProtocolAdditionsResult result = WriteProtocolAdditions(dir.path(), targets, tables);
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.undefined);
  EXPECT_EQ(ReadText(AddFile()),
            "2:x75_1 base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n"
            "2:x75_2 base=x75 blocksize=1024 addr_a=1 addr_b=3 modulo=128 windowsize=100\n");
}

TEST_F(ProtocolAdditionsTest, WrittenLinesReadBackAsDefinitions) {
  targets.Append(Undefined(2048, 3, 1, 8, 2));
  targets.Append(Undefined(512, 2, 2, 128, 64));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), targets, tables).ok);
  std::filesystem::rename(AddFile(), dir.File(kProtocolFileName));
  ProtocolTables tables;
  TraceCapture trace;
  ASSERT_TRUE(ReadProtocolDefinitions(dir.path(), tables, trace.file()).ok);
  EXPECT_EQ(tables.FindLayer2ByParameters(Params(2048, 3, 1, 8, 2), kLayer2BaseX75), 3);
  EXPECT_EQ(tables.FindLayer2ByParameters(Params(512, 2, 2, 128, 64), kLayer2BaseX75), 4);
}

TEST_F(ProtocolAdditionsTest, NoQualifyingLineLeavesExistingFileUntouched) {
  WriteText(AddFile(), "2:mine base=x75 windowsize=3\n");
  targets.Append(Undefined(1500, 0, 0, 0, 0, kLayer2BaseHdlc));  // not x75
  targets.Append(Undefined(1500, 3, 1, 16, 2));                  // modulo neither 8 nor 128
  targets.Append(Undefined(1500, 3, 1, 8, 0));                   // window 0
  targets.Append(Undefined(1500, 3, 1, 8, 8));                   // window not below modulo
  ProtocolAdditionsResult result = WriteProtocolAdditions(dir.path(), targets, tables);
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.undefined);
  EXPECT_EQ(ReadText(AddFile()), "2:mine base=x75 windowsize=3\n");
}

TEST_F(ProtocolAdditionsTest, QualifyingLineKeepsTheReadableDefinitionsOfAnOlderFile) {
  WriteText(AddFile(),
            "2:old base=x75 windowsize=3\n# note\n2:broken base=x75 addr_a=0\n"
            "2:older base=x75 windowsize=4\n2:x75 base=x75 windowsize=5\n");
  targets.Append(Undefined(100, 1, 1, 128, 127));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), targets, tables).ok);
  EXPECT_EQ(ReadText(AddFile()),
            "2:old base=x75 windowsize=3\n2:older base=x75 windowsize=4\n"
            "2:x75_1 base=x75 blocksize=100 addr_a=1 addr_b=1 modulo=128 windowsize=127\n");
}

TEST_F(ProtocolAdditionsTest, AddressesOfZeroCannotBeDefinedAndAreNotWritten) {
  targets.Append(Undefined(2048, 0, 1, 8, 2));
  targets.Append(Undefined(2048, 3, 0, 8, 2));
  targets.Append(Undefined(1024, 3, 1, 8, 2));
  ProtocolAdditionsResult result = WriteProtocolAdditions(dir.path(), targets, tables);
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.undefined);
  EXPECT_EQ(ReadText(AddFile()),
            "2:x75_1 base=x75 blocksize=1024 addr_a=3 addr_b=1 modulo=8 windowsize=2\n");
  ProtocolTables read;
  EXPECT_TRUE(ReadAddFileAsDefinitions(read).ok);
}

TEST_F(ProtocolAdditionsTest, EveryWrittenFileReadsBackAsTheDefinitionFile) {
  targets.Append(Undefined(2048, 3, 1, 8, 2));
  targets.Append(Undefined(512, 0, 2, 128, 64));  // not definable: left out
  targets.Append(Undefined(512, 2, 2, 128, 64));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), targets, tables).ok);
  ProtocolTables read;
  const ProtocolDefinitionResult first = ReadAddFileAsDefinitions(read);
  EXPECT_TRUE(first.ok) << first.line << ":" << first.column;
  EXPECT_NE(read.FindLayer2ByParameters(Params(2048, 3, 1, 8, 2), kLayer2BaseX75), kNoProtocol);
  EXPECT_NE(read.FindLayer2ByParameters(Params(512, 2, 2, 128, 64), kLayer2BaseX75), kNoProtocol);

  // A second write for another router keeps the first definitions and
  // gives the new one a fresh name: the file still reads back whole.
  LineTargetList other = NewLineTargetList();
  other.Append(Undefined(4096, 1, 3, 8, 7));
  other.Append(Undefined(2048, 3, 1, 8, 2));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), other, tables).ok);
  EXPECT_EQ(ReadText(AddFile()),
            "2:x75_1 base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n"
            "2:x75_2 base=x75 blocksize=512 addr_a=2 addr_b=2 modulo=128 windowsize=64\n"
            "2:x75_3 base=x75 blocksize=4096 addr_a=1 addr_b=3 modulo=8 windowsize=7\n");
  const ProtocolDefinitionResult second = ReadAddFileAsDefinitions(read);
  EXPECT_TRUE(second.ok) << second.line << ":" << second.column;
  EXPECT_EQ(read.layer2().size(), 6u);
}

TEST_F(ProtocolAdditionsTest, NamesAlreadyInTheTablesAreNotReused) {
  // tarcfg.pro defines x75_1 and x75_3 (say, copied from an earlier file).
  ASSERT_TRUE(tables.AppendLayer2({"x75_1", kLayer2BaseX75, 0, Params(2048, 3, 1, 8, 2)}));
  ASSERT_TRUE(tables.AppendLayer2({"x75_3", kLayer2BaseX75, 0, Params(1024, 3, 1, 8, 2)}));
  WriteText(AddFile(), "2:x75_1 base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n");
  targets.Append(Undefined(100, 1, 1, 8, 3));
  targets.Append(Undefined(200, 1, 1, 8, 3));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), targets, tables).ok);
  // The old line is in the tables now and goes; the new names skip x75_1 and x75_3.
  EXPECT_EQ(ReadText(AddFile()),
            "2:x75_2 base=x75 blocksize=100 addr_a=1 addr_b=1 modulo=8 windowsize=3\n"
            "2:x75_4 base=x75 blocksize=200 addr_a=1 addr_b=1 modulo=8 windowsize=3\n");
  // Appended to a tarcfg.pro holding the tables' definitions, the lines read.
  WriteText(
      dir.File(kProtocolFileName),
      "2:x75_1 base=x75 blocksize=2048\n2:x75_3 base=x75 blocksize=1024\n" + ReadText(AddFile()));
  ProtocolTables read;
  const ProtocolDefinitionResult result = ReadProtocolDefinitions(dir.path(), read, trace.file());
  EXPECT_TRUE(result.ok) << result.line << ":" << result.column;
  EXPECT_EQ(read.layer2().size(), 7u);
}

TEST_F(ProtocolAdditionsTest, MoreThanTwentyCombinationsAreEachWrittenOnce) {
  for (int round = 0; round < 2; ++round)
    for (int i = 1; i <= 25; ++i)
      targets.Append(Undefined(1000 + i, 3, 1, 128, 2));
  ASSERT_TRUE(WriteProtocolAdditions(dir.path(), targets, tables).ok);
  std::string expected;
  for (int i = 1; i <= 25; ++i) {
    expected += "2:x75_" + std::to_string(i) + " base=x75 blocksize=" + std::to_string(1000 + i) +
                " addr_a=3 addr_b=1 modulo=128 windowsize=2\n";
  }
  EXPECT_EQ(ReadText(AddFile()), expected);
}

// A missing firmware folder is made (the default one is, on first use);
// one that cannot be made fails the write.
TEST_F(ProtocolAdditionsTest, MissingFolderIsMadeAndUncreatableFileFails) {
  targets.Append(Undefined(2048, 3, 1, 8, 2));
  EXPECT_TRUE(WriteProtocolAdditions(dir.File("missing/dir"), targets, tables).ok);
  EXPECT_TRUE(std::filesystem::exists(dir.File("missing/dir/tarcfg.add")));
  std::ofstream(dir.File("plain")) << "a file, not a folder\n";
  ProtocolAdditionsResult result = WriteProtocolAdditions(dir.File("plain/dir"), targets, tables);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.undefined);
}

}  // namespace
}  // namespace tarcfg
