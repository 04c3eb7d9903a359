#include "sequence/unsaved_cubes.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "camera/camera.h"
#include "files/fits_files.h"
#include "platform/os/storage.h"
#include "sequence/frame_record.h"
#include "sequence/sequence.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {

// Where a cube goes when its data folder refuses it: a folder of the working directory, which
// normally lies on another drive than the data.
const char kUnsavedFolder[] = "unsaved";

// What a later save needs besides the pixels, which stay in the camera's frame buffer (the
// observation stops after the run whose save failed, so nothing overwrites them).
struct KeptCube {
  bool kept = false;
  int frames = 0;
  char startText[52] = "", endText[52] = "";
  float elapsed = 0;
};
KeptCube keptCubes[2];  // camera 1, camera 2
bool discardWarned = false;

// The cube, and beside it its per-frame table (a table that fails is told; the cube stays).
int saveTo(const CameraSlot& camera, const KeptCube& c, const char* directory) {
  int saved = SaveFits(camera.width, camera.height, c.frames, camera.exposure, camera.handle,
                       c.startText, c.endText, c.elapsed, directory);
  if (saved) {
    char cube[sizeof fits_last_saved];
    std::snprintf(cube, sizeof cube, "%s", fits_last_saved);
    SaveFrameRecord(camera.number, cube);
  }
  return saved;
}

KeptCube describe(int frames, const char* startText, const char* endText, float elapsed) {
  KeptCube c;
  c.frames = frames;
  std::snprintf(c.startText, sizeof c.startText, "%s", startText);
  std::snprintf(c.endText, sizeof c.endText, "%s", endText);
  c.elapsed = elapsed;
  return c;
}

// The folder part of a path the operator chose ("" for the working directory).
std::string folderOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* backslash = std::strrchr(path, '\\');
  const char* end = slash > backslash ? slash : backslash;
  if (!end) return ".";
  if (end == path) return "/";
  return std::string(path, end);
}

}  // namespace

int SaveCubeOrKeep(const CameraSlot& camera, int frames, const char* startText, const char* endText,
                   float elapsed) {
  KeptCube cube = describe(frames, startText, endText, elapsed);
  if (saveTo(camera, cube, entire_directory)) return 1;
  char text[900];
  if (helx::os::PrepareWritableFolder(kUnsavedFolder).empty() &&
      saveTo(camera, cube, kUnsavedFolder)) {
    std::snprintf(text, sizeof text,
                  "Camera %d's cube could not be saved in %s; it was saved as %s instead. The "
                  "observation stops after this run.\n",
                  camera.number, entire_directory, fits_last_saved);
  } else {
    ++run_files_not_saved;
    cube.kept = true;
    keptCubes[camera.number - 1] = cube;
    discardWarned = false;
    std::snprintf(text, sizeof text,
                  "Camera %d's cube could not be saved in %s, nor in the working directory's "
                  "\"%s\" folder: it is only in memory. Save it with \"Save Unsaved\" before the "
                  "next Run or OK. The observation stops after this run.\n",
                  camera.number, entire_directory, kUnsavedFolder);
  }
  TellOperator("Error", text);
  return 0;
}

int UnsavedCubes(void) {
  if (RunActive()) return 0;
  return (keptCubes[0].kept ? 1 : 0) + (keptCubes[1].kept ? 1 : 0);
}

void ShowUnsavedButton(void) {
  SetCtrlAttribute(mainPanel, PANEL_SaveUnsaved, ATTR_DIMMED, UnsavedCubes() == 0);
}

int SaveUnsavedBeforeRelease(const char* action, int refuseOnce) {
  if (UnsavedCubes() == 0) return 1;
  char text[600];
  if (helx::os::PrepareWritableFolder(kUnsavedFolder).empty()) {
    for (int camera = 1; camera <= 2; ++camera) {
      KeptCube& k = keptCubes[camera - 1];
      if (k.kept && saveTo(Camera(camera), k, kUnsavedFolder)) {
        k.kept = false;
        std::snprintf(text, sizeof text, "Camera %d's cube kept in memory was saved as %s.\n",
                      camera, fits_last_saved);
        AppendMonitor(text);
      }
    }
  }
  int left = UnsavedCubes();
  ShowUnsavedButton();
  if (left == 0) return 1;
  if (refuseOnce && !discardWarned) {
    discardWarned = true;
    std::snprintf(text, sizeof text,
                  "%d cube(s) of the last observation are only in memory: neither the data "
                  "folder nor the working directory's \"%s\" folder takes them. %s would "
                  "discard them: save them with \"Save Unsaved\", or press %s again to discard "
                  "them.\n",
                  left, kUnsavedFolder, action, action);
    TellOperator("Error", text);
    return 0;
  }
  std::snprintf(text, sizeof text, "%d cube(s) kept in memory were discarded by %s.\n", left,
                action);
  TellOperator("Warning", text);
  keptCubes[0].kept = keptCubes[1].kept = false;
  ShowUnsavedButton();
  return 1;
}

// Writes each kept cube, with its full header, into a folder the operator picks; the file keeps
// the name the data folder would have given it. A cube whose save fails stays kept.
int CVICALLBACK cmdSaveUnsaved(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (UnsavedCubes() == 0) {
    MessagePopup("Save Unsaved", "No cube is waiting to be saved.");
    ShowUnsavedButton();
    return 0;
  }
  char text[900];
  for (int camera = 1; camera <= 2; ++camera) {
    KeptCube& k = keptCubes[camera - 1];
    if (!k.kept) continue;
    char title[96], name[16], path[261] = "";
    std::snprintf(title, sizeof title, "Save Unsaved: a folder for camera %d's cube", camera);
    std::snprintf(name, sizeof name, "HELX_%s.fts", Camera(camera).letter);
    if (FileSelectPopup("", name, "*.fts", title, VAL_SAVE_BUTTON, 0, 0, 1, 1, path) <= 0)
      continue;  // the operator cancelled: the cube stays kept
    std::string folder = folderOf(path);
    std::string problem = helx::os::PrepareWritableFolder(folder);
    if (problem.empty() && saveTo(Camera(camera), k, folder.c_str())) {
      k.kept = false;
      std::snprintf(text, sizeof text, "Camera %d's cube kept in memory was saved as %s.\n", camera,
                    fits_last_saved);
      AppendMonitor(text);
    } else {
      std::snprintf(text, sizeof text,
                    "Camera %d's cube could not be saved in %s%s%s: it is still only in "
                    "memory.\n",
                    camera, folder.c_str(), problem.empty() ? "" : ": ", problem.c_str());
      TellOperator("Error", text);
    }
  }
  ShowUnsavedButton();
  return 0;
}
