// The byte-scaled picture in the graphic panel, its histogram, the graphic panel's placement
// and the two range sliders.
#include <cstddef>
#include <cstdio>
#include <new>
#include <vector>

#include "display/display.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {
constexpr int kMagnet = 50;  // how near a moved panel must come to snap
constexpr int kGap = 7;      // the gap it snaps to

// The histogram of the plot's range: 100 counts of `values`, drawn in blue over the graph's
// previous plot.
void PlotHistogram(const double* values, int count, double base, double top) {
  int counts[100];
  double axis[100];
  Histogram(values, count, base, top, counts, axis, 100);
  if (plotHandle != 0) DeleteGraphPlot(mainPanel, PANEL_GRAPH, plotHandle, VAL_IMMEDIATE_DRAW);
  plotHandle = PlotXY(mainPanel, PANEL_GRAPH, axis, counts, 100, VAL_DOUBLE, VAL_INTEGER,
                      VAL_VERTICAL_BAR, VAL_EMPTY_SQUARE, VAL_SOLID, 1, VAL_BLUE);
}
}  // namespace

void DrawHistogramOf(const unsigned short* samples, int count, double base, double top) {
  double* values = new (std::nothrow) double[count > 0 ? count : 1];
  if (!values) {
    AppendMonitor("Cannot allocate the histogram memory\n");
    return;
  }
  for (int i = 0; i < count; i++) values[i] = samples[i];
  PlotHistogram(values, count, base, top);
  delete[] values;
}

void ScalePlaneToBytes(int width, int height, const unsigned short* samples, unsigned short lower,
                       unsigned short upper, unsigned char* bytes) {
  int range = static_cast<int>(upper) - static_cast<int>(lower);
  // A byte depends on the sample alone: one table of all 65536 answers costs a fraction of
  // scaling a megapixel sample by sample.
  unsigned char table[65536];
  for (int v = 0; v < 65536; v++) table[v] = ScaleToByte(v, lower, range);
  // Plane row 0 is the bottom of the picture: output row r comes from plane row height-1-r.
  for (int r = 0; r < height; r++) {
    const unsigned short* row =
        samples + static_cast<std::size_t>(height - 1 - r) * static_cast<std::size_t>(width);
    unsigned char* out = bytes + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; x++) out[x] = table[row[x]];
  }
}

void ByteDisplay(int width, int height, const unsigned short* samples, unsigned short lower,
                 unsigned short upper) {
  if (!samples || width <= 0 || height <= 0) return;
  std::lock_guard lock(displayLock);
  std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  unsigned char* bytes = new (std::nothrow) unsigned char[count];
  bool histogram = lower < upper;
  double* values = histogram ? new (std::nothrow) double[count] : nullptr;
  if (!bytes || (histogram && !values)) {
    delete[] bytes;
    delete[] values;
    AppendMonitor("Cannot allocate the picture memory\n");
    return;
  }

  ScalePlaneToBytes(width, height, samples, lower, upper, bytes);
  // The camera's ceiling, counted and marked in picture order (top row first) beside the picture.
  std::vector<unsigned char> marks(count, 0);
  std::size_t saturated = 0;
  for (int r = 0; r < height; r++) {
    const unsigned short* row =
        samples + static_cast<std::size_t>(height - 1 - r) * static_cast<std::size_t>(width);
    unsigned char* m = marks.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; x++) {
      const bool at = row[x] == kSaturatedSample;
      m[x] = at;
      saturated += at;
    }
  }
  if (values) {
    // The histogram's input in picture order.
    for (int r = 0; r < height; r++) {
      const unsigned short* row =
          samples + static_cast<std::size_t>(height - 1 - r) * static_cast<std::size_t>(width);
      double* v = values + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
      for (int x = 0; x < width; x++) v[x] = row[x];
    }
  }

  OpenGraphicPanel(8, width, height, colortable, bytes);
  SetPictureMarks(GraphicPanel, GRAPHICPNL_PIC_WINDOW, saturated ? marks.data() : nullptr, width,
                  height, kSaturationColor);
  char text[32];
  std::snprintf(text, sizeof text, "%zu", saturated);
  SetCtrlVal(mainPanel, PANEL_saturated, text);

  if (histogram) {
    PlotHistogram(values, static_cast<int>(count), lower, upper);
    delete[] values;
  }
}

int EnsureGraphicPanel() {
  std::lock_guard lock(displayLock);
  if (GraphicPanel != 0) return 1;
  int handle = LoadPanel(0, "HELX.uir", GRAPHICPNL);
  if (handle < 0) return -1;
  GraphicPanel = handle;
  DisplayPanel(handle);
  return 1;
}

