#include <cstring>
#include <string>

#include "framework/ui/comctrls.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/props.h"
#include "framework/ui/registry.h"
#include "tests/framework/ui/ui_fixture.h"

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override {
    Clean();
    TRegistry r;
    EXPECT_FALSE(r.KeyExists("\\Software\\MorvTest"));
  }
  static void Clean() {
    TRegistry r;
    r.DeleteKey("\\Software\\MorvTest");
  }
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  {
    TRegistry r;
    ASSERT_FALSE(r.OpenKey("\\Software\\MorvTest\\General", false));
    ASSERT_TRUE(r.OpenKey("\\Software\\MorvTest\\General", true));
    EXPECT_EQ(r.CurrentPath(), "Software\\MorvTest\\General");
    r.WriteString("Temp", "C:\\TEMP");
    r.WriteInteger("Count", -7);
    r.WriteBool("Reuse Windows", true);
    r.WriteBool("Show Tips", false);
    const uint8_t blob[] = {1, 0, 255, 3};
    r.WriteBinaryData("Blob", blob, sizeof blob);
    r.CloseKey();
  }
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly("\\Software\\MorvTest\\General"));
  EXPECT_EQ(r.ReadString("Temp"), "C:\\TEMP");
  EXPECT_EQ(r.ReadInteger("Count"), -7);
  EXPECT_TRUE(r.ReadBool("Reuse Windows"));
  EXPECT_FALSE(r.ReadBool("Show Tips"));
  EXPECT_EQ(r.GetDataType("Reuse Windows"), rdInteger);
  EXPECT_EQ(r.GetDataSize("Reuse Windows"), 4);
  uint8_t back[8] = {};
  EXPECT_EQ(r.ReadBinaryData("Blob", back, sizeof back), 4);
  EXPECT_EQ(back[2], 255);
  EXPECT_EQ(r.ReadString("Missing"), "");
  EXPECT_FALSE(r.ValueExists("Missing"));
  EXPECT_TRUE(r.ValueExists("Temp"));
  EXPECT_THROW(r.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(r.ReadInteger("Temp"), ERegistryException);
  EXPECT_THROW(r.ReadString("Count"), ERegistryException);
  TStringList names;
  r.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 5);
  EXPECT_GE(names.IndexOf("Blob"), 0);
}

TEST_F(RegistryTest, KeysAreRelativeToTheOpenKeyAndDeleteRecursively) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("\\Software\\MorvTest", true));
  ASSERT_TRUE(r.OpenKey("ShellExt", true));
  EXPECT_EQ(r.CurrentPath(), "Software\\MorvTest\\ShellExt");
  r.WriteString("x", "1");
  ASSERT_TRUE(r.OpenKey("\\Software\\MorvTest", false));
  EXPECT_TRUE(r.CreateKey("Adding options\\Deep"));
  EXPECT_TRUE(r.KeyExists("ShellExt"));
  EXPECT_TRUE(r.HasSubKeys());
  TStringList keys;
  r.GetKeyNames(&keys);
  EXPECT_EQ(keys.Count(), 2);
  EXPECT_TRUE(r.DeleteKey("Adding options"));
  EXPECT_FALSE(r.KeyExists("Adding options"));
  EXPECT_TRUE(r.DeleteValue("nothing") == false);
  r.CloseKey();
  EXPECT_TRUE(r.KeyExists("\\Software\\MorvTest\\ShellExt"));
}

