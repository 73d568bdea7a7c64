#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace {

using plat::RegistryData;
using plat::RegistryValue;
using Names = std::vector<std::string>;

constexpr const char* kHeader = "; Registry store of the Kestrum suite. Rewritten whole by the programs.\n";

TEST(RegistryFormat, WritesKeysParentsFirstAndValuesInTheirOrder) {
  RegistryData data;
  EXPECT_EQ(data.SetValue("Software\\TRACE\\Lorvex\\General", "SizeX", RegistryValue::Integer(200)), 0);
  EXPECT_EQ(data.SetValue("Software\\TRACE\\Lorvex\\General", "PositionX", RegistryValue::Integer(0xFFFFFFFF)), 0);
  EXPECT_EQ(data.SetValue("Software\\TRACE\\Lorvex\\IDS", "ID1File", RegistryValue::String("c:\\Trace.txt")), 0);
  EXPECT_EQ(data.SetValue("Software\\a[b]%", "", RegistryValue::String("say \"hi\"\n")), 0);
  EXPECT_EQ(data.Text(), std::string(kHeader) +
                             "[Software]\n"
                             "[Software\\a%5Bb%5D%25]\n"
                             "@=\"say \\\"hi\\\"\\n\"\n"
                             "[Software\\TRACE]\n"
                             "[Software\\TRACE\\Lorvex]\n"
                             "[Software\\TRACE\\Lorvex\\General]\n"
                             "\"SizeX\"=dword:000000c8\n"
                             "\"PositionX\"=dword:ffffffff\n"
                             "[Software\\TRACE\\Lorvex\\IDS]\n"
                             "\"ID1File\"=\"c:\\\\Trace.txt\"\n");
}

TEST(RegistryFormat, AnyByteStringSurvivesTheFile) {
  const std::string texts[] = {
      "",
      "plain",
      "two\nlines\r\nand a CR\r",
      "back\\slash \\n not a newline",
      "\"quoted\" 'single'",
      "tab\there",
      std::string("zero\0byte", 9),
      "\x01\x1f\x7f",
      "\xC3\xBC" "ber UTF-8",
      "\xFF\xFE raw high bytes",
      "[not a key]",
      "; not a comment",
      "@=\"x\"",
      "%41 stays",
  };
  RegistryData data;
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    // Each text serves as a value, as a value name and as a key name.
    const std::string key = texts[i].empty() ? std::string("k") : "k\\" + texts[i];
    ASSERT_EQ(data.SetValue("Values", "name" + std::to_string(i), RegistryValue::String(texts[i])), 0);
    ASSERT_EQ(data.SetValue("Names", texts[i], RegistryValue::Integer(static_cast<std::uint32_t>(i))), 0);
    if (!texts[i].empty() && texts[i].find('\\') == std::string::npos) {
      ASSERT_EQ(data.SetValue(key, "v", RegistryValue::Integer(7)), 0);
    }
  }
  std::size_t damaged = 99;
  const std::string text = data.Text();
  const RegistryData back = RegistryData::Parse(text, &damaged);
  EXPECT_EQ(damaged, 0u);
  EXPECT_EQ(back.Text(), text);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    SCOPED_TRACE(i);
    const RegistryValue* value = back.Find("Values", "name" + std::to_string(i));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->text, texts[i]);
    const RegistryValue* named = back.Find("Names", texts[i]);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->integer, i);
    if (!texts[i].empty() && texts[i].find('\\') == std::string::npos) {
      EXPECT_TRUE(back.KeyExists("k\\" + texts[i]));
    }
  }
  // No stored text may break the one-item-a-line layout.
  for (const char c : text) EXPECT_NE(c, '\r');
}

TEST(RegistryFormat, SkipsDamagedLinesAndKeepsTheRest) {
  const char* damaged_lines[] = {
      "garbage",
      "\"NoValue\"",
      "\"Unclosed=dword:1",
      "\"Bad\"=dword:",
      "\"Bad\"=dword:123456789",
      "\"Bad\"=dword:12g4",
      "\"Bad\"=qword:1",
      "\"Bad\"=\"unclosed",
      "\"Bad\"=\"trailing\" x",
      "\"Bad\"=\"bad escape \\q\"",
      "\"Bad\"=\"short hex \\x4\"",
      "\"Bad\"=\"ends in \\",
      "@",
      "[Unclosed",
      "[Bad\\\\Path]",
      "[\\Lead]",
      "[Trail\\]",
      "[Bad%4]",
      "[Bad%5C]",
  };
  for (const char* bad : damaged_lines) {
    SCOPED_TRACE(bad);
    const std::string text = std::string("\"Orphan\"=dword:1\n[Good]\n\"A\"=dword:00000001\n") + bad +
                             "\n\"B\"=\"two\"\n[Other]\n\"C\"=dword:3\n";
    std::size_t damaged = 0;
    const RegistryData data = RegistryData::Parse(text, &damaged);
    EXPECT_EQ(data.Find("Good", "A")->integer, 1u);
    EXPECT_EQ(data.Find("Other", "C")->integer, 3u);
    const bool bad_key_line = bad[0] == '[';
    // Values under a damaged key line must not slip into the key before it.
    EXPECT_EQ(data.Find("Good", "B") != nullptr, !bad_key_line);
    EXPECT_EQ(damaged, bad_key_line ? 3u : 2u);  // the orphan, the line, and B under a bad key
    EXPECT_EQ(data.Find("", "Orphan"), nullptr);
    // What is not read is written back as it was, and stays where it belongs.
    const std::string out = data.Text();
    EXPECT_NE(out.find(std::string("\n") + bad + "\n"), std::string::npos) << out;
    std::size_t again = 0;
    const RegistryData back = RegistryData::Parse(out, &again);
    EXPECT_EQ(again, damaged);
    EXPECT_EQ(back.Text(), out);
    EXPECT_EQ(back.Find("Good", "B") != nullptr, !bad_key_line);
    EXPECT_EQ(back.Find("", "Orphan"), nullptr);
  }
}

