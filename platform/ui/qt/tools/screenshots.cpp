// Renders every panel of the panel resource as the Qt view draws it, loaded through the
// runtime as the program loads them: the main panel with its menu bar, the setup panel on each
// of its pages, the test panel and the information panel; and the wavelength-list editor.
//
//   helx_screenshots HELX.uir OUTPUT_DIR
//
// Runs on a display (Xvfb in scripts/screenshots) or, without one, on Qt's offscreen platform.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui/frontend.h"
#include "platform/ui/message_log.h"
#include "platform/ui/qt/qt_frontend.h"
#include "platform/ui/qt/wavelength_editor.h"
#include "platform/ui/userint.h"

namespace {

helx::ui::qt::QtFrontend* frontend() {
  return dynamic_cast<helx::ui::qt::QtFrontend*>(&helx::ui::CurrentFrontend());
}

// Brings the view up to date and lets Qt lay it out and paint.
void settle() {
  for (int i = 0; i < 3; ++i) {
    ProcessSystemEvents();
    frontend()->drainDirty();
    QApplication::processEvents();
  }
}

bool save(int panel, const QString& path) {
  std::string error = frontend()->snapshotPanel(panel, path.toStdString());
  if (!error.empty()) {
    std::fprintf(stderr, "helx_screenshots: %s: %s\n", qPrintable(path), error.c_str());
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: helx_screenshots HELX.uir OUTPUT_DIR\n");
    return 2;
  }
  const std::string uir = argv[1];
  const QString out = QString::fromLocal8Bit(argv[2]);
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  helx::ui::SetMessageLogPath("");
  char* args[] = {argv[0], nullptr};
  if (!InitCVIRTE(nullptr, args, nullptr)) return 1;
  if (!frontend()) {
    int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    helx::ui::InstallFrontend(std::make_unique<helx::ui::qt::QtFrontend>(qtArgc, qtArgv));
  }
  QDir().mkpath(out);

  const int mainPanel = LoadPanel(0, uir.c_str(), 3);
  const int setup = LoadPanel(0, uir.c_str(), 4);
  const int test = LoadPanel(0, uir.c_str(), 5);
  const int about = LoadPanel(0, uir.c_str(), 2);
  if (mainPanel < 0 || setup < 0 || test < 0 || about < 0 ||
      LoadMenuBar(mainPanel, uir.c_str(), 1) < 0) {
    std::fprintf(stderr, "helx_screenshots: cannot load the panels from %s\n", uir.c_str());
    return 1;
  }
  // As start-up leaves it: the drawing control is hidden (control 41 of the main panel).
  SetCtrlAttribute(mainPanel, 41, ATTR_VISIBLE, 0);
  for (int panel : {mainPanel, setup, test, about}) DisplayPanel(panel);
  settle();

  bool ok = save(mainPanel, out + "/main.png") && save(test, out + "/test.png") &&
            save(about, out + "/about.png");
  const char* pages[] = {"setup-ccd", "setup-scanner", "setup-grating", "setup-misc"};
  for (int page = 0; page < 4 && ok; ++page) {
    SetActiveTabPage(setup, 3, page);
    settle();
    ok = save(setup, out + "/" + pages[page] + ".png");
  }
  // The wavelength-list editor with the site's list beside the resource.
  if (ok) {
    const std::string wv =
        QFileInfo(QString::fromStdString(uir)).dir().filePath("Wv.ini").toStdString();
    helx::ui::qt::WavelengthEditor editor(
        helx::wvcontrol::WvList::read(wv).value_or(helx::wvcontrol::WvList{}));
    editor.show();
    settle();
    const QString path = out + "/wavelength-editor.png";
    ok = editor.grab().save(path);
    std::printf("%s\n", qPrintable(path));
  }
  CloseCVIRTE();
  return ok ? 0 : 1;
}
