#include "sim/pmac/interpreter.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace helx::sim::pmac {

namespace {

std::string formatValue(double v) {
  char text[64];
  if (std::fabs(v) < 1e15 && v == std::floor(v))
    std::snprintf(text, sizeof text, "%.0f", v + 0.0);
  else
    std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

std::string formatTenth(double v) {
  double r = std::round(v * 10.0) / 10.0;
  if (r == 0.0) r = 0.0;  // no "-0.0"
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", r);
  return text;
}

bool accept(std::string_view text, std::size_t& pos, std::string_view word) {
  if (text.substr(pos, word.size()) != word) return false;
  pos += word.size();
  return true;
}

bool digitAt(std::string_view text, std::size_t pos) {
  return pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]));
}

}  // namespace

std::string Interpreter::normalize(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (char ch : line) {
    auto c = static_cast<unsigned char>(ch);
    if (std::isspace(c) || std::iscntrl(c)) continue;
    out.push_back(static_cast<char>(std::toupper(c)));
  }
  return out;
}

std::string Interpreter::errorReply(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "\aERR%03d\r", code);
  return text;
}

std::string Interpreter::execute(std::string_view line) {
  std::string text = normalize(line);
  std::string reply;
  std::size_t pos = 0;
  try {
    while (pos < text.size()) {
      if (openBuffer_ >= 0)
        bufferLine(text, pos);
      else
        command(text, pos, reply);
    }
  } catch (const Error& e) {
    reply += errorReply(e.code);
  } catch (const SyntaxError&) {
    reply += errorReply(3);
  }
  return reply;
}

bool Interpreter::bufferLine(std::string_view text, std::size_t& pos) {
  std::string_view rest = text.substr(pos);
  BufferLine parsed;
  try {
    parsed = parseBufferLine(rest);
  } catch (const SyntaxError&) {
    pos = text.size();
    throw Error{3};
  }
  Program& program = c_.program(openBuffer_);
  if (parsed.clear) {
    program.statements.clear();
    program.lines.clear();
  }
  std::size_t used = parsed.close ? rest.size() - parsed.rest.size() - 5 : rest.size();
  if (!parsed.statements.empty()) {
    program.lines.emplace_back(rest.substr(0, used));
    for (auto& s : parsed.statements) program.statements.push_back(std::move(s));
  }
  pos += used;
  if (parsed.close) {
    pos += 5;
    closeBuffer();
  }
  return true;
}

void Interpreter::closeBuffer() {
  int number = openBuffer_;
  openBuffer_ = -1;
  Program& program = c_.program(number);
  if (!link(program)) {
    c_.emit("program_invalid", {{"program", number}});
    throw Error{9};
  }
  c_.emit("program_stored", {{"program", number}, {"statements", program.statements.size()}});
}

double Interpreter::value(std::string_view text, std::size_t& pos) {
  ExpressionParser parser(text, pos, &c_);
  double v = parser.argument();
  pos = parser.position();
  return v;
}