TEST_F(RegistryTest, RegIniFileKeepsSectionsAsSubkeysAndNumbersAsText) {
  {
    TRegIniFile ini("Software\\MorvTest");
    ini.WriteString("Columns", "Sizes", "120,80,60");
    ini.WriteInteger("TMainForm", "Flags", 2);
    ini.WriteBool("Sort", "Ascending", true);
    ini.WriteString("", "Top", "level");
  }
  TRegIniFile ini("Software\\MorvTest");
  EXPECT_EQ(ini.ReadString("Columns", "Sizes", ""), "120,80,60");
  EXPECT_EQ(ini.ReadInteger("TMainForm", "Flags", 0), 2);
  EXPECT_TRUE(ini.ReadBool("Sort", "Ascending", false));
  EXPECT_EQ(ini.ReadString("", "Top", ""), "level");
  EXPECT_EQ(ini.ReadString("Nope", "Sizes", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("Columns", "Sizes", 9), 9);
  TRegistry raw;
  ASSERT_TRUE(raw.OpenKeyReadOnly("\\Software\\MorvTest\\TMainForm"));
  EXPECT_EQ(raw.GetDataType("Flags"), rdString);
  EXPECT_EQ(raw.ReadString("Flags"), "2");
  raw.CloseKey();
  // A DWORD written by someone else reads as a number too.
  ASSERT_TRUE(raw.OpenKey("\\Software\\MorvTest\\TMainForm", false));
  raw.WriteInteger("ShowCmd", 3);
  EXPECT_EQ(ini.ReadInteger("TMainForm", "ShowCmd", 0), 3);
  TStringList sections, idents;
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.Count(), 3);
  ini.ReadSection("TMainForm", &idents);
  EXPECT_EQ(idents.Count(), 2);
  ini.DeleteKey("TMainForm", "Flags");
  EXPECT_EQ(ini.ReadInteger("TMainForm", "Flags", -1), -1);
  ini.EraseSection("Columns");
  EXPECT_EQ(ini.ReadString("Columns", "Sizes", "gone"), "gone");
}

TEST(Properties, FontPropertiesByName) {
  TFont font;
  SetPropValue(&font, "name", "Courier New");
  SetPropValue(&font, "Size", "10");
  SetPropValue(&font, "Style", "[fsBold, fsUnderline]");
  SetPropValue(&font, "Pitch", "fpFixed");
  SetPropValue(&font, "Color", "clRed");
  EXPECT_EQ(font.Name(), "Courier New");
  EXPECT_EQ(font.Size(), 10);
  EXPECT_EQ(font.Style(), fsBold | fsUnderline);
  EXPECT_EQ(font.Pitch(), fpFixed);
  EXPECT_EQ(font.Color(), clRed);
  EXPECT_EQ(GetPropValue(&font, "Style"), "[fsBold,fsUnderline]");
  EXPECT_EQ(GetPropValue(&font, "Color"), "255");
  EXPECT_EQ(GetPropValue(&font, "Pitch"), "fpFixed");
  SetPropValue(&font, "Style", "[]");
  EXPECT_EQ(GetPropValue(&font, "Style"), "[]");
  SetPropValue(&font, "Pitch", "fpNoSuchPitch");
  EXPECT_EQ(font.Pitch(), fpFixed);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(&font)) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size", "Style"}));
  EXPECT_THROW(GetPropValue(&font, "Bogus"), EPropertyError);
}

TEST(Properties, ControlsInheritTheirBaseClassTables) {
  TCheckBox box(nullptr);
  EXPECT_NE(GetPropInfo(&box, "Left"), nullptr);
  EXPECT_NE(GetPropInfo(&box, "checked"), nullptr);
  EXPECT_EQ(GetPropInfo(&box, "Lines"), nullptr);
  int clicks = 0;
  box.OnClick = [&](TObject*) { ++clicks; };
  SetPropValue(&box, "Checked", "True");
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 1);
  const TPropInfo* font = GetPropInfo(&box, "Font");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Kind, TPropKind::Class);
  EXPECT_EQ(font->GetObject(&box), box.Font());
  TMemo memo(nullptr);
  const TPropInfo* lines = GetPropInfo(&memo, "Lines");
  ASSERT_NE(lines, nullptr);
  EXPECT_NE(dynamic_cast<TStrings*>(lines->GetObject(&memo)), nullptr);
  TEdit edit(nullptr);
  SetPropValue(&edit, "PasswordChar", "*");
  EXPECT_EQ(edit.PasswordChar(), '*');
  SetPropValue(&edit, "PasswordChar", "");
  EXPECT_EQ(edit.PasswordChar(), '*');
}

TEST(Properties, OwnClassesRegisterTheirTables) {
  class TGauge : public TComponent {
   public:
    using TComponent::TComponent;
    int Level() const { return FLevel; }
    void SetLevel(int V) { FLevel = V; }

   private:
    int FLevel = 0;
  };
  RegisterProperties<TGauge>("TGauge", {PropInt<TGauge>("Level", &TGauge::Level, &TGauge::SetLevel)});
  TGauge g(nullptr);
  SetPropValue(&g, "Level", "42");
  EXPECT_EQ(g.Level(), 42);
  SetPropValue(&g, "Tag", "5");
  EXPECT_EQ(g.Tag, 5);
}
