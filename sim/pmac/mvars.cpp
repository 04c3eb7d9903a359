#include "sim/pmac/mvars.h"

#include <cstdio>

#include "sim/pmac/expression.h"

namespace helx::sim::pmac {

MDefinition parseMDefinition(std::string_view text, std::size_t& pos) {
  MDefinition d;
  if (pos < text.size() && text[pos] == '*') {
    ++pos;
    return d;
  }
  if (pos + 1 >= text.size() || (text[pos] != 'X' && text[pos] != 'Y') || text[pos + 1] != ':')
    throw SyntaxError("memory space expected");
  d.space = text[pos];
  pos += 2;
  double address = ExpressionParser::number(text, pos);
  if (address < 0 || address > 0xFFFF) throw SyntaxError("address out of range");
  d.address = static_cast<unsigned>(address);
  if (pos >= text.size() || text[pos] != ',') throw SyntaxError("bit expected");
  ++pos;
  long bit = ExpressionParser::integer(text, pos);
  if (bit < 0 || bit > 23) throw SyntaxError("bit out of range");
  d.bit = static_cast<int>(bit);
  if (pos < text.size() && text[pos] == ',') {
    ++pos;
    long width = ExpressionParser::integer(text, pos);
    if (width < 1 || bit + width > 24) throw SyntaxError("width out of range");
    d.width = static_cast<int>(width);
  }
  return d;
}

std::string formatMDefinition(const MDefinition& d) {
  if (d.space == 0) return "*";
  char text[40];
  std::snprintf(text, sizeof text, "%c:$%04X,%d,%d", d.space, d.address, d.bit, d.width);
  return text;
}

}  // namespace helx::sim::pmac
