#include "DocOpsTestFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "WideSupport.h"

std::string Utf16LE(std::u16string_view AText) {
  std::string bytes;
  for (char16_t c : AText) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

void TDocOpsFiles::SetUp() {
  FScratch = std::make_unique<TScratchDir>();
  ASSERT_TRUE(FScratch->Ok());
  FDir = FScratch->Path();
}

void TDocOpsFiles::TearDown() { FScratch.reset(); }

std::u16string TDocOpsFiles::PathOf(const std::string& AName) const { return Utf8ToUtf16(FDir + "/" + AName); }

std::u16string TDocOpsFiles::WriteFile(const std::string& AName, std::string_view ABytes) {
  std::ofstream out(FDir + "/" + AName, std::ios::binary);
  out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
  return PathOf(AName);
}

std::vector<uint8_t> TDocOpsFiles::ReadFile(const std::u16string& AFileName) {
  std::ifstream in(Utf16ToUtf8(AFileName), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
