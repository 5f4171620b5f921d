// The library callback, the command records and the password prompts.
#include <gtest/gtest.h>

#include <cstring>

#include "zipbridge/zipbridge.h"

namespace {

class CallbackTest : public ::testing::Test {
 protected:
  int32_t Call(int32_t Action, int32_t Error = 0, int32_t Size = 0, const std::string& Text = "") {
    std::memset(&Rec, 0, sizeof Rec);
    Rec.Caller = &Z;
    Rec.ActionCode = Action;
    Rec.ErrorCode = Error;
    Rec.FileSize = Size;
    std::memcpy(Rec.Text, Text.data(), std::min(Text.size(), sizeof Rec.Text));
    return ZipCallback(&Rec);
  }
  std::string RecText() const { return std::string(Rec.Text, strnlen(Rec.Text, sizeof Rec.Text)); }

  TZipBridge Z{nullptr};
  ZipCallbackRec Rec{};
};

TEST_F(CallbackTest, UnknownActionsChangeNothing) {
  for (int32_t Action : {0, 12, -5}) {
    EXPECT_EQ(Call(Action, 7, 9, "text"), 0);
    EXPECT_EQ(Rec.ActionCode, Action);
    EXPECT_EQ(Rec.ErrorCode, 7);
    EXPECT_EQ(Rec.FileSize, 9);
  }
  Z.Cancel = true;
  EXPECT_EQ(Call(12), -1);
  EXPECT_EQ(Call(cbProgress, 0, 10), -1);
}

TEST_F(CallbackTest, ProgressActionsReachOnProgress) {
  struct TSeen {
    ProgressType Type;
    std::string Name;
    int64_t Size;
  };
  std::vector<TSeen> Seen;
  Z.OnProgress = [&](TObject* Sender, ProgressType T, const std::string& N, int64_t S) {
    EXPECT_EQ(Sender, &Z);
    Seen.push_back({T, N, S});
  };
  Call(cbTotalFiles, 0, 3);
  Call(cbTotalSize, 0, -1);  // sizes are unsigned 32-bit values
  Call(cbNewFile, 0, 1234, "dir/sub/name.txt  \r\n");
  Call(cbProgress, 0, 1000);
  Call(cbEndBatch);
  ASSERT_EQ(Seen.size(), 5u);
  EXPECT_EQ(Seen[0].Type, ptTotalFiles);
  EXPECT_EQ(Seen[0].Size, 3);
  EXPECT_EQ(Seen[1].Type, ptTotalSize);
  EXPECT_EQ(Seen[1].Size, 0xFFFFFFFF);
  EXPECT_EQ(Seen[2].Type, ptNewFile);
  EXPECT_EQ(Seen[2].Name, "dir\\sub\\name.txt");
  EXPECT_EQ(Seen[2].Size, 1234);
  EXPECT_EQ(Seen[3].Type, ptProgress);
  EXPECT_EQ(Seen[3].Name, "");
  EXPECT_EQ(Seen[3].Size, 1000);
  EXPECT_EQ(Seen[4].Type, ptEndOfBatch);
  EXPECT_EQ(Seen[4].Size, 0);
}

TEST_F(CallbackTest, MessagesSetErrCodeFromTheLowByte) {
  int Code = -1;
  std::string Text;
  Z.OnMessage = [&](TObject*, int C, const std::string& M) {
    Code = C;
    Text = M;
  };
  Call(cbMessage, 0x1234, 0, "Error writing to a file   \t");
  EXPECT_EQ(Code, 0x1234);
  EXPECT_EQ(Text, "Error writing to a file");
  EXPECT_EQ(Z.ErrCode, 0x34);
  EXPECT_EQ(Z.FullErrCode(), 0x1234);
  EXPECT_EQ(Z.Message, "Error writing to a file");
  // A notice keeps the last error number.
  Call(cbMessage, 0, 0, "extracting: a/b");
  EXPECT_EQ(Z.ErrCode, 0x34);
  EXPECT_EQ(Z.Message, "extracting: a\\b");
}

TEST_F(CallbackTest, CrcErrorAnswers) {
  EXPECT_EQ(Call(cbCRCError, 0x11111111, 0x22222222, "f.txt"), 0);
  EXPECT_EQ(Rec.ErrorCode, CRCErrorNoHandler);

  uint32_t Found = 0, Expected = 0;
  bool Keep = false;
  Z.OnCRC32Error = [&](TObject*, const std::string& F, uint32_t Fo, uint32_t Ex, bool& DoExtract) {
    EXPECT_EQ(F, "f.txt");
    Found = Fo;
    Expected = Ex;
    EXPECT_TRUE(DoExtract);
    DoExtract = Keep;
  };
  Call(cbCRCError, int32_t(0x89ABCDEF), int32_t(0xFEDCBA98), "f.txt");
  EXPECT_EQ(Found, 0x89ABCDEFu);
  EXPECT_EQ(Expected, 0xFEDCBA98u);
  EXPECT_EQ(Rec.ErrorCode, 0);
  Keep = true;
  Call(cbCRCError, 1, 2, "f.txt");
  EXPECT_EQ(Rec.ErrorCode, 1);
}

TEST_F(CallbackTest, OverwriteQuestion) {
  Call(cbOverwrite, 1, 0, "f.txt");
  EXPECT_EQ(Rec.FileSize, 0) << "no handler keeps the library's default";
  bool Older = false, Preset = true;
  Z.OnExtractOverwrite = [&](TObject*, const std::string& F, bool IsOlder, bool& DoOverwrite) {
    EXPECT_EQ(F, "f.txt");
    Older = IsOlder;
    Preset = DoOverwrite;
    DoOverwrite = !DoOverwrite;
  };
  Call(cbOverwrite, 3, 0x100, "f.txt");
  EXPECT_TRUE(Older);
  EXPECT_FALSE(Preset) << "only the low byte presets the answer";
  EXPECT_EQ(Rec.FileSize, 1);
  Call(cbOverwrite, 2, 1, "f.txt");
  EXPECT_FALSE(Older);
  EXPECT_EQ(Rec.FileSize, 0);
}

TEST_F(CallbackTest, SkippedAndRenamed) {
  UnZipSkipTypes Type = 0;
  int Error = 0;
  Z.OnExtractSkipped = [&](TObject*, const std::string& F, UnZipSkipTypes T, int E) {
    EXPECT_EQ(F, "..\\evil");
    Type = T;
    Error = E;
  };
  Call(cbSkipped, 82, 0x304, "../evil");
  EXPECT_EQ(Type, 4);
  EXPECT_EQ(Error, 82);

  Call(cbNewName, 0, 0, "old/name.txt");
  EXPECT_EQ(Rec.ActionCode, cbNewName);
  Z.OnSetNewName = [&](TObject*, std::string& Name, bool& Changed) {
    EXPECT_EQ(Name, "old/name.txt ");
    Name = std::string(600, 'n');
    Changed = true;
  };
  Call(cbNewName, 0, 0, "old/name.txt ");
  EXPECT_EQ(Rec.ActionCode, cbNameChanged);
  EXPECT_EQ(RecText(), std::string(511, 'n'));
}

TEST_F(CallbackTest, PasswordHandlerAnswers) {
  std::string Answer;
  uint32_t SeenCount = 0, NewCount = 0;
  Z.OnPasswordError = [&](TObject*, std::string& Pw, const std::string& F, uint32_t& Count) {
    EXPECT_EQ(F, "dir\\secret.txt");
    SeenCount = Count;
    Pw = Answer;
    Count = NewCount;
  };
  Answer = "";
  NewCount = 5;
  Call(cbPassword, 0, 2, "dir/secret.txt");
  EXPECT_EQ(SeenCount, 2u);
  EXPECT_EQ(Rec.ErrorCode, 0);
  EXPECT_EQ(Rec.FileSize, 0);

  Answer = std::string(100, 'k');
  NewCount = 20;
  Call(cbPassword, 0, 1, "dir/secret.txt");
  EXPECT_EQ(Rec.ErrorCode, 1);
  EXPECT_EQ(Rec.FileSize, 15);
  EXPECT_EQ(RecText(), std::string(80, 'k'));
  EXPECT_EQ(Z.Password(), "") << "answers to the library are not kept";
}

class PromptTest : public CallbackTest {
 protected:
  void SetUp() override {
    PasswordDlgHook() = [this](const std::string& Title, const std::string& Prompt, std::string& Text) {
      EXPECT_EQ(Title, "Password");
      Prompts.push_back(Prompt);
      if (Answers.empty()) return false;
      Text = Answers.front();
      Answers.erase(Answers.begin());
      return Text != "<cancel>";
    };
  }
  void TearDown() override { PasswordDlgHook() = nullptr; }
  std::vector<std::string> Prompts;
  std::vector<std::string> Answers;
};

TEST_F(PromptTest, ExtractPromptsShowTheFileNamePart) {
  Answers = {"first"};
  Call(cbPassword, 0, 2, "folder/inner/file.txt");
  ASSERT_EQ(Prompts.size(), 1u);
  EXPECT_EQ(Prompts[0], "Enter password for file.txt:");
  EXPECT_EQ(RecText(), "first");
  EXPECT_EQ(Rec.ErrorCode, 1);
  EXPECT_EQ(Rec.FileSize, 2);

  Answers = {"<cancel>"};
  Call(cbPassword, 0, 1, "folder/inner/file.txt");
  EXPECT_EQ(Prompts[1], "Wrong password, please re-enter for file.txt: ");
  EXPECT_EQ(Rec.ErrorCode, 0);
  EXPECT_EQ(Rec.FileSize, 0);
  EXPECT_EQ(Z.Password(), "");

  // Called directly once a library request was served, the answer is kept.
  Answers = {"kept"};
  std::string Result;
  Z.AskExtractPassword(Result);
  EXPECT_EQ(Result, "kept");
  EXPECT_EQ(Z.Password(), "kept");
}

TEST_F(PromptTest, AddPasswordIsAskedTwice) {
  std::string Result;
  Answers = {"<cancel>"};
  Z.AskAddPassword(Result);
  EXPECT_EQ(Result, "");
  EXPECT_EQ(Prompts, std::vector<std::string>({"Enter Password "}));

  Prompts.clear();
  Answers = {"one", "two"};
  Z.AskAddPassword(Result);
  EXPECT_EQ(Result, "");
  EXPECT_EQ(Z.ErrCode, zmPasswordsDiffer);
  EXPECT_EQ(Z.Message, "Error - passwords do NOT match\nPassword ignored");
  EXPECT_EQ(Prompts, std::vector<std::string>({"Enter Password ", "Confirm Password "}));

  Answers = {"same", "same"};
  Z.AskAddPassword(Result);
  EXPECT_EQ(Result, "same");
  EXPECT_EQ(Z.Password(), "") << "the dialog flag is clear until a library request was served";

  // Bit 0 of field 20 marks the zip library's request.
  Answers = {"zz", "zz"};
  Call(cbPassword, 1, 1, "new.txt");
  EXPECT_EQ(RecText(), "zz");
  Answers = {"again", "again"};
  Z.AskAddPassword(Result);
  EXPECT_EQ(Z.Password(), "again");
}

TEST_F(PromptTest, UnattendedAsksNobody) {
  Z.Unattended = true;
  std::string Result = "x";
  Z.AskAddPassword(Result);
  EXPECT_EQ(Result, "");
  EXPECT_EQ(Z.ErrCode, zmNoAddPassword);
  Z.AskExtractPassword(Result);
  EXPECT_EQ(Z.ErrCode, zmNoExtractPassword);
  Call(cbPassword, 0, 2, "f");
  EXPECT_EQ(Rec.ErrorCode, 0);
  EXPECT_TRUE(Prompts.empty());
}

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Z.FSpecArgs()->Add("*.txt");
    Z.FSpecArgs()->Add("dir\\file.bin");
  }
  std::string Text(const char* P) { return P ? std::string(P) : std::string("<null>"); }
  TZipBridge Z{nullptr};
};

