#include "platform/ui/web/snapshot.h"

#include <cstdio>
#include <deque>
#include <fstream>
#include <stdexcept>

#include "platform/os/calendar.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"

namespace helx::ui::web {

namespace {
ControlRef refFrom(const nlohmann::json& j, const char* what) {
  if (!j.is_object() || !j.contains("panel") || !j.contains("control"))
    throw std::runtime_error(std::string("\"") + what + "\" needs a panel and a control");
  return {j.at("panel").get<std::string>(), j.at("control").get<std::string>()};
}

std::string utcText(double calendarSeconds) {
  const std::tm t = os::UtcTime(static_cast<std::time_t>(calendarSeconds));
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

PictureState pictureState(const Control* picture) {
  if (!picture) return {};
  return {picture->image.width, picture->image.height, picture->pictureGeneration};
}

// The last `count` lines of a text, oldest first (a line being written counts as one).
std::vector<std::string> lastLines(const std::string& text, std::size_t count) {
  std::deque<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text, start, end - start);
    if (lines.size() > count) lines.pop_front();
    start = end + 1;
  }
  return {lines.begin(), lines.end()};
}
}  // namespace

std::string Utf8Text(std::string text) {
  // Valid UTF-8 stays as it is.
  std::size_t i = 0;
  bool valid = true;
  while (valid && i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80         ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
    if (length == 0 || i + length > text.size()) valid = false;
    for (std::size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
    i += length;
  }
  if (valid) return text;
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

PageLayout ReadPageLayout(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("there is no \"" + path + "\" in the working directory");
  nlohmann::json j;
  try {
    in >> j;
  } catch (const nlohmann::json::exception& e) {
    throw std::runtime_error("\"" + path + "\" is not JSON: " + e.what());
  }
  PageLayout layout;
  if (!j.contains("facts") || !j["facts"].is_array())
    throw std::runtime_error("\"" + path + "\" has no list of facts");
  for (const auto& f : j["facts"]) {
    if (!f.contains("group") || !f.contains("name"))
      throw std::runtime_error("a fact in \"" + path + "\" has no group or name");
    layout.facts.push_back(
        {f["group"].get<std::string>(), f["name"].get<std::string>(), refFrom(f, "fact")});
  }
  layout.messages = refFrom(j.value("messages", nlohmann::json()), "messages");
  layout.picture = refFrom(j.value("picture", nlohmann::json()), "picture");
  return layout;
}

Control* FindControl(Model& model, const ControlRef& ref) {
  for (auto& [handle, panel] : model.panels()) {
    if (panel.constant != ref.panel) continue;
    for (auto& [id, control] : panel.controls)
      if (control.constant == ref.control) return &control;
    return nullptr;
  }
  return nullptr;
}

nlohmann::json FactValue(const Control* control) {
  if (!control) return nullptr;
  switch (control->kind) {
    case Kind::Led:
    case Kind::ToggleButton:
      return control->number != 0;
    default:
      return Utf8Text(valueText(*control));
  }
}

nlohmann::ordered_json StatusSnapshot(const PageLayout& layout) {
  // In the site file's order: the page shows the groups and facts as listed there.
  nlohmann::ordered_json facts = nlohmann::ordered_json::object();
  std::string messageText;
  PictureState picture;
  Model::instance().with([&](Model& m) {
    for (const Fact& f : layout.facts)
      facts[f.group][f.name] = nlohmann::ordered_json(FactValue(FindControl(m, f.at)));
    if (const Control* box = FindControl(m, layout.messages)) messageText = box->text;
    picture = pictureState(FindControl(m, layout.picture));
  });
  // A popup's time is instrument time; the page shows it as UTC, counted back from now.
  auto& clock = os::Clock::instance();
  const double now = clock.seconds();
  const double calendarNow = static_cast<double>(os::CalendarNow());
  nlohmann::ordered_json popups = nlohmann::ordered_json::array();
  const auto records = Operator::popups();
  const std::size_t first = records.size() > kPopups ? records.size() - kPopups : 0;
  for (std::size_t i = first; i < records.size(); ++i)
    popups.push_back({{"kind", records[i].kind},
                      {"title", Utf8Text(records[i].title)},
                      {"text", Utf8Text(records[i].text)},
                      {"utc", utcText(calendarNow - (now - records[i].time) / clock.scale())}});
  nlohmann::ordered_json out = std::move(facts);
  out["messages"] = lastLines(Utf8Text(std::move(messageText)), kMessageLines);
  out["popups"] = std::move(popups);
  out["picture"]["shown"] = picture.width > 0 && picture.height > 0;
  out["picture"]["width"] = picture.width;
  out["picture"]["height"] = picture.height;
  out["picture"]["generation"] = picture.generation;
  out["utc"] = utcText(calendarNow);
  return out;
}

PictureState CurrentPicture(const PageLayout& layout) {
  return Model::instance().with(
      [&](Model& m) { return pictureState(FindControl(m, layout.picture)); });
}

Image PictureCopy(const PageLayout& layout, std::uint64_t* generation) {
  Image image;
  Marks marks;
  Model::instance().with([&](Model& m) {
    if (const Control* pic = FindControl(m, layout.picture)) {
      image = pic->image;
      marks = pic->marks;
      *generation = pic->pictureGeneration;
    }
  });
  if (marks.width == image.width && marks.height == image.height && !marks.marked.empty())
    for (std::size_t i = 0; i < image.rgb.size() && i < marks.marked.size(); ++i)
      if (marks.marked[i]) image.rgb[i] = marks.color;
  return image;
}

}  // namespace helx::ui::web
