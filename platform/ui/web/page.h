// The status page itself: one HTML file with its CSS and a little JavaScript, no framework and
// no external address. It polls /status.json every half second, /files.json every five, and
// reloads /picture.png when the picture's change count moves. A token given in the page's own
// address is passed on to every request.
#pragma once

#include <string>

namespace helx::ui::web {

const std::string& StatusPageHtml();

}  // namespace helx::ui::web
