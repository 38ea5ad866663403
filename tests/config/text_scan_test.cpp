// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/text_scan.h"

namespace tarcfg {
namespace {

std::FILE* TextFile(const std::string& content) {
  std::FILE* file = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), file);
  std::rewind(file);
  return file;
}

TEST(NextTokenTest, BlankLineHasNoTokenAndStartAtLineEnd) {
  const char* line = " \t  \n";
  std::string token = "x";
  const char* start = nullptr;
  EXPECT_EQ(NextToken(line, token, &start), nullptr);
  EXPECT_TRUE(token.empty());
  EXPECT_EQ(start, line + 4);
  EXPECT_EQ(NextToken(nullptr, token, &start), nullptr);
}

TEST(NextTokenTest, SplitsTokensAndReturnsLastWhole) {
  const char* line = "  ab\tcd ef";
  std::string token;
  const char* start = nullptr;
  const char* p = NextToken(line, token, &start);
  EXPECT_EQ(token, "ab");
  EXPECT_EQ(start - line, 2);
  p = NextToken(p, token, &start);
  EXPECT_EQ(token, "cd");
  p = NextToken(p, token, &start);
  EXPECT_EQ(token, "ef");
  EXPECT_EQ(*p, '\0');
  EXPECT_EQ(NextToken(p, token, &start), nullptr);
}

TEST(ConfigLineReaderTest, LongLinesComeInPiecesAndTabsBecomeBlanks) {
  std::FILE* file = TextFile(std::string(3000, 'x') + "\n\ta\tb\n");
  ConfigLineReader reader(file);
  const char* first = reader.ReadConfigLine();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::string(first), std::string(2047, 'x'));
  const char* rest = reader.ReadConfigLine();
  EXPECT_EQ(std::string(rest), std::string(953, 'x') + "\n");
  EXPECT_EQ(std::string(reader.ReadConfigLine()), " a b\n");
  EXPECT_EQ(reader.ReadConfigLine(), nullptr);
  std::fclose(file);
}

TEST(ConfigLineReaderTest, CrLfEndsTheLineAndLastLineNeedsNoEnd) {
  std::FILE* file = TextFile("one\r\ntwo\rthree\nlast");
  ConfigLineReader reader(file);
  EXPECT_EQ(std::string(reader.ReadConfigLine()), "one\n");
  EXPECT_EQ(std::string(reader.ReadConfigLine()), "two\rthree\n");
  EXPECT_EQ(std::string(reader.ReadConfigLine()), "last");
  EXPECT_EQ(reader.ReadConfigLine(), nullptr);
  std::fclose(file);
}

// The line buffer is reused: behind the terminator of a short line stands
// what a longer line left. Under AddressSanitizer reading there is reported.
TEST(ConfigLineReaderDeathTest, ReadPastTheTerminatorIsReportedUnderAddressSanitizer) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "only an AddressSanitizer build can see the read";
#else
  auto readLongThenShort = [](bool readPastEnd) {
    std::FILE* file = TextFile(std::string(100, 'x') + "\nab\n");
    ConfigLineReader reader(file);
    reader.ReadConfigLine();
    const char* line = reader.ReadConfigLine();
    volatile char sink = line[3];  // the terminator
    if (readPastEnd)
      sink = line[4];
    (void)sink;
    std::fclose(file);
  };
  readLongThenShort(false);
  EXPECT_DEATH(readLongThenShort(true), "use-after-poison");
#endif
}

TEST(ReadFileWholeTest, ReadsBytesAndEmptyFiles) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("tarcfg_read_whole" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream(dir / "empty", std::ios::binary);
    std::ofstream out(dir / "data", std::ios::binary);
    out.write("a\r\n\0b", 5);
  }
  auto empty = ReadFileWhole((dir / "empty").string());
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  auto data = ReadFileWhole((dir / "data").string());
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(data->size(), 5u);
  EXPECT_EQ((*data)[1], '\r');
  EXPECT_FALSE(ReadFileWhole((dir / "missing").string()).has_value());
  EXPECT_FALSE(ReadFileWhole(dir.string()).has_value());
  std::filesystem::remove_all(dir);
}

TEST(AllocateRecordTest, ZeroFilled) {
  auto block = AllocateRecord(64);
  ASSERT_EQ(block.size(), 64u);
  for (auto b : block)
    EXPECT_EQ(b, 0);
}

TEST(AllocateRecordDeathTest, FailureEndsProcessWithStatus99) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP()
      << "AddressSanitizer's allocator aborts on its own before the product's handler runs";
#endif
  EXPECT_EXIT(AllocateRecord(static_cast<std::size_t>(1) << 62), ::testing::ExitedWithCode(99), "");
}

TEST(LowerCaseTextTest, OnlyAsciiLettersChange) {
  std::string text = "X75_Ab-Z\xC4";
  LowerCaseText(text);
  EXPECT_EQ(text, "x75_ab-z\xC4");
}

}  // namespace
}  // namespace tarcfg

// UTF-8 stays; anything else is Latin-1, as the routers' 8-bit texts are.
TEST(TextAsUtf8Test, KeepsUtf8AndConvertsLatin1) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"M\xC3\xBCnchen", "M\xC3\xBCnchen"},          // UTF-8 stays
      {"M\xFCnchen", "M\xC3\xBCnchen"},              // Latin-1 u-umlaut
      {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},            // a lead byte without its continuation
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},              // overlong: not UTF-8
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate: not UTF-8
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},      // four bytes, valid
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(tarcfg::TextAsUtf8(in), out) << in;
}
