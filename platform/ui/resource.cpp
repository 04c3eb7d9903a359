#include "platform/ui/resource.h"

#include <fstream>
#include <map>
#include <mutex>

#include "platform/ui/callbacks.h"

namespace helx::ui {

namespace {
std::mutex cacheMutex;
std::map<std::string, std::shared_ptr<const Resource>> cache;

bool valid(const nlohmann::json& doc) {
  if (!doc.is_object() || !doc.contains("panels") || !doc["panels"].is_array()) return false;
  for (auto& p : doc["panels"])
    if (!p.is_object() || !p.contains("number") || !p["number"].is_number_integer()) return false;
  return true;
}

DataType dataTypeFrom(const std::string& s, Kind kind) {
  if (s == "unsigned") return DataType::Unsigned;
  if (s == "float") return DataType::Float;
  if (s == "double") return DataType::Double;
  if (s == "string") return DataType::String;
  if (s == "int") return DataType::Int;
  switch (kind) {
    case Kind::String:
    case Kind::TextBox:
    case Kind::TextMessage:
      return DataType::String;
    default:
      return DataType::Int;
  }
}
}  // namespace

std::shared_ptr<const Resource> Resource::load(const std::string& path) {
  std::lock_guard lock(cacheMutex);
  if (auto it = cache.find(path); it != cache.end()) return it->second;
  std::ifstream in(path);
  if (!in) return nullptr;
  auto r = std::make_shared<Resource>();
  try {
    r->document_ = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception&) {
    return nullptr;
  }
  if (!valid(r->document_)) return nullptr;
  cache[path] = r;
  return r;
}

const nlohmann::json* Resource::panel(int number) const {
  for (auto& p : document_["panels"])
    if (p.value("number", -1) == number) return &p;
  return nullptr;
}

const nlohmann::json* Resource::menuBar(int number) const {
  if (!document_.contains("menubars")) return nullptr;
  for (auto& m : document_["menubars"])
    if (m.value("number", -1) == number) return &m;
  return nullptr;
}

Control Resource::makeControl(const nlohmann::json& d, std::vector<std::string>& unbound) {
  Control c;
  c.id = d.value("id", 0);
  c.constant = d.value("constant", "");
  c.kind = kindFromName(d.value("kind", "decoration")).value_or(Kind::Decoration);
  c.dataType = dataTypeFrom(d.value("data_type", ""), c.kind);
  c.label = d.value("label", "");
  c.labelVisible = d.value("label_visible", true);
  c.callbackName = d.value("callback", "");
  if (!c.callbackName.empty()) {
    c.callback = FindCtrlCallback(c.callbackName);
    if (!c.callback) unbound.push_back(c.callbackName);
  }
  c.left = d.value("left", 0);
  c.top = d.value("top", 0);
  c.width = d.value("width", 0);
  c.height = d.value("height", 0);
  c.dimmed = d.value("dimmed", false);
  c.visible = d.value("visible", true);
  if (d.contains("min") && d["min"].is_number()) c.min = d["min"].get<double>();
  if (d.contains("max") && d["max"].is_number()) c.max = d["max"].get<double>();
  c.increment = d.value("inc", 1.0);
  c.onColor = d.value("on_color", 0xFF0000);
  c.interval = d.value("interval", 0.1);
  c.enabled = d.value("enabled", c.kind == Kind::Timer ? false : true);
  if (d.contains("items"))
    for (auto& it : d["items"]) c.items.push_back({it.value("label", ""), it.value("value", 0.0)});
  c.defaultIndex = d.value("default_index", 0);
  if (!c.items.empty())
    c.index = (c.defaultIndex >= 0 && c.defaultIndex < static_cast<int>(c.items.size()))
                  ? c.defaultIndex
                  : 0;
  if (d.contains("default")) {
    auto& v = d["default"];
    if (v.is_string())
      c.text = v.get<std::string>();
    else if (v.is_number())
      c.number = v.get<double>();
    else if (v.is_boolean())
      c.number = v.get<bool>() ? 1 : 0;
  }
  c.defaultNumber = c.number;
  c.defaultText = c.text;
  return c;
}

Panel Resource::makePanel(const nlohmann::json& d, std::vector<std::string>& unbound) {
  Panel p;
  p.resourceNumber = d.value("number", 0);
  p.constant = d.value("constant", "");
  // A tab page carries its tab's text as "label".
  p.title = d.value("title", d.value("label", ""));
  p.callbackName = d.value("callback", "");
  if (!p.callbackName.empty()) {
    p.callback = FindPanelCallback(p.callbackName);
    if (!p.callback) unbound.push_back(p.callbackName);
  }
  p.left = d.value("left", 0);
  p.top = d.value("top", 0);
  p.width = d.value("width", 400);
  p.height = d.value("height", 300);
  if (d.contains("controls"))
    for (auto& cd : d["controls"]) {
      Control c = makeControl(cd, unbound);
      p.controls[c.id] = std::move(c);
    }
  return p;
}

MenuBar Resource::makeMenuBar(const nlohmann::json& d, std::vector<std::string>& unbound) {
  MenuBar m;
  for (auto& menu : d.value("menus", nlohmann::json::array())) {
    MenuEntry e;
    e.id = menu.value("id", 0);
    e.constant = menu.value("constant", "");
    e.label = menu.value("label", "");
    e.dimmed = menu.value("dimmed", false);
    m.entries[e.id] = e;
    for (auto& item : menu.value("items", nlohmann::json::array())) {
      MenuEntry i;
      i.id = item.value("id", 0);
      i.constant = item.value("constant", "");
      i.label = item.value("label", "");
      i.dimmed = item.value("dimmed", false);
      i.parentMenu = e.id;
      i.callbackName = item.value("callback", "");
      if (!i.callbackName.empty()) {
        i.callback = FindMenuCallback(i.callbackName);
        if (!i.callback) unbound.push_back(i.callbackName);
      }
      m.entries[i.id] = i;
    }
  }
  return m;
}

}  // namespace helx::ui
