#include "settings/ini.h"

#include <gtest/gtest.h>

#include <string>

namespace tess {
namespace {

TEST(IniDocument, NamesCompareWithoutCaseAndFirstDuplicateWins) {
  const auto doc = IniDocument::Parse(
      "[general]\nsimcolor = 3 \nSimColor=1\n[GENERAL]\nVarNum=2\n[General]\nSimColor=9\n");
  EXPECT_EQ(doc.Value("General", "SimColor"), "3");
  EXPECT_EQ(doc.Value("General", "VarNum"), std::nullopt);  // only the first section counts
  EXPECT_EQ(doc.Value("Other", "SimColor"), std::nullopt);
}

TEST(IniDocument, ValuesAreTrimmedAndCutAtTheLongestPath) {
  const std::string longValue(5000, 'x');
  const auto doc = IniDocument::Parse("[S]\nA=\t  spaced out\t \nB=" + longValue + "\nC=\nD\n");
  EXPECT_EQ(doc.Value("S", "A"), "spaced out");
  EXPECT_EQ(doc.Value("S", "B")->size(), 4095u);
  EXPECT_EQ(doc.Value("S", "B", std::string::npos)->size(), 5000u);
  EXPECT_EQ(doc.Value("S", "C"), "");
  EXPECT_EQ(doc.Value("S", "D"), std::nullopt);  // a line without '=' is no key
}

TEST(IniDocument, SetReplacesInPlaceAndKeepsUnknownLines) {
  auto doc = IniDocument::Parse("; comment\n[General]\n# mine\nSimColor=1\nOther=x\n\n[Z]\nq=1\n");
  doc.Set("general", "SimColor", "2");
  EXPECT_EQ(doc.Serialize(), "; comment\n[General]\n# mine\nSimColor=2\nOther=x\n\n[Z]\nq=1\n");
}

TEST(IniDocument, MissingKeysGoToTheEndOfTheirSectionAndMissingSectionsToTheEnd) {
  auto doc = IniDocument::Parse("[General]\nA=1\n\n[ThirdVar]\nB=2");
  doc.Set("General", "New", "5");
  doc.Set("FirstVar", "SimCount", "55");
  doc.Set("FirstVar", "Moving", "1");
  EXPECT_EQ(doc.Serialize(),
            "[General]\nA=1\nNew=5\n\n[ThirdVar]\nB=2\n[FirstVar]\nSimCount=55\nMoving=1\n");
}

TEST(IniDocument, CrLfFilesKeepTheirLineEnds) {
  auto doc = IniDocument::Parse("[General]\r\nSimColor=1\r\njunk line\r\n");
  EXPECT_EQ(doc.Value("General", "SimColor"), "1");
  doc.Set("General", "SimColor", "3");
  EXPECT_EQ(doc.Serialize(), "[General]\r\nSimColor=3\r\njunk line\r\n");
}

TEST(IniDocument, EveryLineKeepsItsOwnLineEndThroughRewrites) {
  // Found by fuzzing: a line ending in two carriage returns lost one at every rewrite.
  const std::string text = "; notes\n[General]\r\nSimColor=1\r\r\nother\r\n";
  auto doc = IniDocument::Parse(text);
  EXPECT_EQ(doc.Value("General", "SimColor"), "1");
  doc.Set("General", "SimColor", "3");
  const std::string once = doc.Serialize();
  EXPECT_EQ(once, "; notes\n[General]\r\nSimColor=3\r\nother\r\n");
  auto again = IniDocument::Parse(once);
  again.Set("General", "SimColor", "3");
  EXPECT_EQ(again.Serialize(), once);
}

TEST(IniDocument, GarbageAndBinaryBytesAreKeptAndNeverMistakenForKeys) {
  std::string bytes = "\x01\x02\xff[[[\n";
  bytes += std::string("\0\0=\0", 4) + "\n";
  bytes += "]]]==\n[General\nSimColor=3\n";
  auto doc = IniDocument::Parse(bytes);
  EXPECT_EQ(doc.Value("General", "SimColor"), "3");  // "[General" without ']' still names it
  doc.Set("General", "VarNum", "2");
  const std::string out = doc.Serialize();
  EXPECT_EQ(out.substr(0, bytes.size() - std::string("SimColor=3\n").size()),
            bytes.substr(0, bytes.size() - std::string("SimColor=3\n").size()));
  EXPECT_NE(out.find("VarNum=2\n"), std::string::npos);
}

TEST(IniDocument, EmptyTextSerialisesToNothing) {
  EXPECT_EQ(IniDocument::Parse("").Serialize(), "");
}

TEST(ParseProfileInteger, AcceptsDecimalAndEveryHexPrefixOnly) {
  const struct {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"-7", -7},
      {"+7", 7},
      {"0x20", 32},
      {"0X20", 32},
      {"$20", 32},
      {"x20", 32},
      {"X1f", 31},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"0xFFFFFFFF", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"20abc", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"1 2", std::nullopt},
      {"1.5", std::nullopt},
      {"0xg", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace tess