TEST(RegistryFormat, KeepsCommentsAndTheByteOrderMarkAndAllowsBlanks) {
  const std::string text =
      "\xEF\xBB\xBF; a person's note\r\n"
      "  [Software\\Other]\t\n"
      "\t\"Keep\" =  \"me\" \n"
      "; about the next one\n"
      "@ = dword:7\n";
  std::size_t damaged = 9;
  const RegistryData data = RegistryData::Parse(text, &damaged);
  EXPECT_EQ(damaged, 0u);
  EXPECT_EQ(data.Find("Software\\Other", "Keep")->text, "me");
  EXPECT_EQ(data.Find("Software\\Other", "")->integer, 7u);
  EXPECT_EQ(data.Text(), "\xEF\xBB\xBF" + std::string(kHeader) +
                             "; a person's note\r\n"
                             "[Software]\n"
                             "[Software\\Other]\n"
                             "\"Keep\"=\"me\"\n"
                             "@=dword:00000007\n"
                             "; about the next one\n");
}

TEST(RegistryFormat, AcceptsCrLfAndShortIntegers) {
  const RegistryData data = RegistryData::Parse("[K]\r\n\"N\"=dword:A\r\n@=\"d\"\r\n");
  EXPECT_EQ(data.Find("k", "n")->integer, 10u);
  EXPECT_EQ(data.Find("K", "")->text, "d");
}

TEST(RegistryData, MatchesNamesWithoutCaseAndKeepsTheFirstSpelling) {
  RegistryData data;
  ASSERT_EQ(data.SetValue("Software\\TRACE\\Lorvex", "SizeX", RegistryValue::Integer(1)), 0);
  ASSERT_EQ(data.SetValue("SOFTWARE\\trace\\LORVEX", "SIZEX", RegistryValue::Integer(2)), 0);
  ASSERT_EQ(data.SetValue("software\\Trace", "Other", RegistryValue::Integer(3)), 0);
  EXPECT_EQ(data.Find("software\\trace\\lorvex", "sizex")->integer, 2u);
  EXPECT_EQ(data.ValueNames("Software\\TRACE\\Lorvex"), (Names{"SizeX"}));
  EXPECT_EQ(data.SubKeyNames(""), (Names{"Software"}));
  EXPECT_EQ(data.SubKeyNames("software"), (Names{"TRACE"}));
  // Only A to Z fold.
  ASSERT_EQ(data.SetValue("K", "\xC3\x84", RegistryValue::Integer(1)), 0);
  EXPECT_EQ(data.Find("K", "\xC3\xA4"), nullptr);
}

TEST(RegistryData, KeysAndValuesComeAndGo) {
  RegistryData data;
  EXPECT_FALSE(data.KeyExists("A"));
  EXPECT_TRUE(data.KeyExists(""));
  EXPECT_EQ(data.CreateKey("A\\B\\C"), 0);
  EXPECT_TRUE(data.KeyExists("a\\b"));
  EXPECT_TRUE(data.ValueNames("A\\B\\C").empty());
  EXPECT_EQ(data.SetValue("A", "v", RegistryValue::Integer(1)), 0);
  EXPECT_EQ(data.SetValue("A", "w", RegistryValue::String("x")), 0);
  EXPECT_EQ(data.SetValue("A", "V", RegistryValue::String("now a string")), 0);
  EXPECT_EQ(data.ValueNames("A"), (Names{"v", "w"}));
  EXPECT_EQ(data.Find("A", "v")->kind, RegistryValue::Kind::kString);

  const struct {
    int (*op)(RegistryData&);
    int result;
  } steps[] = {
      {[](RegistryData& d) { return d.DeleteValue("A", "missing"); }, ENOENT},
      {[](RegistryData& d) { return d.DeleteValue("Nope", "v"); }, ENOENT},
      {[](RegistryData& d) { return d.DeleteValue("A", "W"); }, 0},
      {[](RegistryData& d) { return d.DeleteKey("A\\B"); }, ENOTEMPTY},
      {[](RegistryData& d) { return d.DeleteKey("A\\B\\Nope"); }, ENOENT},
      {[](RegistryData& d) { return d.DeleteKey("Nope\\B"); }, ENOENT},
      {[](RegistryData& d) { return d.DeleteKey(""); }, EINVAL},
      {[](RegistryData& d) { return d.DeleteKey("a\\b\\c"); }, 0},
      {[](RegistryData& d) { return d.DeleteKey("A\\B"); }, 0},
      {[](RegistryData& d) { return d.CreateKey("\\Lead"); }, EINVAL},
      {[](RegistryData& d) { return d.CreateKey("Trail\\"); }, EINVAL},
      {[](RegistryData& d) { return d.SetValue("Dou\\\\ble", "v", RegistryValue::Integer(1)); }, EINVAL},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) EXPECT_EQ(steps[i].op(data), steps[i].result) << "step " << i;
  EXPECT_FALSE(data.KeyExists("A\\B"));
  EXPECT_EQ(data.ValueNames("A"), (Names{"v"}));
  EXPECT_EQ(data.SubKeyNames(""), (Names{"A"}));
}

TEST(RegistryData, SubKeysAreListedByNameWithoutCase) {
  RegistryData data;
  for (const char* name : {"delta", "Bravo", "alpha", "Charlie"}) ASSERT_EQ(data.CreateKey(std::string("R\\") + name), 0);
  EXPECT_EQ(data.SubKeyNames("R"), (Names{"alpha", "Bravo", "Charlie", "delta"}));
}

}  // namespace
