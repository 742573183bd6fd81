// Scratch files for the document operation tests: a private folder per test, removed after it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchDir.h"

// The UTF-16LE bytes of a text, without a byte-order mark.
std::string Utf16LE(std::u16string_view AText);

class TDocOpsFiles : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // Writes ABytes to a file of that name in the folder and returns its full name.
  std::u16string WriteFile(const std::string& AName, std::string_view ABytes);
  std::u16string PathOf(const std::string& AName) const;
  static std::vector<uint8_t> ReadFile(const std::u16string& AFileName);
  static std::string AsString(const std::vector<uint8_t>& ABytes) { return std::string(ABytes.begin(), ABytes.end()); }
  std::unique_ptr<TScratchDir> FScratch;
  std::string FDir;
};
