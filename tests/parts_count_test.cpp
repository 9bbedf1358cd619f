// The total line of the parts-list phase counts every entry: the count does
// not wrap at 65536, whatever width the board program gave its own counter.
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"

namespace relabel::testing {
namespace {

TEST(PartsCount, TotalDoesNotWrapAt65536) {
  struct Case {
    int entries;
    const char* total;
  };
  for (const Case c : {Case{3, "3"}, Case{65535, "65535"}, Case{65536, "65536"},
                       Case{65538, "65538"}}) {
    SCOPED_TRACE(c.entries);
    FakePlatform fake;
    std::string list = "Components\r\n";
    for (int i = 0; i < c.entries; ++i) list += "\"N" + std::to_string(i) + "\"\r\n";
    fake.files["in.pnl"] = list + ")\r\n";
    fake.files["in.pcb"] = "(Components\r\n)\r\n";
    const RunResult r = run_in_memory(fake, {"in", "out"});
    set_platform(nullptr);
    EXPECT_EQ(r.exit_code, 0);
    const std::string total =
        "\r\nCelkem nalezeno: " + std::string(c.total) + " soucastek.\r\n";
    EXPECT_NE(r.console.find(std::string(c.entries, '.') + total), std::string::npos);
  }
}

}  // namespace
}  // namespace relabel::testing
