// The controller's on-line command interpreter for one host link: one line holds one or
// several commands, spaces and case do not matter ("END GAT" is "ENDGAT", "GAT &1 b1 r" starts
// gathering and runs the program pointed at in coordinate system 1). While a program buffer
// is open, lines are program statements until CLOSE. Each query adds its value and a carriage
// return to the reply; an illegal command ends the line with the controller's error form,
// BEL "ERRnnn" CR:
//   ERR001 not allowed while a program runs   ERR003 unrecognised command or bad data
//   ERR005 program statement with no open buffer   ERR009 program structure (at CLOSE)
//
// Threads: plain object, used under the device's lock together with its controller.
#pragma once

#include <string>
#include <string_view>

#include "sim/pmac/controller.h"

namespace helx::sim::pmac {

class Interpreter {
 public:
  explicit Interpreter(Controller& controller) : c_(controller) {}

  std::string execute(std::string_view line);
  bool bufferOpen() const { return openBuffer_ >= 0; }

  static std::string normalize(std::string_view line);
  static std::string errorReply(int code);

 private:
  struct Error {
    int code;
  };
  void command(std::string_view text, std::size_t& pos, std::string& reply);
  void variable(char kind, std::string_view text, std::size_t& pos, std::string& reply);
  void motorCommand(std::string_view text, std::size_t& pos, std::string& reply);
  bool bufferLine(std::string_view text, std::size_t& pos);
  void closeBuffer();
  double value(std::string_view text, std::size_t& pos);

  Controller& c_;
  int openBuffer_ = -1;
  int programPointer_ = 0;
};

}  // namespace helx::sim::pmac
