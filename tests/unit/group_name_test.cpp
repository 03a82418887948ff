#include "package/group_name.hpp"

#include <gtest/gtest.h>

#include <string>

namespace package {
namespace {

TEST(GroupNameStaysInside, RefusesEveryWayOutOfThePrograms) {
  struct Case {
    std::string name;
    bool inside;
  };
  const Case cases[] = {
      {"", true},
      {"Pagemix Demo", true},
      {"Tools\\Pagemix", true},
      {"Tools/Pagemix\\", true},
      {"Demo 1.0", true},
      {"v1..2", true},
      {"..Demo", true},
      {".\\Demo", true},
      {"..", false},
      {"..\\..\\..\\Startup", false},
      {"Demo\\..\\..\\Startup", false},
      {"Demo/../../Startup", false},
      {"Demo\\..", false},
      {"...\\Startup", false},
      {".. \\Startup", false},
      {"\\Startup", false},
      {"/Startup", false},
      {"\\\\server\\share", false},
      {"C:\\Startup", false},
      {"C:Startup", false},
      {"Demo:stream", false},
  };
  for (const Case& c : cases) EXPECT_EQ(GroupNameStaysInside(c.name), c.inside) << '"' << c.name << '"';
}

}  // namespace
}  // namespace package
