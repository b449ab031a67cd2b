// The running program's own version record, read through the system's
// calls: the resource on Windows, the section on Linux.
#include <gtest/gtest.h>

#include <cstdio>

#include "version/VerInf.h"

namespace q17 {
namespace {

TEST(VersionInfo, ThisProgramCarriesTheBuildsRecord) {
  const TVersionInfo info(RunningProgramFile());
  ASSERT_TRUE(info.Valid());
  EXPECT_EQ(info.TranslationKey(), "041904E3");
  EXPECT_EQ(info.GetProductName(), Q17_PRODUCT_NAME);
  EXPECT_EQ(info.GetFileVersion(), Q17_FILE_VERSION);
  EXPECT_EQ(info.GetLegalCopyright(), Q17_LEGAL_COPYRIGHT);
  EXPECT_EQ(info.GetComments(), Q17_COMMENTS);
  char fixed[48];
  const auto words = info.FileVersionNumbers();
  ASSERT_TRUE(words);
  std::snprintf(fixed, sizeof fixed, "%u.%u.%u.%u", words->first >> 16, words->first & 0xFFFF, words->second >> 16,
                words->second & 0xFFFF);
  EXPECT_STREQ(fixed, Q17_FILE_VERSION);
}

}  // namespace
}  // namespace q17
