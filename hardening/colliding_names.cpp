// Writes a parts list (in.pnl) and a board (in.pcb) whose component names
// all land in the first few thousand slots of a name index that hashes
// without a key: the input that would make every lookup walk one long run of
// occupied slots if the program's index were not keyed per run.
//   colliding_names COUNT FOLDER
// Every fifth name is also a component of the board.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert/name_hash.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: colliding_names COUNT FOLDER\n");
    return 2;
  }
  const unsigned long count = std::strtoul(argv[1], nullptr, 10);
  const std::string folder = argv[2];
  // The index keeps at most half its slots full: COUNT names need an index
  // of at least 2 * COUNT slots. Names are kept when their unkeyed hash
  // falls in the first `range` slots of it (and so of every smaller one).
  std::uint32_t slots = 64;
  while (slots < 2 * count) slots *= 2;
  const std::uint32_t range = 4096;

  std::FILE* parts = std::fopen((folder + "/in.pnl").c_str(), "wb");
  std::FILE* board = std::fopen((folder + "/in.pcb").c_str(), "wb");
  if (parts == nullptr || board == nullptr) return 1;
  std::fputs("Components\n", parts);
  std::fputs("head\r\nComponents\r\n", board);
  const relabel::NameHashKey unkeyed;
  unsigned long found = 0;
  for (std::uint64_t candidate = 0; found < count; ++candidate) {
    const std::string name = "C" + std::to_string(candidate);
    const auto hash = static_cast<std::uint32_t>(relabel::name_hash(name, unkeyed));
    if ((hash & (slots - 1)) >= range) continue;
    std::fprintf(parts, "\"%s\" \"v%lu\" \"s%lu\" \"\"\n", name.c_str(), found, found);
    if (found % 5 == 0)
      std::fprintf(board,
                   "    (\"%s\" 10 20 0 2 0 0)\r\n    (\"a\" 1 2 3 4 5 6)\r\n"
                   "    (\"b\" 1 2 3)\r\n",
                   name.c_str());
    ++found;
  }
  std::fputs(")\n", parts);
  std::fputs(")\r\n", board);
  return std::fclose(parts) == 0 && std::fclose(board) == 0 ? 0 : 1;
}