int OpenGraphicPanel(int depth, int width, int height, const int* colorTable,
                     unsigned char* bytes) {
  std::lock_guard lock(displayLock);
  if (EnsureGraphicPanel() < 0) {
    delete[] bytes;
    return -1;
  }
  int mainTop = 0, mainLeft = 0, mainWidth = 0;
  GetPanelAttribute(mainPanel, ATTR_TOP, &mainTop);
  GetPanelAttribute(mainPanel, ATTR_LEFT, &mainLeft);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &mainWidth);
  int panel = GraphicPanel;
  SetPanelAttribute(panel, ATTR_TOP, mainTop);
  SetPanelAttribute(panel, ATTR_LEFT, mainLeft + mainWidth + kGap);
  SetPanelAttribute(panel, ATTR_HEIGHT, height);
  SetPanelAttribute(panel, ATTR_WIDTH, width);
  SetCtrlAttribute(panel, GRAPHICPNL_PIC_WINDOW, ATTR_WIDTH, width);
  SetCtrlAttribute(panel, GRAPHICPNL_PIC_WINDOW, ATTR_HEIGHT, height);

  int bitmap = 0;
  if (NewBitmap(width, depth, width, height, colorTable, bytes, nullptr, &bitmap) >= 0) {
    SetCtrlBitmap(panel, GRAPHICPNL_PIC_WINDOW, 0, bitmap);
    DiscardBitmap(bitmap);
  }
  delete[] bytes;
  return 1;
}

int MagnetMoving(int panel) {
  int mainTop = 0, mainLeft = 0, mainWidth = 0;
  int left = 0, width = 0, top = 0;
  GetPanelAttribute(mainPanel, ATTR_TOP, &mainTop);
  GetPanelAttribute(mainPanel, ATTR_LEFT, &mainLeft);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &mainWidth);
  GetPanelAttribute(panel, ATTR_LEFT, &left);
  GetPanelAttribute(panel, ATTR_WIDTH, &width);
  GetPanelAttribute(panel, ATTR_TOP, &top);

  if (mainLeft < left && left < mainLeft + mainWidth + kGap + kMagnet)
    SetPanelAttribute(panel, ATTR_LEFT, mainLeft + mainWidth + kGap);
  else if (left < mainLeft && mainLeft < left + width + kGap + kMagnet)
    SetPanelAttribute(panel, ATTR_LEFT, mainLeft - width - kGap);
  if (mainTop - kMagnet < top && top < mainTop + kMagnet)
    SetPanelAttribute(panel, ATTR_TOP, mainTop);
  return 1;
}

void SetRangeSliders(unsigned short min, unsigned short max, int lower, int upper) {
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MIN, ATTR_MIN_VALUE, static_cast<int>(min));
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MIN, ATTR_MAX_VALUE, static_cast<int>(max));
  SetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, lower);
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MAX, ATTR_MIN_VALUE, static_cast<int>(min));
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MAX, ATTR_MAX_VALUE, static_cast<int>(max));
  SetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, upper);
}

int CVICALLBACK SetBytsclMin(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2) {
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int lower = 0, upper = 0, view1 = 0, view2 = 0;
  GetCtrlVal(panel, PANEL_BYTSCL_MIN, &lower);
  GetCtrlVal(panel, PANEL_BYTSCL_MAX, &upper);
  GetCtrlVal(panel, PANEL_viewCCD1, &view1);
  GetCtrlVal(panel, PANEL_viewCCD2, &view2);
  if (lower < 0) lower = 0;
  if (lower > 65535) lower = 65535;
  if (upper < 0) upper = 0;
  if (upper > 65535) upper = 65535;

  std::lock_guard lock(displayLock);
  const Plane* plane = nullptr;
  if (DataSource == 0) {
    if (FitsHeader.NAXIS == 2)
      plane = &pFitsData;
    else if (FitsHeader.NAXIS == 3)
      plane = &pusFitsData;
  } else if (DataSource == 1) {
    // Video (no frame count) and an ambiguous view redraw nothing.
    bool oneView = (view1 != 0) != (view2 != 0);
    if (g_nFrameNumber1 != 0 && oneView && CameraPlaneCurrent()) plane = &planeDataCCD;
  }
  if (plane && plane->data)
    ByteDisplay(plane->width, plane->height, plane->data, static_cast<unsigned short>(lower),
                static_cast<unsigned short>(upper));
  return 0;
}

int CVICALLBACK SetBytsclMax(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2) {
  if (event != EVENT_COMMIT) return 0;
  return SetBytsclMin(panel, control, EVENT_COMMIT, callbackData, eventData1, eventData2);
}

int CVICALLBACK Graphicpnl_proc(int panel, int event, void* callbackData, int eventData1,
                                int eventData2) {
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event == EVENT_CLOSE) {
    // Not in the middle of a draw on another thread.
    std::lock_guard lock(displayLock);
    DiscardPanel(panel);
    if (GraphicPanel == panel) GraphicPanel = 0;
  } else if (event == EVENT_PANEL_MOVE) {
    MagnetMoving(panel);
  }
  return 0;
}
