// Simulator settings: one optional file, "sim.json" in the working directory, with a section
// per device ("camera", "pmac", "sixk", "log"). A missing file or key means the defaults; a
// file that is not valid JSON is reported on stderr once and ignored.
//
// The path can be changed before first use (tests point it at a file of their own, or set a
// document directly). Threads: all members are safe from any thread; sections are copies.
#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace helx::sim {

class Settings {
 public:
  static Settings& instance();

  // Reads `path` (replacing what was loaded); a missing file gives an empty document.
  void load(const std::string& path);
  // Replaces the whole document (tests).
  void set(nlohmann::json document);
  // The section of one device; an empty object when absent.
  nlohmann::json section(const std::string& device) const;

  template <typename T>
  T get(const std::string& device, const std::string& key, T fallback) const {
    auto s = section(device);
    auto it = s.find(key);
    if (it == s.end() || it->is_null()) return fallback;
    try {
      return it->get<T>();
    } catch (const nlohmann::json::exception&) {
      return fallback;
    }
  }

 private:
  Settings();
  mutable std::mutex mutex_;
  nlohmann::json document_ = nlohmann::json::object();
};

}  // namespace helx::sim
