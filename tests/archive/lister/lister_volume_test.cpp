#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/core/arcerrors.h"
#include "archive/lister/arclister.h"
#include "framework/core/sysutils.h"
#include "tests/support/testsupport.h"

namespace {

struct Listing {
  bool Result = false;
  std::vector<std::string> Names;
  std::vector<std::string> Events;
  std::vector<int> Errors;
};

Listing ListWith(TArcLister& l) {
  Listing r;
  l.OnActivate = [&](TObject*) { r.Events.push_back("activate"); };
  l.OnDeactivate = [&](TObject*) { r.Events.push_back("deactivate"); };
  l.OnTotals = [&](TObject*, int n) { r.Events.push_back("totals " + std::to_string(n)); };
  l.OnError = [&](TObject*, const std::string&, const std::string&, const std::string&, int code) {
    r.Errors.push_back(code);
  };
  l.OnRead = [&](TObject* s, int, int) { r.Names.push_back(static_cast<TArcLister*>(s)->Entry.FileName); };
  r.Result = l.Activate();
  return r;
}

struct Request {
  std::string Name, Id;
  bool Exists;
};

class ListerFirstVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = morvtest::TempDir();
    morvtest::WriteFile(Dir + "/big.bin", morvtest::RandomData(120000, 7));
    morvtest::WriteFile(Dir + "/a.txt", morvtest::TextData(900, 1));
    std::string out;
    ASSERT_EQ(0, morvtest::RunPeer("cd '" + morvtest::HostPath(Dir) +
                                       "' && arj a -m0 -v50k -y v.arj big.bin a.txt > /dev/null && "
                                       "gcab -c t.cab big.bin a.txt",
                                   &out))
        << out;
  }
  std::string Dir;
};

TEST_F(ListerFirstVolume, MissingFirstArjVolumeIsAskedForAndTheSetListed) {
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  l.SetArchiveFile(Dir + "/v.arj");
  ASSERT_EQ(atArj, l.ArcType());
  ASSERT_TRUE(RenameFile(Dir + "/v.arj", Dir + "/away.arj"));
  std::vector<Request> asked;
  l.OnNextVolume = [&](TObject*, std::string& name, const std::string& id, bool exists, bool& cancel) {
    asked.push_back({name, id, exists});
    // The user puts the first disk back.
    if (!exists && FileExists(Dir + "/away.arj")) RenameFile(Dir + "/away.arj", Dir + "/v.arj");
    cancel = !FileExists(name);
  };
  Listing r = ListWith(l);
  EXPECT_TRUE(r.Result);
  EXPECT_TRUE(r.Errors.empty());
  EXPECT_EQ((std::vector<std::string>{"big.bin", "a.txt"}), r.Names);
  ASSERT_GE(asked.size(), 2u);
  EXPECT_EQ(l.ArchiveFile(), asked[0].Name);
  EXPECT_EQ("0", asked[0].Id);
  EXPECT_FALSE(asked[0].Exists);
  // The first later volume is still .a01, not one further on.
  EXPECT_EQ(".a01", ExtractFileExt(asked[1].Name));
  EXPECT_EQ("1", asked[1].Id);

  // A second listing by the same component starts at the first volume again.
  asked.clear();
  Listing again = ListWith(l);
  EXPECT_EQ(r.Names, again.Names);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(".a01", ExtractFileExt(asked[0].Name));
}

TEST_F(ListerFirstVolume, FirstVolumeFromAnotherFolderBecomesTheArchive) {
  std::string other = Dir + "/other";
  ASSERT_TRUE(ForceDirectories(other));
  for (const char* f : {"v.arj", "v.a01", "v.a02"}) {
    if (FileExists(Dir + "/" + f)) {
      ASSERT_TRUE(RenameFile(Dir + "/" + f, other + "/" + f));
    }
  }
  TArcLister l(nullptr);
  l.FileSpec()->Add("*.*");
  morvtest::WriteFile(Dir + "/v.arj", morvtest::ReadFile(other + "/v.arj"));
  l.SetArchiveFile(Dir + "/v.arj");
  ASSERT_EQ(atArj, l.ArcType());
  ASSERT_TRUE(DeleteFile(Dir + "/v.arj"));
  l.OnNextVolume = [&](TObject*, std::string& name, const std::string&, bool exists, bool& cancel) {
    if (!exists) name = other + "/" + ExtractFileName(name);
    cancel = !FileExists(name);
  };
  Listing r = ListWith(l);
  EXPECT_TRUE(r.Result);
  EXPECT_EQ((std::vector<std::string>{"big.bin", "a.txt"}), r.Names);
  EXPECT_EQ(ExpandFileName(other + "/v.arj"), ExpandFileName(l.ArchiveFile()));
}

TEST_F(ListerFirstVolume, RefusedOrUnaskedFirstVolume) {
  for (const char* file : {"v.arj", "t.cab"}) {
    SCOPED_TRACE(file);
    TArcLister l(nullptr);
    l.FileSpec()->Add("*.*");
    l.SetArchiveFile(Dir + "/" + file);
    ASSERT_TRUE(RenameFile(Dir + "/" + file, Dir + "/gone"));
    int asked = 0;
    l.OnNextVolume = [&](TObject*, std::string&, const std::string&, bool, bool& cancel) {
      ++asked;
      cancel = true;
    };
    // A refusal ends the listing quietly before it opened anything.
    Listing refused = ListWith(l);
    EXPECT_TRUE(refused.Result);
    EXPECT_EQ(1, asked);
    EXPECT_TRUE(refused.Names.empty());
    EXPECT_TRUE(refused.Errors.empty());
    EXPECT_EQ(std::vector<std::string>{"deactivate"}, refused.Events);

    // Nobody to ask: the file is simply not found.
    l.OnNextVolume = nullptr;
    Listing unasked = ListWith(l);
    EXPECT_FALSE(unasked.Result);
    EXPECT_EQ(std::vector<int>{errFileNotFound}, unasked.Errors);
    EXPECT_TRUE(unasked.Events.empty());

    // The file comes back when asked for.
    l.OnNextVolume = [&](TObject*, std::string& name, const std::string&, bool, bool& cancel) {
      RenameFile(Dir + "/gone", name);
      cancel = false;
    };
    Listing back = ListWith(l);
    EXPECT_TRUE(back.Result);
    EXPECT_EQ((std::vector<std::string>{"big.bin", "a.txt"}), back.Names);
    if (!FileExists(Dir + "/" + file)) RenameFile(Dir + "/gone", Dir + "/" + file);
  }
}

}  // namespace
