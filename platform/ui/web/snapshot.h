// What the status page shows, read from the panel model: the facts a site file names (panel and
// control constants, grouped), the last lines of a message box, the popups, and which picture
// is shown. The site file ("status_page.json" in the working directory):
//
//   {"facts": [{"group": "power", "name": "cameras", "panel": "PANEL", "control": "CCD_Status"},
//              ...],
//    "messages": {"panel": "PANEL", "control": "TB_Text_Monitor"},
//    "picture": {"panel": "GRAPHICPNL", "control": "PIC_WINDOW"}}
//
// A fact is a control's value as the operator reads it: an LED or button gives true or false,
// a ring its selected label, every other control its text (numbers as GetCtrlVal prints them).
// A panel not loaded gives null.
//
// Threads: any thread; each read takes the model's lock briefly and formats outside it.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/ui/model.h"

namespace helx::ui::web {

inline constexpr std::size_t kMessageLines = 200;
inline constexpr std::size_t kPopups = 100;

struct ControlRef {
  std::string panel, control;
};
struct Fact {
  std::string group, name;
  ControlRef at;
};
struct PageLayout {
  std::vector<Fact> facts;
  ControlRef messages, picture;
};

// Reads the site file; throws std::runtime_error with the reason.
PageLayout ReadPageLayout(const std::string& path);

// The program's texts are bytes, a degree sign in Latin-1 among them: a text that is not UTF-8
// is read as Latin-1, so that JSON carries it as the operator sees it.
std::string Utf8Text(std::string text);

// The control, under the model's lock: the first loaded panel with that constant.
Control* FindControl(Model& model, const ControlRef& ref);
// A fact's value as JSON (call under the model's lock).
nlohmann::json FactValue(const Control* control);

// The picture's size and change count; generation 0 and size 0 when nothing is shown.
struct PictureState {
  int width = 0, height = 0;
  std::uint64_t generation = 0;
};

// The whole /status.json.
nlohmann::ordered_json StatusSnapshot(const PageLayout& layout);
PictureState CurrentPicture(const PageLayout& layout);
// A copy of the picture with its marks drawn over it, as the views draw it; empty when none.
Image PictureCopy(const PageLayout& layout, std::uint64_t* generation);

}  // namespace helx::ui::web
