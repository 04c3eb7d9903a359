#include "sim/pmac/expression.h"

#include <cctype>
#include <cmath>
#include <numbers>

namespace helx::sim::pmac {

namespace {
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
}  // namespace

long ExpressionParser::integer(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || !isDigit(text[pos])) return -1;
  long value = 0;
  while (pos < text.size() && isDigit(text[pos])) {
    if (value < 100'000'000) value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return value;
}

double ExpressionParser::number(std::string_view text, std::size_t& pos) {
  if (pos < text.size() && text[pos] == '$') {
    std::size_t start = ++pos;
    double value = 0.0;
    while (pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos]))) {
      char c = text[pos++];
      value = value * 16 + (isDigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    if (pos == start) throw SyntaxError("empty hex number");
    return value;
  }
  std::size_t start = pos;
  while (pos < text.size() && isDigit(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    while (pos < text.size() && isDigit(text[pos])) ++pos;
  }
  if (pos == start || (pos == start + 1 && text[start] == '.'))
    throw SyntaxError("number expected");
  return std::stod(std::string(text.substr(start, pos - start)));
}

bool ExpressionParser::accept(std::string_view token) {
  if (text_.substr(pos_, token.size()) != token) return false;
  pos_ += token.size();
  return true;
}

double ExpressionParser::expression() {
  double value = term();
  while (true) {
    if (accept("+"))
      value += term();
    else if (accept("-"))
      value -= term();
    else
      return value;
  }
}

double ExpressionParser::term() {
  double value = factor();
  while (true) {
    if (accept("*")) {
      value *= factor();
    } else if (accept("/")) {
      double d = factor();
      // The controller does not stop on a division by zero; the result saturates to 0.
      value = d == 0.0 ? 0.0 : value / d;
    } else if (accept("%")) {
      double d = factor();
      value = d == 0.0 ? 0.0 : std::fmod(value, d);
    } else {
      return value;
    }
  }
}

double ExpressionParser::factor() {
  if (accept("-")) return -factor();
  if (accept("+")) return factor();
  return primary();
}

double ExpressionParser::primary() {
  if (accept("(")) {
    double value = expression();
    if (!accept(")")) throw SyntaxError("')' expected");
    return value;
  }
  struct Function {
    std::string_view name;
    double (*apply)(double);
  };
  static constexpr double kDeg = std::numbers::pi / 180.0;
  static const Function functions[] = {
      {"ABS(", [](double x) { return std::fabs(x); }},
      {"INT(", [](double x) { return std::floor(x); }},
      {"SQRT(", [](double x) { return x < 0.0 ? 0.0 : std::sqrt(x); }},
      {"SIN(", [](double x) { return std::sin(x * kDeg); }},
      {"COS(", [](double x) { return std::cos(x * kDeg); }},
  };
  for (auto& f : functions) {
    if (accept(f.name)) {
      double value = expression();
      if (!accept(")")) throw SyntaxError("')' expected");
      return f.apply(value);
    }
  }
  char c = peek();
  if (c == 'P' || c == 'I' || c == 'M' || c == 'Q') {
    std::size_t p = pos_ + 1;
    long n = integer(text_, p);
    if (n < 0) throw SyntaxError("variable number expected");
    pos_ = p;
    return vars_ ? vars_->read(c, static_cast<int>(n)) : 0.0;
  }
  return number(text_, pos_);
}

bool ExpressionParser::comparison() {
  double left = expression();
  struct Op {
    std::string_view text;
    int kind;
  };
  // Longer operators first so that "<=" is not read as "<".
  static const Op ops[] = {{"!=", 0}, {"!<", 1}, {"!>", 2}, {"<=", 3},
                           {">=", 4}, {"=", 5},  {"<", 6},  {">", 7}};
  for (auto& op : ops) {
    if (!accept(op.text)) continue;
    double right = expression();
    switch (op.kind) {
      case 0:
        return left != right;
      case 1:
      case 4:
        return left >= right;
      case 2:
      case 3:
        return left <= right;
      case 5:
        return left == right;
      case 6:
        return left < right;
      default:
        return left > right;
    }
  }
  throw SyntaxError("comparison expected");
}

bool ExpressionParser::conditionTerm() {
  if (peek() == '(') {
    std::size_t save = pos_;
    try {
      ++pos_;
      bool value = condition();
      if (accept(")")) return value;
    } catch (const SyntaxError&) {
    }
    pos_ = save;
  }
  return comparison();
}

bool ExpressionParser::condition() {
  bool value = conditionTerm();
  while (true) {
    if (accept("AND")) {
      bool right = conditionTerm();
      value = value && right;
    } else if (accept("OR")) {
      bool right = conditionTerm();
      value = value || right;
    } else {
      return value;
    }
  }
}

}  // namespace helx::sim::pmac
