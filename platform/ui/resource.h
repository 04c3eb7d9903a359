// The panel resource file (JSON, see docs/panel-resource.md), parsed once per path and turned
// into model panels, tab pages and menu bars on demand.
//
// Threads: load() is safe from any thread; the returned document is immutable.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/model.h"

namespace helx::ui {

class Resource {
 public:
  // nullptr when the file is missing or is not a valid resource.
  static std::shared_ptr<const Resource> load(const std::string& path);

  const nlohmann::json& document() const { return document_; }
  const nlohmann::json* panel(int number) const;
  const nlohmann::json* menuBar(int number) const;

  // Builds a panel (and its tab pages as child panels, listed in `pages` in order) ready to be
  // added to the model. Callback names are bound; unbound ones are returned in `unbound`.
  static Panel makePanel(const nlohmann::json& description, std::vector<std::string>& unbound);
  static Control makeControl(const nlohmann::json& description, std::vector<std::string>& unbound);
  static MenuBar makeMenuBar(const nlohmann::json& description, std::vector<std::string>& unbound);

 private:
  nlohmann::json document_;
};

}  // namespace helx::ui
