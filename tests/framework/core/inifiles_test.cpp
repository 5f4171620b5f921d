#include "framework/core/inifiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/prompts.h"
#include "tests/support/testsupport.h"

namespace {

std::string Bytes(const std::string& Path) {
  std::vector<uint8_t> B = morvtest::ReadFile(Path);
  return std::string(B.begin(), B.end());
}

TEST(IniFile, WritesCrLfSectionsAndReadsBack) {
  std::string Name = IncludeTrailingBackslash(morvtest::TempDir()) + "settings.ini";
  TIniFile Ini(Name);
  Ini.WriteString("Main", "Folder", "C:\\Temp");
  Ini.WriteInteger("Main", "Count", -12);
  Ini.WriteBool("Options", "Confirm", true);
  Ini.WriteBool("Main", "Quiet", false);
  Ini.WriteString("main", "FOLDER", "D:\\Work");
  EXPECT_EQ(Bytes(Name), "[Main]\r\nFolder=D:\\Work\r\nCount=-12\r\nQuiet=0\r\n\r\n[Options]\r\nConfirm=1\r\n");

  TIniFile Other(Name);  // a second object sees the writes at once
  EXPECT_EQ(Other.ReadString("MAIN", "folder", "?"), "D:\\Work");
  EXPECT_EQ(Other.ReadInteger("Main", "Count", 0), -12);
  EXPECT_TRUE(Other.ReadBool("Options", "Confirm", false));
  EXPECT_FALSE(Other.ReadBool("Main", "Quiet", true));
  EXPECT_EQ(Other.ReadString("Main", "Missing", "dflt"), "dflt");
  EXPECT_EQ(Other.ReadString("Nowhere", "Folder", "dflt"), "dflt");
  EXPECT_EQ(Other.ReadInteger("Main", "Folder", 7), 7);
  EXPECT_TRUE(Other.ReadBool("Main", "Missing", true));

  TStringList Keys;
  Other.ReadSection("main", &Keys);
  EXPECT_EQ(Keys.Text(), "Folder\r\nCount\r\nQuiet\r\n");

  Ini.EraseSection("MAIN");
  Ini.DeleteKey("Options", "Nothing");
  EXPECT_EQ(Bytes(Name), "[Options]\r\nConfirm=1\r\n");
  Ini.DeleteKey("Options", "confirm");
  Other.ReadSection("Options", &Keys);
  EXPECT_EQ(Keys.Count(), 0);
}

TEST(IniFile, ReadsHandWrittenFiles) {
  std::string Name = IncludeTrailingBackslash(morvtest::TempDir()) + "hand.ini";
  morvtest::WriteFile(Name, std::string("; comment\n[ Paths ]\n  Temp =  C:\\T  \nQuoted=\"  spaced  \"\n"
                                        ";Temp=commented\nEmpty=\nHex=$1F\nHex2=0x20\n[Next]\nTemp=other\n"));
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("Paths", "Temp", "?"), "C:\\T");
  EXPECT_EQ(Ini.ReadString("Paths", "Quoted", "?"), "  spaced  ");
  EXPECT_EQ(Ini.ReadString("Paths", "Empty", "?"), "");
  EXPECT_EQ(Ini.ReadInteger("Paths", "Hex", 0), 31);
  EXPECT_EQ(Ini.ReadInteger("Paths", "Hex2", 0), 32);
  EXPECT_EQ(Ini.ReadString("Next", "Temp", "?"), "other");

  Ini.WriteString("Paths", "New", "1");
  TIniFile Again(Name);
  EXPECT_EQ(Again.ReadString("Paths", "New", "?"), "1");
  EXPECT_EQ(Again.ReadString("Next", "Temp", "?"), "other");
  TStringList Keys;
  Again.ReadSection("Paths", &Keys);
  EXPECT_EQ(Keys.Text(), "Temp\r\nQuoted\r\nEmpty\r\nHex\r\nHex2\r\nNew\r\n");
}

TEST(IniFile, UnwritableFileRaisesInOutError) {
  std::string Name = IncludeTrailingBackslash(morvtest::TempDir()) + "no folder" + PathDelim + "x.ini";
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("S", "K", "d"), "d");
  EXPECT_THROW(Ini.WriteString("S", "K", "v"), EInOutError);
}

TEST(Prompts, HooksAnswerInsteadOfTheUser) {
  std::string Seen;
  PromptHook() = [&](const std::string& Text, const std::string& Caption, int Buttons) {
    Seen = Caption + ":" + Text;
    return Buttons == pbRetryCancel ? mrRetry : mrYes;
  };
  EXPECT_EQ(Prompt("Overwrite?", "Confirm", pbYesNo), mrYes);
  EXPECT_EQ(Seen, "Confirm:Overwrite?");
  EXPECT_EQ(Prompt("Insert disk", "Disk", pbRetryCancel), mrRetry);
  PromptHook() = nullptr;
#ifndef _WIN32
  EXPECT_EQ(Prompt("Overwrite?", "Confirm", pbYesNo), mrNo);
  EXPECT_EQ(Prompt("Insert disk", "Disk", pbRetryCancel), mrCancel);
  EXPECT_EQ(Prompt("Done", "Info", pbOK), mrOk);
#endif

  int Pumped = 0;
  ProcessMessages();
  ProcessMessagesHook() = [&] { ++Pumped; };
  ProcessMessages();
  ProcessMessages();
  ProcessMessagesHook() = nullptr;
  EXPECT_EQ(Pumped, 2);
}

}  // namespace