TEST_F(RecordTest, ShortUnzipRecord) {
  Z.SetPassword(std::string(120, 'p'));
  Z.ExtrOptions = SetOf(ExtrTest, ExtrFreshen, ExtrUpdate, ExtrOverWrite);
  Z.SetPasswordReqCount(4);
  Z.Verbose = true;
  TZipLibRecord H;
  Z.BuildUnzipCmd(H, 160, "C:\\a.zip");
  auto* R = static_cast<UnzipCmdRec*>(H.Record());
  EXPECT_EQ(R->Head.Caller, &Z);
  EXPECT_EQ(R->Head.Version, 160);
  EXPECT_EQ(R->Head.Callback, &ZipCallback);
  EXPECT_EQ(Text(R->Head.Password), std::string(80, 'p')) << "capped like the add record";
  EXPECT_EQ(R->Head.Test, -1);
  EXPECT_EQ(R->Head.Reserved40, -1);
  EXPECT_EQ(R->Head.Verbose, -1);
  EXPECT_EQ(R->Head.Update, -1);
  EXPECT_EQ(R->Head.Freshen, 0);
  EXPECT_EQ(R->Head.DirNames, 0);
  EXPECT_EQ(R->Head.Overwrite, -1);
  EXPECT_EQ(R->Head.ArgCount, 2);
  EXPECT_EQ(Text(R->Head.ZipFileName), "C:\\a.zip");
  ASSERT_NE(R->Specs, nullptr);
  EXPECT_EQ(Text(R->Specs[0].FileSpec), "*.txt");
  EXPECT_EQ(Text(R->Specs[1].FileSpec), "dir\\file.bin");
  EXPECT_EQ(R->PasswordReqCount, 4);
  EXPECT_EQ(R->Seven, 7);
  EXPECT_EQ(R->UseMemory, 0);

  TZipLibRecord H152;
  Z.BuildUnzipCmd(H152, 152, "a.zip");
  EXPECT_EQ(static_cast<UnzipCmdRec*>(H152.Record())->PasswordReqCount, 0);
}

