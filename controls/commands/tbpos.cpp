#include "controls/commands/tbpos.h"

namespace {
TDockX* FindDock(TComponent* Root, const std::string& Name) {
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    TComponent* C = Root->Components(I);
    if (auto* D = dynamic_cast<TDockX*>(C); D && D->Name() == Name) return D;
    if (TDockX* D = FindDock(C, Name)) return D;
  }
  return nullptr;
}
}  // namespace

void SaveToolWindowPosition(TCustomToolWindowX* Bar, TIniFile& Ini, const std::string& Section) {
  Ini.WriteString(Section, "DockedTo", Bar->DockedTo() ? Bar->DockedTo()->Name() : "");
  Ini.WriteInteger(Section, "DockRow", Bar->DockRow());
  Ini.WriteInteger(Section, "DockPos", Bar->DockPos());
  Ini.WriteInteger(Section, "FloatLeft", Bar->FloatingPosition().x);
  Ini.WriteInteger(Section, "FloatTop", Bar->FloatingPosition().y);
  Ini.WriteBool(Section, "Visible", Bar->Visible());
  Bar->WritePositionData([&](const std::string& Name, int Value) { Ini.WriteInteger(Section, Name, Value); });
}

void LoadToolWindowPosition(TCustomToolWindowX* Bar, TCustomForm* Form, TIniFile& Ini, const std::string& Section) {
  if (Ini.ReadString(Section, "DockRow", "").empty()) return;  // nothing saved
  Bar->ReadPositionData([&](const std::string& Name, int Default) { return Ini.ReadInteger(Section, Name, Default); });
  Bar->SetFloatingPosition(TPoint{Ini.ReadInteger(Section, "FloatLeft", 0), Ini.ReadInteger(Section, "FloatTop", 0)});
  std::string DockName = Ini.ReadString(Section, "DockedTo", "");
  TDockX* Dock = DockName.empty() ? nullptr : FindDock(Form, DockName);
  Bar->SetDockRow(Ini.ReadInteger(Section, "DockRow", 0));
  Bar->SetDockPos(Ini.ReadInteger(Section, "DockPos", -1));
  if (Dock)
    Bar->SetDockedTo(Dock);
  else if (!DockName.empty() || Bar->DockedTo() || !Bar->Parent())
    Bar->SetParent(Form);
  if (!Dock) Bar->MoveOnScreen(true);
  Bar->SetVisible(Ini.ReadBool(Section, "Visible", true));
}
