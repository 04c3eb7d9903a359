// M-variable definitions: an M-variable either holds its own value or points at bits of a
// controller word, written "X:$003D,22" or "Y:$814,0,1" (memory space, address, first bit,
// optional width in bits).
//
// Threads: plain data, under the controller's lock.
#pragma once

#include <string>
#include <string_view>

namespace helx::sim::pmac {

struct MDefinition {
  char space = 0;  // 0: the variable's own value; 'X' or 'Y'
  unsigned address = 0;
  int bit = 0;
  int width = 1;
};

// Parses a definition starting at pos (upper case, no spaces); throws SyntaxError.
MDefinition parseMDefinition(std::string_view text, std::size_t& pos);
std::string formatMDefinition(const MDefinition& d);

}  // namespace helx::sim::pmac
