#include "package/group_name.hpp"

#include <gtest/gtest.h>

#include <string>

namespace package {
namespace {

// A group stays inside the Programs folder, and is one Windows can make.
// Names are read by character: in 932, ポスト's second bytes read as '|'
// and 表's as '\', and both belong to their characters.
TEST(UsableGroupName, RefusesEveryWayOutOfTheProgramsAndNamesNoFolderCanHave) {
  struct Case {
    std::string name;
    bool usable;
    int code_page = 1252;
  };
  const Case cases[] = {
      {"", true},
      {"Pagemix Demo", true},
      {"Tools\\Pagemix", true},
      {"Tools/Pagemix\\", true},
      {"Demo 1.0", true},
      {"v1..2", true},
      {"..Demo", true},
      {"Caf\xE9 Demo", true},
      {"\x83\x7C\x83\x58\x83\x67", true, 932},  // ポスト
      {"\x95\x5C.", true, 932},                 // 表.
      {"\x95\x5C\x8E\xA6\\CON", false, 932},      // 表示\CON
      {"\x83|", false},                          // ƒ|: two characters in 1252
      {"..", false},
      {"..\\..\\..\\Startup", false},
      {"Demo\\..\\..\\Startup", false},
      {"Demo/../../Startup", false},
      {"Demo\\..", false},
      {"...\\Startup", false},
      {".. \\Startup", false},
      {".", false},
      {".\\Demo", false},
      {"Tools\\.\\Pagemix", false},
      {"Tools\\ .", false},
      {" ", false},
      {"\\Startup", false},
      {"/Startup", false},
      {"\\\\server\\share", false},
      {"C:\\Startup", false},
      {"C:Startup", false},
      {"Demo:stream", false},
      {"a*b", false},
      {"Tools\\a?b", false},
      {"<Demo>", false},
      {"\"Demo\"", false},
      {"a|b", false},
      {"tab\tDemo", false},
      {"Tools\\CON", false},
      {"nul.Demo", false},
      {"COM1 ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UsableGroupName(c.name, c.code_page), c.usable) << '"' << c.name << "\" in " << c.code_page;
  }
}

}  // namespace
}  // namespace package
