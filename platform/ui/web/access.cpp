#include "platform/ui/web/access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>

namespace helx::ui::web {

bool IsLoopback(std::string_view address) {
  return address == "127.0.0.1" || address == "::1" || address == "localhost" ||
         address.rfind("127.", 0) == 0;
}

TokenFile ReadTokenFile(const std::string& path) {
  // Opened first and checked through the descriptor, so the file checked is the file read.
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {std::nullopt, "there is no \"" + path + "\" in the working directory"};
  struct stat st {};
  std::string problem;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    problem = "\"" + path + "\" is not a plain file";
  else if (st.st_uid != ::geteuid())
    problem = "\"" + path + "\" belongs to another user";
  else if (st.st_mode & (S_IRWXG | S_IRWXO))
    problem = "\"" + path + "\" may be read by others than its owner (chmod 600 it)";
  std::string text;
  if (problem.empty()) {
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 4096)
      text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (!problem.empty()) return {std::nullopt, problem};
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  text.erase(0, start);
  if (text.size() < 16)
    return {std::nullopt, "\"" + path + "\" holds no token of 16 characters or more"};
  return {text, ""};
}

bool SameToken(std::string_view given, std::string_view expected) {
  // Every character of the longer text is looked at, whatever differs first.
  const std::size_t n = given.size() > expected.size() ? given.size() : expected.size();
  unsigned difference = given.size() == expected.size() ? 0u : 1u;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char a = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
    const unsigned char b = i < expected.size() ? static_cast<unsigned char>(expected[i]) : 0;
    difference |= static_cast<unsigned>(a ^ b);
  }
  return difference == 0 && !expected.empty();
}

std::string RequestToken(std::string_view queryToken, std::string_view authorization) {
  constexpr std::string_view bearer = "Bearer ";
  if (authorization.substr(0, bearer.size()) == bearer)
    return std::string(authorization.substr(bearer.size()));
  return std::string(queryToken);
}

}  // namespace helx::ui::web
