// The built-in password dialog, driven through its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "zipbridge/zipbridge.h"

namespace {

struct TSeen {
  std::string Caption, Label;
  RECT Client{};
  LONG_PTR EditStyle = 0;
  LRESULT Limit = 0;
  LRESULT PasswordChar = 0;
};

// Operates the dialog from a timer of the test's own thread, which the
// dialog's message loop runs: notes what it shows, types the text and presses
// the button.
struct TOperator {
  TSeen* Seen;
  std::string Text;
  int Button;
  bool Done = false;
};
TOperator* Current = nullptr;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  TOperator* Op = Current;
  if (!Op || Op->Done) return;
  HWND W = FindWindowA(PasswordDlgClass, nullptr);
  if (!W || !IsWindowVisible(W)) return;
  Op->Done = true;
  TSeen& Seen = *Op->Seen;
  char Buf[512];
  GetWindowTextA(W, Buf, sizeof Buf);
  Seen.Caption = Buf;
  GetWindowTextA(GetDlgItem(W, PasswordDlgLabelId), Buf, sizeof Buf);
  Seen.Label = Buf;
  GetClientRect(W, &Seen.Client);
  HWND Edit = GetDlgItem(W, PasswordDlgEditId);
  Seen.EditStyle = GetWindowLongPtrA(Edit, GWL_STYLE);
  Seen.Limit = SendMessageA(Edit, EM_GETLIMITTEXT, 0, 0);
  Seen.PasswordChar = SendMessageA(Edit, EM_GETPASSWORDCHAR, 0, 0);
  SendMessageA(Edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Op->Text.c_str()));
  SendMessageA(GetDlgItem(W, Op->Button), BM_CLICK, 0, 0);
}

class TOperate {
 public:
  TOperate(TSeen& Seen, const std::string& Text, int Button) : FOp{&Seen, Text, Button} {
    Current = &FOp;
    FTimer = SetTimer(nullptr, 0, 20, OnTimer);
  }
  ~TOperate() {
    KillTimer(nullptr, FTimer);
    Current = nullptr;
  }
  bool Done() const { return FOp.Done; }

 private:
  TOperator FOp;
  UINT_PTR FTimer;
};

TEST(PasswordDialog, OkReturnsTheTypedText) {
  TZipBridge Z(nullptr);
  TSeen Seen;
  TOperate Op(Seen, "typed secret", IDOK);
  std::string Text;
  bool Ok = Z.ShowPasswordDlg("Password", "Enter password for file.txt:", Text);
  EXPECT_TRUE(Op.Done());
  EXPECT_TRUE(Ok);
  EXPECT_EQ(Text, "typed secret");
  EXPECT_EQ(Seen.Caption, "Password");
  EXPECT_EQ(Seen.Label, "Enter password for file.txt:");
  EXPECT_EQ(Seen.Client.right, 344);
  EXPECT_EQ(Seen.Client.bottom, 137);
  EXPECT_TRUE(Seen.EditStyle & ES_PASSWORD);
  EXPECT_EQ(Seen.Limit, 80);
  EXPECT_EQ(Seen.PasswordChar, '*');
  EXPECT_EQ(FindWindowA(PasswordDlgClass, nullptr), nullptr) << "the dialog is freed";
}

TEST(PasswordDialog, CancelGivesNothing) {
  TZipBridge Z(nullptr);
  TSeen Seen;
  TOperate Op(Seen, "ignored", IDCANCEL);
  std::string Text = "before";
  EXPECT_FALSE(Z.ShowPasswordDlg("Password", "Enter Password ", Text));
  EXPECT_EQ(Text, "");
}

TEST(PasswordDialog, ExtractPromptThroughTheDialog) {
  TZipBridge Z(nullptr);
  TSeen Seen;
  TOperate Op(Seen, "from the dialog", IDOK);
  ZipCallbackRec Rec{};
  Rec.Caller = &Z;
  Rec.ActionCode = cbPassword;
  Rec.FileSize = 2;
  std::strcpy(Rec.Text, "some/folder/name.doc");
  ZipCallback(&Rec);
  EXPECT_EQ(Seen.Label, "Enter password for name.doc:");
  EXPECT_STREQ(Rec.Text, "from the dialog");
  EXPECT_EQ(Rec.ErrorCode, 1);
}

}  // namespace
