#include "sim/pmac/program.h"

#include <cctype>

#include "sim/pmac/expression.h"

namespace helx::sim::pmac {

namespace {

Statement make(Op op) {
  Statement s;
  s.op = op;
  return s;
}

bool startsWith(std::string_view text, std::size_t pos, std::string_view word) {
  return text.substr(pos, word.size()) == word;
}

// The text of one argument starting at pos (checked for syntax), advancing pos.
std::string argument(std::string_view text, std::size_t& pos) {
  ExpressionParser parser(text, pos, nullptr);
  parser.argument();
  std::string out(text.substr(pos, parser.position() - pos));
  pos = parser.position();
  return out;
}

std::string conditionText(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '(') throw SyntaxError("'(' expected");
  ExpressionParser parser(text, pos, nullptr);
  parser.condition();
  std::string out(text.substr(pos, parser.position() - pos));
  pos = parser.position();
  return out;
}

}  // namespace

BufferLine parseBufferLine(std::string_view line) {
  BufferLine out;
  std::size_t pos = 0;
  struct Simple {
    std::string_view word;
    Op op;
  };
  // Longer words first where one begins another.
  static const Simple simple[] = {
      {"ENDWHILE", Op::EndWhile}, {"ENDW", Op::EndWhile}, {"ENDIF", Op::EndIf},
      {"ENDI", Op::EndIf},        {"ELSE", Op::Else},     {"INC", Op::Inc},
      {"ABS", Op::Abs},           {"LINEAR", Op::Linear}, {"RETURN", Op::Return}};
  struct WithArgument {
    std::string_view word;
    Op op;
  };
  static const WithArgument withArgument[] = {
      {"DWELL", Op::Dwell}, {"DELAY", Op::Dwell}, {"TA", Op::Ta},  {"TS", Op::Ts},
      {"TM", Op::Tm},       {"F", Op::Feed},      {"X", Op::MoveX}};
  while (pos < line.size()) {
    if (startsWith(line, pos, "CLOSE")) {
      out.close = true;
      out.rest = line.substr(pos + 5);
      return out;
    }
    if (startsWith(line, pos, "CLEAR")) {
      pos += 5;
      out.clear = true;
      out.statements.clear();
      continue;
    }
    if (startsWith(line, pos, "WHILE") || startsWith(line, pos, "IF")) {
      bool isWhile = line[pos] == 'W';
      pos += isWhile ? 5 : 2;
      Statement s = make(isWhile ? Op::While : Op::If);
      s.expr = conditionText(line, pos);
      out.statements.push_back(std::move(s));
      continue;
    }
    bool matched = false;
    for (auto& w : simple) {
      if (startsWith(line, pos, w.word)) {
        pos += w.word.size();
        out.statements.push_back(make(w.op));
        matched = true;
        break;
      }
    }
    if (matched) continue;
    char c = line[pos];
    if ((c == 'P' || c == 'I' || c == 'M' || c == 'Q') && pos + 1 < line.size() &&
        std::isdigit(static_cast<unsigned char>(line[pos + 1]))) {
      std::size_t p = pos + 1;
      long n = ExpressionParser::integer(line, p);
      if (p >= line.size() || line[p] != '=' || n > 1023) throw SyntaxError("assignment expected");
      ++p;
      ExpressionParser parser(line, p, nullptr);
      parser.expression();
      Statement s = make(Op::Assign);
      s.var = c;
      s.number = static_cast<int>(n);
      s.expr = std::string(line.substr(p, parser.position() - p));
      pos = parser.position();
      out.statements.push_back(std::move(s));
      continue;
    }
    for (auto& w : withArgument) {
      if (startsWith(line, pos, w.word)) {
        pos += w.word.size();
        Statement s = make(w.op);
        s.expr = argument(line, pos);
        out.statements.push_back(std::move(s));
        matched = true;
        break;
      }
    }
    if (!matched) throw SyntaxError("unknown program statement");
  }
  return out;
}

bool link(Program& program) {
  struct Open {
    Op op;
    int index;
    int elseIndex = -1;
  };
  std::vector<Open> stack;
  auto& st = program.statements;
  for (int i = 0; i < static_cast<int>(st.size()); ++i) {
    switch (st[i].op) {
      case Op::While:
      case Op::If:
        stack.push_back({st[i].op, i});
        break;
      case Op::Else:
        if (stack.empty() || stack.back().op != Op::If || stack.back().elseIndex >= 0)
          return program.valid = false;
        stack.back().elseIndex = i;
        st[stack.back().index].jump = i + 1;
        break;
      case Op::EndWhile:
        if (stack.empty() || stack.back().op != Op::While) return program.valid = false;
        st[stack.back().index].jump = i + 1;
        st[i].jump = stack.back().index;
        stack.pop_back();
        break;
      case Op::EndIf:
        if (stack.empty() || stack.back().op != Op::If) return program.valid = false;
        if (stack.back().elseIndex >= 0)
          st[stack.back().elseIndex].jump = i + 1;
        else
          st[stack.back().index].jump = i + 1;
        stack.pop_back();
        break;
      default:
        break;
    }
  }
  return program.valid = stack.empty();
}

}  // namespace helx::sim::pmac
