// Who may read the status page. On the loopback address anyone on this computer may (the
// remote way in is an SSH tunnel to it). On any other address the working directory must hold
// a token file, "status.token", owned by this user and readable by its owner only, and every
// request must bring that token: "?token=" or "Authorization: Bearer ".
//
// Threads: pure functions, safe anywhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace helx::ui::web {

inline constexpr const char* kTokenFile = "status.token";

bool IsLoopback(std::string_view address);
// The token from `path` when the file may be trusted with one; otherwise why not.
struct TokenFile {
  std::optional<std::string> token;
  std::string problem;
};
TokenFile ReadTokenFile(const std::string& path);
// Equal texts, compared in a time that does not depend on where they differ.
bool SameToken(std::string_view given, std::string_view expected);
// The token a request brings: its bearer token, else its "token" query value (decoded).
std::string RequestToken(std::string_view queryToken, std::string_view authorization);

}  // namespace helx::ui::web