TEST_F(RecordTest, LongUnzipRecordAndFillerPassword) {
  Z.Unattended = true;
  Z.AddOptions = SetOf(AddEncrypt);
  TZipLibRecord H;
  Z.BuildUnzipCmd(H, 151, "a.zip");
  auto* R = static_cast<UnzipCmdRecLong*>(H.Record());
  EXPECT_EQ(R->Head.Handle, nullptr);
  EXPECT_EQ(R->Seven, 7);
  EXPECT_EQ(R->Head.ArgCount, 2);
  EXPECT_EQ(Text(R->Specs[0]), "*.txt");
  EXPECT_EQ(Text(R->Specs[1]), "dir\\file.bin");
  EXPECT_EQ(R->Specs[2], nullptr);
  EXPECT_EQ(std::strlen(R->Head.Password), 80u);

  TZipLibRecord H160;
  Z.BuildUnzipCmd(H160, 160, "a.zip");
  EXPECT_EQ(Text(static_cast<UnzipCmdRec*>(H160.Record())->Head.Password), "");
}

TEST_F(RecordTest, ZipRecordAndDelete) {
  Z.SetPassword("pw");
  Z.AddOptions = SetOf(AddFreshen, AddUpdate, AddRecurseDirs, AddDirNames, AddEncrypt, AddArchiveOnly);
  Z.AddCompLevel = 6;
  Z.TempDir = "C:\\tmp";
  Z.FSpecArgsExcl()->Add("*.bak");
  TZipLibRecord H;
  Z.BuildZipCmd(H, 160, "out.zip");
  auto* R = static_cast<ZipCmdRec*>(H.Record());
  EXPECT_EQ(Text(R->Head.Password), "pw");
  EXPECT_EQ(Text(R->Head.Suffix), ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
  EXPECT_EQ(R->Head.Encrypt, -1);
  EXPECT_EQ(R->Head.NoDirEntries, -1);
  EXPECT_EQ(R->Head.JunkDir, 0);
  EXPECT_EQ(R->Head.Recurse, 0xFFFF);
  EXPECT_EQ(R->Head.Update, -1);
  EXPECT_EQ(R->Head.Freshen, 0);
  EXPECT_EQ(R->Head.Level, 6);
  EXPECT_EQ(R->Head.Delete, 0);
  EXPECT_EQ(Text(R->TempPath), "C:\\tmp");
  EXPECT_EQ(R->ArchiveFilesOnly, 1);
  EXPECT_EQ(R->ExclCount, 1);
  EXPECT_EQ(Text(R->Excludes[0]), "*.bak");
  EXPECT_EQ(Text(R->Specs[1].FileSpec), "dir\\file.bin");
  EXPECT_EQ(R->Seven, 7);

  Z.ClearZipCmdFlags(H);
  EXPECT_EQ(R->Head.Encrypt, 0);
  EXPECT_EQ(R->Head.JunkDir, 0);
  EXPECT_EQ(R->Head.Recurse, 0);
  EXPECT_EQ(R->Head.Reserved80, 0);
  EXPECT_EQ(R->Head.Update, 0);
  EXPECT_EQ(R->Head.Delete, -1);

  Z.AddStoreSuffixes = 0;
  TZipLibRecord Long;
  Z.BuildZipCmd(Long, 150, "out.zip");
  auto* L = static_cast<ZipCmdRecLong*>(Long.Record());
  EXPECT_EQ(L->Head.Suffix, nullptr);
  EXPECT_EQ(L->Seven, 7);
  EXPECT_EQ(Text(L->Specs[0]), "*.txt");
}

}  // namespace
