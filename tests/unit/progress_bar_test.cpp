#include "terminal/progress_bar.hpp"

#include <gtest/gtest.h>

namespace pmsetup {
namespace {

// 45 % of a megabyte in two seconds, on terminals from wide to too narrow:
// the rate goes first, then the figures, then the caption, then the bar.
// A wide character takes two columns.
TEST(BarLine, FitsTheTerminal) {
  const struct {
    const char* caption;
    int columns;
    const char* line;
  } rows[] = {
      {"Installing", 200, "Installing [#############.................]  45%  0.5 of 1.0 MB  225.0 kB/s"},
      {"Installing", 62, "Installing [######........]  45%  0.5 of 1.0 MB  225.0 kB/s"},
      {"Installing", 57, "Installing [#########............]  45%  0.5 of 1.0 MB"},
      {"Installing", 42, "Installing [#########............]  45%"},
      {"Installing", 21, "[####.......]  45%"},
      {"Installing", 19, "45%"},
      {"Installing", 5, ""},
      {"\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB", 33,
       "\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB [####......]  45%"},
      {"", 80, "[#############.................]  45%  0.5 of 1.0 MB  225.0 kB/s"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(BarLine({row.caption, 450000, 1000000, 2.0}, row.columns), row.line) << row.columns;
  }
}

}  // namespace
}  // namespace pmsetup
