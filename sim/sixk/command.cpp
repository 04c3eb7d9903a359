#include "sim/sixk/command.h"

#include <cctype>

namespace helx::sim::sixk {

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

std::optional<Command> parseCommand(std::string_view text) {
  std::string compact;
  for (char c : text)
    if (!isSpace(c)) compact += c;
  Command cmd;
  std::size_t i = 0;
  std::size_t first = text.find_first_not_of(" \t\r\n");
  std::size_t last = text.find_last_not_of(" \t\r\n");
  if (first == std::string_view::npos) return std::nullopt;
  cmd.text = std::string(text.substr(first, last - first + 1));
  if (i < compact.size() && compact[i] == '!') {
    cmd.immediate = true;
    ++i;
  }
  if (i < compact.size() && isDigit(compact[i])) {
    cmd.axis = compact[i] - '0';
    ++i;
    if (cmd.axis < 1 || cmd.axis > 4 || (i < compact.size() && isDigit(compact[i])))
      return std::nullopt;
  }
  while (i < compact.size() && isAlpha(compact[i]))
    cmd.name += static_cast<char>(std::toupper(static_cast<unsigned char>(compact[i++])));
  if (cmd.name.empty()) return std::nullopt;
  cmd.argument = compact.substr(i);
  if (cmd.name[0] == 'T' && cmd.argument.size() >= 2 && cmd.argument[0] == '.') {
    int bit = 0;
    std::size_t j = 1;
    while (j < cmd.argument.size() && isDigit(cmd.argument[j]) && bit < 100)
      bit = bit * 10 + (cmd.argument[j++] - '0');
    if (j == cmd.argument.size() && bit >= 1 && bit <= 32) {
      cmd.bit = bit;
      cmd.argument.clear();
    }
  }
  return cmd;
}

std::vector<std::string> splitFields(const std::string& argument, std::size_t count) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() < count) {
    std::size_t comma = argument.find(',', start);
    fields.push_back(argument.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::vector<std::string> CommandSplitter::feed(std::string_view bytes) {
  std::vector<std::string> out;
  for (char c : bytes) {
    if (c == ':') {
      if (overflow_) {
        ++dropped_;
      } else if (pending_.find_first_not_of(" \t\r\n") != std::string::npos) {
        out.push_back(pending_);
      }
      pending_.clear();
      overflow_ = false;
      continue;
    }
    if (overflow_) continue;
    if (pending_.size() >= kMaxLength) {
      overflow_ = true;
      pending_.clear();
      continue;
    }
    pending_ += c;
  }
  return out;
}

}  // namespace helx::sim::sixk
