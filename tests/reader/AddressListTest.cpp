#include "reader/AddressList.h"

#include <gtest/gtest.h>

#include "reader/Scan.h"

namespace q17 {
namespace {

TEST(AddressList, Texts) {
  const struct {
    const char* text;
    std::vector<int> addresses;
    bool single;
  } good[] = {
      {"3", {3}, true},
      {"255", {255}, true},
      {"1,3,5-9", {1, 3, 5, 6, 7, 8, 9}, false},
      {"9,1", {9, 1}, false},          // the order given
      {"3-3", {3}, true},              // one address, however written
      {"2,1-3,2", {2, 1, 3}, false},   // each reader once
      {"250-255", {250, 251, 252, 253, 254, 255}, false},
      {"1, 3", {1, 3}, false},         // blanks around items, as typed
      {" 5 - 7 ,9 ", {5, 6, 7, 9}, false},
  };
  for (const auto& g : good) {
    const auto list = ParseAddressList(g.text);
    ASSERT_TRUE(list) << g.text;
    EXPECT_EQ(list->Addresses, g.addresses) << g.text;
    EXPECT_EQ(list->Single, g.single) << g.text;
    EXPECT_FALSE(list->Found) << g.text;
  }

  const auto found = ParseAddressList("found");
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->Found);
  EXPECT_FALSE(found->Single);

  for (const char* bad : {"", "0", "256", "x", "1,", ",1", "1,,2", "5-", "-5", "9-5", "1-2-3", "1 2", "1, ", " ", "+3",
                          "0x10", "3.0", "Found", "found,1", "1-300"}) {
    std::string problem;
    EXPECT_FALSE(ParseAddressList(bad, &problem)) << bad;
    EXPECT_FALSE(problem.empty()) << bad;
  }
}

// q17ctl names its option; the window speaks Russian and names none.
TEST(AddressList, ProblemsInEachFrontEndsWords) {
  const struct {
    const char* text;
    const char* option;
    const char* window;
  } cases[] = {
      {"", "--address takes 1..255, a list such as 1,3,5-9, or 'found'",
       "нет ни одного адреса; нужны адреса 1..255 через запятую, диапазоны через дефис (1,3,5-9) или found"},
      {"1, x", "--address takes 1..255, a list such as 1,3,5-9, or 'found': 'x'",
       "'x' — не адрес и не диапазон; нужны адреса 1..255 через запятую, диапазоны через дефис (1,3,5-9) или found"},
      {"1,,2", "--address takes 1..255, a list such as 1,3,5-9, or 'found': ''",
       "лишняя запятая; нужны адреса 1..255 через запятую, диапазоны через дефис (1,3,5-9) или found"},
      {"5-2", "--address: the range '5-2' runs backwards", "в диапазоне '5-2' первый адрес больше последнего"},
  };
  for (const auto& c : cases) {
    std::string problem;
    TAddressListError error;
    EXPECT_FALSE(ParseAddressList(c.text, &problem));
    EXPECT_FALSE(ParseAddressList(c.text, &error));
    EXPECT_EQ(problem, c.option) << c.text;
    EXPECT_EQ(AddressListErrorText(error), c.window) << c.text;
  }
}

TEST(ScanLineAddress, TheSearchWindowsLinesOnly) {
  const struct {
    const char* line;
    std::optional<int> address;
  } cases[] = {
      {"Addr=07 [2xQ17 v1.0]", 7},
      {"Addr=254 []", 254},
      {"Addr=12 [a ] b]", 12},
      {"Addr=00 []", std::nullopt},
      {"Addr=255 []", std::nullopt},
      {"Addr=1234 []", std::nullopt},
      {"Addr= []", std::nullopt},
      {"Addr=7x []", std::nullopt},
      {"Addr=07 [open", std::nullopt},
      {"", std::nullopt},
      {"addr=07 []", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ScanLineAddress(c.line), c.address) << c.line;
}

}  // namespace
}  // namespace q17
