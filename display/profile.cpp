// The pointer over the picture (position, value, row profile), the click from the column
// slice to a frame, and the histogram of the whole plane on a click on the graph.
#include <cstdio>

#include "display/display.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/observation_state.h"

namespace {
void SetText(int control, int value) {
  char text[32];
  std::snprintf(text, sizeof text, "%d", value);
  SetCtrlVal(mainPanel, control, text);
}

// The plane the pointer and the histogram look at for the marked plane option, or null.
const Plane* ShownPlane(int option) {
  if (DataSource == 0) {
    if (FitsHeader.NAXIS == 2 && option == 0) return &pFitsData;
    if (FitsHeader.NAXIS == 3) return &pusFitsData;
    return nullptr;
  }
  if (DataSource == 1 && CameraPlaneCurrent() && (option == 0 || g_nFrameNumber1 > 1))
    return &planeDataCCD;
  return nullptr;
}

// After a click has shown a frame: frame slider, range sliders, "X-Y".
void FollowClickedFrame(int last, int frame, unsigned short min, unsigned short max) {
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, 0);
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, last);
  int lower = 0, upper = 0;
  GetDisplayRange(mean, stdev, min, max, &lower, &upper);
  SetRangeSliders(min, max, lower, upper);
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, frame);
}

void ClickToFrame(int x) {
  unsigned short min = 0, max = 0;
  if (DataSource == 0) {
    if (FitsHeader.NAXIS != 3) return;
    int last = FitsHeader.NAXIS3 - 1;
    int frame = x < 0 ? 0 : (x > last ? last : x);
    if (!Display3DFits(0, frame, &min, &max)) return;
    ResizeMainPanel(FitsHeader.NAXIS1, FitsHeader.NAXIS2);
    FollowClickedFrame(last, frame, min, max);
  } else if (DataSource == 1 && g_nFrameNumber1 > 1) {
    // The camera being viewed; the setup's choice only when the view buttons do not say.
    int view1 = 0, view2 = 0;
    GetCtrlVal(mainPanel, PANEL_viewCCD1, &view1);
    GetCtrlVal(mainPanel, PANEL_viewCCD2, &view2);
    bool second = (view1 || view2) && view1 != view2 ? view2 != 0 : ccd_camera == kCamera2Only;
    const CameraSlot& camera = Camera(second ? 2 : 1);
    int last = g_nFrameNumber1 - 1;
    int frame = x < 0 ? 0 : (x > last ? last : x);
    if (!Display3D_CCD(0, frame, &min, &max, camera.handle)) return;
    ResizeMainPanel(camera.width, camera.height);
    FollowClickedFrame(last, frame, min, max);
  }
}
}  // namespace

void Display_Line_Profile(int x, int y, int width, int height, const unsigned short* samples) {
  const unsigned short* row =
      samples + static_cast<long>(height - 1 - y) * static_cast<long>(width);
  if (plotHandle != 0) DeleteGraphPlot(mainPanel, PANEL_GRAPH, plotHandle, VAL_IMMEDIATE_DRAW);
  plotHandle = PlotY(mainPanel, PANEL_GRAPH, row, width, VAL_UNSIGNED_SHORT_INTEGER, VAL_THIN_LINE,
                     VAL_EMPTY_SQUARE, VAL_SOLID, 1, VAL_GREEN);
  SetText(PANEL_value, row[x]);
}

void ResizeMainPanel(int width, int height) {
  SetPanelAttribute(mainPanel, ATTR_WIDTH, width <= 512 ? panelwidth : panelwidth + width - 512);
  SetPanelAttribute(mainPanel, ATTR_HEIGHT,
                    height <= 512 ? panelheight : panelheight + height - 512);
}

int CVICALLBACK pic_window(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)callbackData;
  int left = 0, top = 0;
  GetCtrlAttribute(panel, control, ATTR_LEFT, &left);
  GetCtrlAttribute(panel, control, ATTR_TOP, &top);

  if (event == EVENT_DISCARD || event == EVENT_CLOSE) {
    if (GraphicPanel == panel) GraphicPanel = 0;
    return 0;
  }
  if (event == EVENT_MOUSE_POINTER_MOVE) {
    if (Run_thread_stop == 0) return 0;
    int x = eventData2 - left, y = eventData1 - top;
    SetText(PANEL_xpos, x);
    SetText(PANEL_ypos, y);
    int option = 0;
    Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
    std::lock_guard lock(displayLock);
    const Plane* plane = ShownPlane(option);
    if (!plane || !plane->data) return 0;
    if (x < 0 || y < 0 || x >= plane->width || y >= plane->height) return 0;
    Display_Line_Profile(x, y, plane->width, plane->height, plane->data);
    return 0;
  }
  if (event == EVENT_LEFT_CLICK) {
    if (Run_thread_stop == 0) return 0;
    int option = 0;
    Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
    if (option != 1) return 0;
    std::lock_guard lock(displayLock);
    ClickToFrame(eventData2 - left);
  }
  return 0;
}

int CVICALLBACK drawHistogram(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2) {
  (void)panel;
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_LEFT_CLICK) return 0;
  int option = 0;
  Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
  std::lock_guard lock(displayLock);
  const Plane* plane = ShownPlane(option);
  if (!plane || !plane->data) return 0;
  int count = plane->width * plane->height;
  unsigned short min = 0, max = 0;
  GetMinMax(plane->data, count, &min, &max);
  DrawHistogramOf(plane->data, count, min, max);
  return 0;
}
