// The controller's command language, lexically: the byte stream is cut into commands at ":"
// (several may come in one write, one may span writes), and each command splits into an
// optional "!" (immediate), an optional axis number, the mnemonic and its argument:
//
//   "!1TAS.1"  -> immediate, axis 1, "TAS", bit 1
//   "2D-40 "   -> axis 2, "D", "-40"         (spaces are not significant)
//   "PSET0,0,0,0", "DRIVE1111", "OUT0010", "HOMING"
//
// Threads: value types; a CommandSplitter belongs to one connection.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace helx::sim::sixk {

struct Command {
  bool immediate = false;
  int axis = 0;          // leading axis number; 0 when absent
  std::string name;      // the mnemonic in upper case
  int bit = 0;           // ".n" of a status report (TAS.1); 0 when absent
  std::string argument;  // what follows the mnemonic, without spaces
  std::string text;      // the command as received, trimmed
};

// nullopt for text that is not a command (empty, no mnemonic, an axis outside 1..4).
std::optional<Command> parseCommand(std::string_view text);

// Fields of a comma list ("0,,5" -> "0", "", "5"), at most `count`.
std::vector<std::string> splitFields(const std::string& argument, std::size_t count = 4);

class CommandSplitter {
 public:
  // Longest command kept; a longer run without ":" is dropped as noise.
  static constexpr std::size_t kMaxLength = 256;

  // Feeds received bytes; returns the commands they complete, in order.
  std::vector<std::string> feed(std::string_view bytes);
  void reset() { pending_.clear(); }
  // Counts the runs dropped for being too long.
  int dropped() const { return dropped_; }

 private:
  std::string pending_;
  bool overflow_ = false;
  int dropped_ = 0;
};

}  // namespace helx::sim::sixk
