// A motion program as stored in the controller: the statements of its buffer, compiled from
// program lines (upper case, spaces removed) with the jumps of WHILE/ENDWHILE and
// IF/ELSE/ENDIF resolved when the buffer is closed.
//
// Threads: plain data; owned and used by the controller's thread of control.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helx::sim::pmac {

enum class Op {
  Assign,  // var number = expr
  Inc,
  Abs,
  Linear,
  Ta,
  Ts,
  Tm,
  Feed,
  MoveX,
  Dwell,
  While,
  EndWhile,
  If,
  Else,
  EndIf,
  Return,
};

struct Statement {
  Op op = Op::Return;
  char var = 0;      // Assign: 'P', 'I', 'M' or 'Q'
  int number = 0;    // Assign: variable number
  std::string expr;  // argument, value or condition text
  int jump = -1;     // While/If: where to go when false; Else/EndWhile: where to go
};

struct Program {
  std::vector<Statement> statements;
  std::vector<std::string> lines;  // as downloaded, for LIST PROG
  bool valid = true;               // false after a structural error at CLOSE
};

// What one line of an open buffer asks for, besides statements to append.
struct BufferLine {
  std::vector<Statement> statements;
  bool clear = false;     // CLEAR seen (statements after it belong to the fresh buffer)
  bool close = false;     // CLOSE seen
  std::string_view rest;  // text after CLOSE, to be run as on-line commands
};

// Parses one normalized line of an open buffer; throws SyntaxError.
BufferLine parseBufferLine(std::string_view line);

// Resolves the block jumps; returns false (and leaves the program invalid) on a structural
// error such as ENDWHILE without WHILE.
bool link(Program& program);

}  // namespace helx::sim::pmac
