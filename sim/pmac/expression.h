// Arithmetic and conditions of the controller's language, read from text that is already
// upper case with the spaces taken out:
//   expression: numbers (12, -3.5, $80C000), variables P/I/M/Q followed by their number,
//               + - * / % (modulo), parentheses, unary minus, functions ABS INT SQRT SIN COS
//               (angles in degrees);
//   condition:  expression op expression with = != < > <= >= !< !>, joined by AND / OR,
//               optionally in parentheses.
// Parsing and evaluating are one pass; with no variable source the parse only checks syntax.
//
// Threads: a parser is used by one thread; the variable source is called from that thread.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace helx::sim::pmac {

struct SyntaxError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class VariableSource {
 public:
  virtual ~VariableSource() = default;
  // kind is 'P', 'I', 'M' or 'Q'; throws SyntaxError for a number out of range.
  virtual double read(char kind, int number) = 0;
};

class ExpressionParser {
 public:
  ExpressionParser(std::string_view text, std::size_t pos, VariableSource* vars)
      : text_(text), pos_(pos), vars_(vars) {}

  double expression();
  bool condition();
  // A move or timing argument: a signed number, a variable or a parenthesised expression.
  double argument() { return factor(); }
  std::size_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= text_.size(); }

  // A plain number (decimal or $hex) at pos; advances pos. Throws when there is none.
  static double number(std::string_view text, std::size_t& pos);
  // An unsigned integer at pos; advances pos. Returns -1 when there is none.
  static long integer(std::string_view text, std::size_t& pos);

 private:
  double term();
  double factor();
  double primary();
  bool comparison();
  bool conditionTerm();
  bool accept(std::string_view token);
  char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

  std::string_view text_;
  std::size_t pos_;
  VariableSource* vars_;
};

}  // namespace helx::sim::pmac