void Interpreter::command(std::string_view text, std::size_t& pos, std::string& reply) {
  if (accept(text, pos, "OPENPROG")) {
    long n = ExpressionParser::integer(text, pos);
    if (n < 0 || n > 32767) throw Error{3};
    if (c_.runningProgram() == n) throw Error{1};
    c_.program(static_cast<int>(n));
    openBuffer_ = static_cast<int>(n);
    return;
  }
  if (accept(text, pos, "CLOSE")) return;
  if (accept(text, pos, "ENDGAT")) return c_.stopGather();
  if (accept(text, pos, "DELGAT")) return c_.deleteGather();
  if (accept(text, pos, "DEFGAT")) {
    if (!c_.defineGather()) throw Error{3};
    return;
  }
  if (accept(text, pos, "GAT")) {
    if (!c_.startGather()) throw Error{3};
    return;
  }
  if (accept(text, pos, "LISTPROG")) {
    long n = ExpressionParser::integer(text, pos);
    if (n < 0 || !c_.hasProgram(static_cast<int>(n))) throw Error{3};
    for (auto& l : c_.program(static_cast<int>(n)).lines) reply += l + "\r";
    return;
  }
  if (accept(text, pos, "VERSION")) {
    reply += c_.config().romVersion + "\r";
    return;
  }
  if (accept(text, pos, "DATE")) {
    reply += c_.config().romDate + "\r";
    return;
  }
  char ch = text[pos];
  if (ch == '#' || ch == '&') {
    ++pos;
    if (ExpressionParser::integer(text, pos) != 1) throw Error{3};
    if (ch == '#' && accept(text, pos, "->")) {
      if (pos >= text.size() || text[pos] == '#' || text[pos] == '&') {
        auto& cs = c_.coordinateSystem();
        reply += cs.axisDefined() ? formatValue(cs.countsPerUnit()) + "X\r" : "0\r";
        return;
      }
      double scale = ExpressionParser::number(text, pos);
      if (!accept(text, pos, "X") || scale == 0.0) throw Error{3};
      if (c_.programRunning()) throw Error{1};
      c_.coordinateSystem().defineAxis(scale);
    }
    return;
  }
  if ((ch == 'P' || ch == 'I' || ch == 'M' || ch == 'Q') && digitAt(text, pos + 1)) {
    ++pos;
    return variable(ch, text, pos, reply);
  }
  if (ch == 'B') {
    ++pos;
    long n = ExpressionParser::integer(text, pos);
    if (n < 0) throw Error{3};
    if (c_.programRunning()) throw Error{1};
    programPointer_ = static_cast<int>(n);
    return;
  }
  if (ch == 'R') {
    ++pos;
    int code = c_.run(programPointer_);
    if (code != 0) throw Error{code};
    return;
  }
  if (ch == 'A' || ch == 'Q') {
    ++pos;
    c_.abortProgram(ch == 'A' ? "abort" : "quit");
    return;
  }
  motorCommand(text, pos, reply);
}

void Interpreter::motorCommand(std::string_view text, std::size_t& pos, std::string& reply) {
  Motor& m = c_.motor();
  double t = c_.nowSeconds() * 1000.0;
  auto require = [](bool ok) {
    if (!ok) throw Error{1};
  };
  if (accept(text, pos, "HMZ")) {
    require(!c_.programRunning());
    m.homeZero();
    c_.emit("home_zero", {{"position", m.position()}});
    return;
  }
  if (accept(text, pos, "HM")) return require(m.home(t, c_.ampWillEnable()));
  char ch = text[pos++];
  switch (ch) {
    case 'J': {
      char how = pos < text.size() ? text[pos++] : '\0';
      if (how == '+' || how == '-')
        return require(m.jog(how == '+' ? 1 : -1, t, c_.ampWillEnable()));
      if (how == '/') return require(m.closeLoop(c_.ampWillEnable()));
      if (how == '=' || how == ':') {
        double v = value(text, pos);
        double target = how == '=' ? v : m.commanded() + v;
        return require(c_.jogTo(target));
      }
      throw Error{3};
    }
    case 'K':
      c_.abortProgram("kill");
      m.kill();
      c_.emit("kill");
      return;
    case 'O': {
      double percent = value(text, pos);
      return require(m.openLoop(percent, c_.ampWillEnable()));
    }
    case 'P':
      reply += formatTenth(m.position()) + "\r";
      return;
    case 'V':
      reply += formatTenth(m.velocityPerMs()) + "\r";
      return;
    case 'F':
      reply += formatTenth(m.followingError()) + "\r";
      return;
    default:
      throw Error{ch == 'X' || ch == 'T' || ch == 'D' || ch == 'W' || ch == 'E' ? 5 : 3};
  }
}

void Interpreter::variable(char kind, std::string_view text, std::size_t& pos, std::string& reply) {
  long n = ExpressionParser::integer(text, pos);
  if (n < 0 || n > 1023) throw Error{3};
  int number = static_cast<int>(n);
  if (kind == 'M' && accept(text, pos, "->")) {
    if (pos >= text.size() || (text[pos] != 'X' && text[pos] != 'Y' && text[pos] != '*')) {
      reply += formatMDefinition(c_.mDefinition(number)) + "\r";
      return;
    }
    c_.defineM(number, parseMDefinition(text, pos));
    return;
  }
  if (accept(text, pos, "=")) {
    ExpressionParser parser(text, pos, &c_);
    double v = parser.expression();
    pos = parser.position();
    if (kind == 'I') {
      if (!c_.setI(number, v)) throw Error{3};
    } else {
      c_.write(kind, number, v);
    }
    return;
  }
  reply += formatValue(c_.read(kind, number)) + "\r";
}

}  // namespace helx::sim::pmac
