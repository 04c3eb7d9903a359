// Offers the Qt view to InitCVIRTE, which starts it when a display is present and --headless is
// not given. Linked whole into every program (see CMakeLists.txt): nothing refers to this file.
#include <memory>

#include "platform/ui/frontend.h"
#include "platform/ui/qt/qt_frontend.h"
#include "platform/ui/qt/wavelength_editor.h"

namespace {
const bool registered = [] {
  helx::ui::RegisterGraphicalFrontend(
      [](int& argc, char** argv) -> std::unique_ptr<helx::ui::Frontend> {
        auto frontend = std::make_unique<helx::ui::qt::QtFrontend>(argc, argv);
        helx::ui::qt::InstallWavelengthEditor();
        return frontend;
      });
  return true;
}();
}  // namespace
