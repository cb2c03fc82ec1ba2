// Code page 1252, profile files by the Windows rules, and number conversion.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/sysutils.h"
#include "tests/support/WindowsWorld.h"

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE4\xDF\x9F"), "€äßŸ");
}

TEST(CodePage, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("Ωmega – 東"), "?mega \x96 ?");
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");  // a cut-off sequence
}

TEST(CodePage, AnsiTextIsReadAsUtf8OnlyWhenItIsUtf8) {
  EXPECT_EQ(DecodeAnsiText("\xEF\xBB\xBFK\xC3\xB6ln"), "Köln");
  EXPECT_EQ(DecodeAnsiText("K\xC3\xB6ln"), "Köln");
  EXPECT_EQ(DecodeAnsiText("K\xF6ln"), "Köln");
  EXPECT_EQ(DecodeAnsiText(""), "");
}

TEST(Numbers, StrToIntTakesDecimalWholeNumbersThatFit32Bits) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  } cases[] = {
      {"1500000", true, 1500000},   {"-5", true, -5},        {"+7", true, 7},
      {"-2147483648", true, INT32_MIN}, {"2147483647", true, INT32_MAX}, {"2147483648", false, 0},
      {"abc", false, 0},             {"", false, 0},          {"12abc", false, 0},
      {"+-5", false, 0},             {"0x10", false, 0},      {"1.5", false, 0},
  };
  for (const Case& c : cases) {
    if (c.valid) {
      EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    } else {
      EXPECT_THROW(StrToInt(c.text), EConvertError) << c.text;
    }
  }
}

class ProfileRead : public ::testing::Test {
 protected:
  WindowsWorld world;
  std::string Read(const std::string& bytes, const std::string& section, const std::string& key) {
    world.Write("test.ini", bytes);
    return GetPrivateProfileString(section, key, "<default>", world.Windows("test.ini"));
  }
};

TEST_F(ProfileRead, FollowsTheWindowsRules) {
  struct Case {
    const char* file;
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"[Anwendung]\r\nAnwName=Kasse\r\n", "Anwendung", "AnwName", "Kasse"},
      {"[anwendung]\nanwname=Kasse\n", "ANWENDUNG", "AnwName", "Kasse"},
      {"[ Anwendung ]\n  AnwName  =   Kasse Plus  \n", "Anwendung", "AnwName", "Kasse Plus"},
      {"[A]\nk=\"quoted \"\n", "A", "k", "quoted "},
      {"[A]\nk='single'\n", "A", "k", "single"},
      {"[A]\nk=\"unbalanced\n", "A", "k", "\"unbalanced"},
      {"[A]\nk=first\nk=second\n", "A", "k", "first"},
      {"[A]\nk=first\n[A]\nk=second\n", "A", "k", "first"},
      {"[A]\n;k=comment\nk=real\n", "A", "k", "real"},
      {"[A]\rk=cr only\r", "A", "k", "cr only"},
      {"[A]\nk=\n", "A", "k", ""},
      {"[A]\nk=a=b\n", "A", "k", "a=b"},
      {"[B]\nk=other\n", "A", "k", "<default>"},
      {"[A]\nother=1\n[B]\nk=2\n", "A", "k", "<default>"},
      {"k=no section\n", "A", "k", "<default>"},
      {"", "A", "k", "<default>"},
      {"[A]\nk=K\xF6ln\n", "A", "k", "Köln"},
      {"\xEF\xBB\xBF[A]\nk=K\xC3\xB6ln\n", "A", "k", "Köln"},
      {"[Sch\xFC\x62]\n\xC4nderung=ja\n", "SCHÜB", "änderung", "ja"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.file, c.section, c.key), c.value) << c.file;
  EXPECT_EQ(GetPrivateProfileString("A", "k", "none", world.Windows("missing.ini")), "none");
}

TEST_F(ProfileRead, GarbageAndHugeFilesAreReadInBoundedMemory) {
  std::string garbage;
  for (unsigned i = 0; i < 300000; ++i) garbage += static_cast<char>((i * 7919u) % 251);
  EXPECT_EQ(Read(garbage, "Anwendung", "AnwName"), "<default>");
  // One line of 40 MB before the section: it is cut, the rest is still found.
  EXPECT_EQ(Read(std::string(40 << 20, 'x') + "\n[Anwendung]\nAnwName=Kasse\n", "Anwendung", "AnwName"), "Kasse");
}
