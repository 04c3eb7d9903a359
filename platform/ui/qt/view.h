// The whole view: one window per top-level panel of the model, one control view per control,
// tab pages built inside their tab controls. drain() brings everything the model has marked
// dirty up to date; nothing else ever writes a widget from the model.
//
// Threads: UI thread only. The model lock is held only while copying what is drawn.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "platform/ui/qt/control_view.h"
#include "platform/ui/qt/panel_window.h"

namespace helx::ui::qt {

class View {
 public:
  // Marks everything already in the model dirty, so the first drain draws it.
  View();
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  void drain();

  // For tests and screenshots: the window of a top-level panel, a control's view.
  PanelWindow* window(int panel) const;
  ControlView* control(int panel, int id) const;

 private:
  void syncPanel(int handle);
  void syncControl(int panel, int id);
  void build(const Panel& panel, const std::vector<Panel>& pages);
  void buildSurface(const Panel& panel, QWidget* surface, const std::vector<Panel>& pages);
  void destroy(int handle);

  std::map<int, std::unique_ptr<PanelWindow>> windows_;
  std::map<std::pair<int, int>, std::unique_ptr<ControlView>> controls_;
  std::map<int, int> pageOwner_;  // tab page panel -> its top-level panel
  bool draining_ = false;
};

}  // namespace helx::ui::qt
