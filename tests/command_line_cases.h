// How a command line splits into arguments, shared by the test of the
// splitting itself and the Windows test of the program's own command line:
// the text after the program's name, and the arguments it gives.
#pragma once

#include <string>
#include <vector>

namespace relabel::testing {

struct CommandLineCase {
  std::string tail;
  std::vector<std::string> args;
};

inline const CommandLineCase kCommandLineCases[] = {
    {"\tin  out", {"in", "out"}},
    {" a\x01"
     "b\x1f"
     "c",
     {"a", "b", "c"}},
    {" \"a b\"", {"a b"}},
    {" \"a\tb\x01\"", {"a\tb\x01"}},
    {" a\"b c\"d", {"ab cd"}},
    {" x\"a b\" \"c\"", {"xa b", "c"}},
    {" \"\" b", {"b"}},
    {" b \"\"", {"b"}},
    {" \"\"\"\"\t\"\" b", {"b"}},
    {" a\"\"b", {"ab"}},
    {" a\"b c  d", {"ab c  d"}},  // an unpaired quote runs to the end
    {" \"", {}},
    {" x\\\"y z", {"x\\y z"}},  // a backslash escapes nothing
    {" x\\ y\\\\", {"x\\", "y\\\\"}},
    {" \x80\xFF \xA0\xC3\xA9", {"\x80\xFF", "\xA0\xC3\xA9"}},
    {" \xE9t\xE9 \xFC\xC0", {"\xE9t\xE9", "\xFC\xC0"}},
};

}  // namespace relabel::testing
