#include "archive/core/sfxsettings.h"

#include <gtest/gtest.h>

// Both block forms of the same layout, found where they end and read back;
// another magic is not a block.
TEST(SfxSettings, BothMagicsReadBack) {
  for (const char* Magic : {"MPV", "KRX"}) {
    TSfxSettings S;
    S.Magic = Magic;
    S.Flags = 0x41;
    S.Caption = "C";
    S.Message = std::string(255, 'm');
    std::vector<uint8_t> Bytes = {'K', 'R', 'X', 0, 0, 1, 12, 0};  // stub bytes in front
    const std::vector<uint8_t> Block = S.Build();
    EXPECT_EQ(Block.size(), 12u + 1 + 255) << Magic;  // a multiple of 4 already
    Bytes.insert(Bytes.end(), Block.begin(), Block.end());
    TSfxSettings T;
    ASSERT_EQ(T.FindBefore(Bytes.data(), Bytes.size()), Block.size()) << Magic;
    EXPECT_EQ(T.Magic, Magic);
    EXPECT_EQ(T.Flags, 0x41);
    EXPECT_EQ(T.Caption, "C");
    EXPECT_EQ(T.Message, S.Message);
  }
  TSfxSettings S;
  S.Magic = "KRY";
  const std::vector<uint8_t> Block = S.Build();
  EXPECT_EQ(TSfxSettings().FindBefore(Block.data(), Block.size()), 0u);
}
