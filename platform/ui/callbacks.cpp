#include "platform/ui/callbacks.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/ui/resource.h"

namespace helx::ui {

namespace {
struct Table {
  std::mutex mutex;
  std::map<std::string, CtrlCallbackPtr> controls;
  std::map<std::string, PanelCallbackPtr> panels;
  std::map<std::string, MenuCallbackPtr> menus;
};
Table& table() {
  static Table& t = *new Table;  // never destroyed: threads may outlive main
  return t;
}
template <typename Map>
typename Map::mapped_type find(Map& map, const std::string& name) {
  std::lock_guard lock(table().mutex);
  auto it = map.find(name);
  return it == map.end() ? nullptr : it->second;
}
}  // namespace

void RegisterCallback(const std::string& name, CtrlCallbackPtr f) {
  std::lock_guard lock(table().mutex);
  table().controls[name] = f;
}
void RegisterCallback(const std::string& name, PanelCallbackPtr f) {
  std::lock_guard lock(table().mutex);
  table().panels[name] = f;
}
void RegisterCallback(const std::string& name, MenuCallbackPtr f) {
  std::lock_guard lock(table().mutex);
  table().menus[name] = f;
}

CtrlCallbackPtr FindCtrlCallback(const std::string& name) { return find(table().controls, name); }
PanelCallbackPtr FindPanelCallback(const std::string& name) { return find(table().panels, name); }
MenuCallbackPtr FindMenuCallback(const std::string& name) { return find(table().menus, name); }

std::vector<std::string> UnboundCallbackNames(const std::string& resourceFile) {
  std::vector<std::string> out;
  auto resource = Resource::load(resourceFile);
  if (!resource) return out;
  auto visitControls = [&](auto& self, const nlohmann::json& controls) -> void {
    for (auto& c : controls) {
      std::string name = c.value("callback", "");
      if (!name.empty() && !FindCtrlCallback(name)) out.push_back(name);
      if (c.contains("pages"))
        for (auto& page : c["pages"]) self(self, page.value("controls", nlohmann::json::array()));
    }
  };
  for (auto& p : resource->document()["panels"]) {
    std::string name = p.value("callback", "");
    if (!name.empty() && !FindPanelCallback(name)) out.push_back(name);
    visitControls(visitControls, p.value("controls", nlohmann::json::array()));
  }
  for (auto& m : resource->document().value("menubars", nlohmann::json::array()))
    for (auto& menu : m.value("menus", nlohmann::json::array()))
      for (auto& item : menu.value("items", nlohmann::json::array())) {
        std::string name = item.value("callback", "");
        if (!name.empty() && !FindMenuCallback(name)) out.push_back(name);
      }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace helx::ui
