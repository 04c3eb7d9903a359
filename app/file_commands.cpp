// "Open File", File > Open, File > Save, About > About and the information panel.
#include "app/file_commands.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "camera/camera.h"
#include "display/display.h"
#include "display/open_file.h"
#include "files/bitmap.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

namespace {
void SetReadout(int control, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetCtrlVal(mainPanel, control, text);
}
void SetReadout(int control, int value) {
  char text[32];
  std::snprintf(text, sizeof text, "%d", value);
  SetCtrlVal(mainPanel, control, text);
}
}  // namespace

int CVICALLBACK cmdOpen(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2) {
  (void)panel;
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  char path[261] = "";
  SetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, 1);
  SetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, 1);
  if (FileSelectPopup("", "*.fts", "*.fts;*.bmp;*.fit;*.fits", "Load Data File", VAL_LOAD_BUTTON, 0,
                      0, 1, 0, path) <= 0)
    return 0;

  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MIN, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MAX, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_GRAPH, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_xpos, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_ypos, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_value, ATTR_DIMMED, 0);

  if (std::strstr(path, ".bmp")) {
    OpenBitmap(path);
  } else {
    OpenFitsFile(path);
    // A refused file leaves the header (and these read-outs) of the data still shown.
    bool cube = FitsHeader.NAXIS == 3 && FitsHeader.NAXIS3 > 1;
    SetCtrlAttribute(mainPanel, PANEL_SelectAxis, ATTR_DIMMED, cube ? 0 : 1);
    SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_DIMMED, cube ? 0 : 1);
    SetReadout(PANEL_datamean, "%.2f", mean);
    SetReadout(PANEL_datastdev, "%.2f", stdev);
    SetReadout(PANEL_nAxis1, FitsHeader.NAXIS1);
    SetReadout(PANEL_nAxis2, FitsHeader.NAXIS2);
    if (FitsHeader.NAXIS == 3) SetReadout(PANEL_nAxis3, FitsHeader.NAXIS3);
    SetReadout(PANEL_ExpTime, "%.2f", FitsHeader.EXPTIME);
  }
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  return 0;
}

void CVICALLBACK mnuOpen(int menubar, int menuItem, void* callbackData, int panel) {
  (void)menubar;
  (void)menuItem;
  cmdOpen(panel, PANEL_HELX_FileOpen, EVENT_COMMIT, callbackData, 0, 0);
}

void CVICALLBACK mnuSave(int menubar, int menuItem, void* callbackData, int panel) {
  (void)menubar;
  (void)menuItem;
  (void)callbackData;
  (void)panel;
  int lower = 0, upper = 0;
  GetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, &lower);
  GetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, &upper);
  char path[261] = "";
  if (FileSelectPopup("", "*.bmp", "*.fts;*.bmp;*.fit;*.fits", "Save As BMP File", VAL_SAVE_BUTTON,
                      0, 0, 1, 0, path) <= 0)
    return;

  // The export takes its size from the plane itself, whatever camera was configured last.
  std::unique_lock lock(displayLock);
  const Plane* plane = nullptr;
  if (DataSource == 0) {
    if (FitsHeader.NAXIS == 2)
      plane = &pFitsData;
    else if (FitsHeader.NAXIS == 3)
      plane = &pusFitsData;
  } else if (DataSource == 1 && CameraPlaneCurrent()) {
    plane = &planeDataCCD;  // frame or column slice, as shown
  }
  if (!plane || !plane->data) {
    lock.unlock();
    MessagePopup("Error", "There is no picture to save: open a file or take a frame first.");
    return;
  }
  // A copy, so that the file is written (and a failure reported) without holding the planes.
  Plane copy;
  if (!AllocatePlane(copy, plane->width, plane->height)) {
    lock.unlock();
    MessagePopup("Error", "Cannot allocate the bitmap memory");
    return;
  }
  std::memcpy(copy.data, plane->data,
              static_cast<std::size_t>(copy.width) * copy.height * sizeof(unsigned short));
  lock.unlock();
  SaveBitmap(copy.width, copy.height, copy.data, path, lower, upper);
  ReleasePlane(copy);
}

void CVICALLBACK mnuAbout(int menubar, int menuItem, void* callbackData, int panel) {
  (void)menubar;
  (void)menuItem;
  (void)callbackData;
  (void)panel;
  // About switches the driver's camera, which belongs to the run while one is active.
  if (RunActive()) {
    MessagePopup("Warning", "An observation is running. About is available when it has ended.");
    return;
  }
  // So does the temperature watch, camera by camera, while it runs.
  if (CCD_status == 1 && temp_thread == 0) {
    MessagePopup("Warning",
                 "The cameras' temperatures are being watched. About is available once they "
                 "are stable.");
    return;
  }
  char text[4096] = "";
  DisplayPanel(aboutPanel);
  SetCurrentCamera(nCameraHandle1);
  GetCameraInfo(text);
  SetCtrlVal(aboutPanel, InfoPanel_textBox, "============CCD1===========\n");
  SetCtrlVal(aboutPanel, InfoPanel_textBox, text);
  if (nNumberOfCameras == 1) return;
  SetCurrentCamera(nCameraHandle2);
  GetCameraInfo(text);
  SetCtrlVal(aboutPanel, InfoPanel_textBox, "============CCD2===========\n");
  SetCtrlVal(aboutPanel, InfoPanel_textBox, text);
}

int CVICALLBACK InfoPanel_proc(int panel, int event, void* callbackData, int eventData1,
                               int eventData2) {
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event == EVENT_CLOSE) HidePanel(panel);
  return 0;
}
