// A private folder for the files one test writes: under $TMPDIR (or /tmp), named after the
// running test, and removed with everything in it when the object goes, also when an assertion
// has ended the test early.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

class TScratchDir {
public:
  TScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/quillon-";
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info())
      pattern += std::string(test->test_suite_name()) + "." + test->name() + "-";
    pattern += "XXXXXX";
    // Parameterised test names hold '/': keep the folder one level deep.
    for (size_t i = pattern.rfind("quillon-"); i < pattern.size(); ++i)
      if (pattern[i] == '/') pattern[i] = '_';
    if (mkdtemp(pattern.data())) FPath = pattern;
  }
  ~TScratchDir() {
    std::error_code ignored;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  // Empty when the folder could not be made; tests check Ok() first.
  bool Ok() const { return !FPath.empty(); }
  const std::string& Path() const { return FPath; }
  // The full name of a file in the folder.
  std::string File(const std::string& aName) const { return FPath + "/" + aName; }
  // Widened byte by byte: the tests' own file names are ASCII, and so is their folder.
  std::u16string File16(const std::string& aName) const {
    const std::string name = File(aName);
    return std::u16string(name.begin(), name.end());
  }

private:
  std::string FPath;
};
