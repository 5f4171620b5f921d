#include "controls/commands/core/keyfilter.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyFilter, WhatEachFilterTakes) {
  struct {
    TKeyboardFilter F;
    char Key;
    bool Taken;
  } Cases[] = {
      {kfNone, 'x', true},       {kfNone, '\r', true},      {kfNumeric, '-', true},    {kfNumeric, '+', true},
      {kfNumeric, '7', true},    {kfNumeric, ',', true},    {kfNumeric, '.', false},   {kfNumeric, 'a', false},
      {kfNumeric, '\r', false},  {kfNumeric, '\b', true},   {kfNumeric, ' ', false},   {kfAlphabetic, 'Q', true},
      {kfAlphabetic, 'q', true}, {kfAlphabetic, '1', false}, {kfAlphabetic, '\b', true}, {kfAlphabetic, '\r', false},
      {kfAlphabetic, '\t', true}, {kfAll, 'a', false},     {kfAll, '\b', false},
  };
  for (auto C : Cases) EXPECT_EQ(KeyAllowed(C.F, C.Key, ','), C.Taken) << C.F << " " << int(C.Key);
}

}  // namespace
