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
      {"Installing", 60, "Installing [######........]  45%  0.5 of 1.0 MB  225.0 kB/s"},
      {"Installing", 55, "Installing [#########............]  45%  0.5 of 1.0 MB"},
      {"Installing", 40, "Installing [#########............]  45%"},
      {"Installing", 19, "[####.......]  45%"},
      {"Installing", 17, "45%"},
      {"Installing", 3, ""},
      {"\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB", 31,
       "\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB [####......]  45%"},
      {"", 80, "[#############.................]  45%  0.5 of 1.0 MB  225.0 kB/s"},
      {"Installing the demo and its help", 60, "Installing the demo and its help [########...........]  45%"},
      {"Installing the demo and its help", 50, "[#############.................]  45%"},  // no more than at 60
  };
  for (const auto& row : rows) {
    EXPECT_EQ(BarLine({row.caption, 450000, 1000000, 2.0}, row.columns), row.line) << row.columns;
  }
}

}  // namespace
}  // namespace pmsetup
