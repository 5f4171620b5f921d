#include "app/associations.h"

#include "app/settings.h"
#include "app/utils.h"
#include "framework/ui/registry.h"

namespace {

void OpenOrRaise(TRegistry& Reg, const std::string& Key) {
  if (!Reg.OpenKey(Key, true)) throw ERegistryException("Failed to open key " + Key);
}

TRegistry& ClassesRoot(TRegistry& Reg) {
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  return Reg;
}

}  // namespace

bool WantsAssociation(const std::string& Associated, int Position) {
  return Position >= 1 && size_t(Position) <= Associated.size() && Associated[size_t(Position) - 1] == '1';
}

void RegisterFileType(const std::string& ProgramPath) {
  TRegistry Reg;
  ClassesRoot(Reg);
  const std::string Type = std::string("\\") + FileTypeName;
  OpenOrRaise(Reg, Type);
  Reg.WriteString("", "Quillon file");
  OpenOrRaise(Reg, Type + "\\DefaultIcon");
  Reg.WriteString("", ExtractFilePath(ProgramPath) + "MORV.ICO");
  OpenOrRaise(Reg, Type + "\\Shell");
  Reg.WriteString("", "Open");
  OpenOrRaise(Reg, Type + "\\Shell\\Open\\command");
  // Quoted: a program folder with blanks must not split the command.
  Reg.WriteString("", "\"" + ProgramPath + "\" \"%1\"");
  Reg.CloseKey();
}

bool AssociationMismatch(const std::string& Associated) {
  TRegistry Reg;
  ClassesRoot(Reg);
  bool Mismatch = false;
  for (const TAssociatedExtension& E : AssociatedExtensions) {
    OpenOrRaise(Reg, std::string("\\") + E.Ext);
    const std::string Value = Reg.ReadString("");
    Reg.CloseKey();
    if (Value != FileTypeName && WantsAssociation(Associated, E.Position)) Mismatch = true;
  }
  return Mismatch;
}

void WriteAssociations(const std::string& Associated) {
  TRegistry Reg;
  ClassesRoot(Reg);
  OpenOrRaise(Reg, std::string("\\") + FileTypeName);
  Reg.CloseKey();
  for (const TAssociatedExtension& E : AssociatedExtensions) {
    OpenOrRaise(Reg, std::string("\\") + E.Ext);
    if (WantsAssociation(Associated, E.Position)) Reg.WriteString("", FileTypeName);
    if (std::string(E.Ext) == ".zip" && !Reg.KeyExists("ShellNew")) {
      OpenOrRaise(Reg, "ShellNew");
      Reg.WriteBinaryData("Data", EmptyZipData, sizeof EmptyZipData);
    }
    Reg.CloseKey();
  }
}

void RunAssociationSteps(bool StartedWithJob, const std::function<void()>& Offer) {
  try {
    RegisterFileType(ProgramFileName());
    if (AssociationMismatch(AssociatedArchives) && CheckForZipAssociation == 0 && !StartedWithJob && Offer) Offer();
  } catch (const Exception&) {
    return;
  }
  if (AssociateWithZipFiles != 1) return;
  try {
    WriteAssociations(AssociatedArchives);
  } catch (const Exception&) {
  }
}
