// The byte-scaled picture in the graphic panel, its histogram, the graphic panel's placement
// and the two range sliders.
#include <algorithm>
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

// The histogram of the plot's range from a census of the sample values: 100 counts, drawn in
// blue over the graph's previous plot.
void PlotHistogram(const int* census, double base, double top) {
  int counts[100];
  double axis[100];
  HistogramOfCensus(census, base, top, counts, axis, 100);
  if (plotHandle != 0) DeleteGraphPlot(mainPanel, PANEL_GRAPH, plotHandle, VAL_IMMEDIATE_DRAW);
  plotHandle = PlotXY(mainPanel, PANEL_GRAPH, axis, counts, 100, VAL_DOUBLE, VAL_INTEGER,
                      VAL_VERTICAL_BAR, VAL_EMPTY_SQUARE, VAL_SOLID, 1, VAL_BLUE);
}

// Plane row 0 is the bottom of the picture: picture row r (top first) is plane row
// height - 1 - r.
const unsigned short* PictureRow(const unsigned short* samples, int width, int height, int r) {
  return samples + static_cast<std::size_t>(height - 1 - r) * static_cast<std::size_t>(width);
}

// One byte per sample value between lower and upper: a byte depends on the sample alone, so a
// table of all 65536 answers costs a fraction of scaling a megapixel sample by sample.
void FillByteTable(unsigned short lower, unsigned short upper, unsigned char* table) {
  int range = static_cast<int>(upper) - static_cast<int>(lower);
  for (int v = 0; v < kSampleValues; v++) table[v] = ScaleToByte(v, lower, range);
}
}  // namespace

void DrawHistogramOf(const unsigned short* samples, int count, double base, double top) {
  std::vector<int> census;
  try {
    census.assign(kSampleValues, 0);
  } catch (const std::bad_alloc&) {
    AppendMonitor("Cannot allocate the histogram memory\n");
    return;
  }
  CountSampleValues(samples, static_cast<std::size_t>(count > 0 ? count : 0), census.data());
  PlotHistogram(census.data(), base, top);
}

void ScalePlaneToBytes(int width, int height, const unsigned short* samples, unsigned short lower,
                       unsigned short upper, unsigned char* bytes) {
  unsigned char table[kSampleValues];
  FillByteTable(lower, upper, table);
  for (int r = 0; r < height; r++) {
    const unsigned short* row = PictureRow(samples, width, height, r);
    unsigned char* out = bytes + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; x++) out[x] = table[row[x]];
  }
}

void ByteDisplay(int width, int height, const unsigned short* samples, unsigned short lower,
                 unsigned short upper, const unsigned short* raw) {
  if (!samples || width <= 0 || height <= 0) return;
  std::lock_guard lock(displayLock);
  std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  unsigned char* bytes = new (std::nothrow) unsigned char[count];
  // Two censuses, for even and odd columns, added at the end: a run of equal samples then
  // never waits for its own previous count.
  std::vector<int> census, oddCensus;
  try {
    census.assign(kSampleValues, 0);
    oddCensus.assign(kSampleValues, 0);
  } catch (const std::bad_alloc&) {
    delete[] bytes;
    bytes = nullptr;
  }
  if (!bytes) {
    AppendMonitor("Cannot allocate the picture memory\n");
    return;
  }

  // One pass in picture order (top row first): the bytes, and the census of values that the
  // histogram is drawn from and the camera's ceiling is counted in.
  unsigned char table[kSampleValues];
  FillByteTable(lower, upper, table);
  for (int r = 0; r < height; r++) {
    const unsigned short* row = PictureRow(samples, width, height, r);
    unsigned char* out = bytes + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    int x = 0;
    for (; x + 1 < width; x += 2) {
      const unsigned short a = row[x], b = row[x + 1];
      out[x] = table[a];
      out[x + 1] = table[b];
      census[a]++;
      oddCensus[b]++;
    }
    if (x < width) {
      out[x] = table[row[x]];
      census[row[x]]++;
    }
  }
  for (int v = 0; v < kSampleValues; v++) census[v] += oddCensus[v];
  // Saturation is the camera's: counted in its own samples where the picture shows them with
  // something subtracted.
  const unsigned short* ceiling = raw ? raw : samples;
  const std::size_t saturated =
      raw ? static_cast<std::size_t>(std::count(raw, raw + count, kSaturatedSample))
          : static_cast<std::size_t>(census[kSaturatedSample]);
  // The saturated samples marked beside the picture; most frames have none.
  std::vector<unsigned char> marks;
  if (saturated) {
    marks.assign(count, 0);
    for (int r = 0; r < height; r++) {
      const unsigned short* row = PictureRow(ceiling, width, height, r);
      unsigned char* m =
          marks.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
      for (int x = 0; x < width; x++) m[x] = row[x] == kSaturatedSample;
    }
  }

  OpenGraphicPanel(8, width, height, colortable, bytes);
  SetPictureMarks(GraphicPanel, GRAPHICPNL_PIC_WINDOW, saturated ? marks.data() : nullptr, width,
                  height, kSaturationColor);
  char text[32];
  std::snprintf(text, sizeof text, "%zu", saturated);
  SetCtrlVal(mainPanel, PANEL_saturated, text);

  if (lower < upper) PlotHistogram(census.data(), lower, upper);
}

void ClearSaturation(void) {
  SetPictureMarks(GraphicPanel, GRAPHICPNL_PIC_WINDOW, nullptr, 0, 0, kSaturationColor);
  SetCtrlVal(mainPanel, PANEL_saturated, "");
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
                static_cast<unsigned short>(upper),
                plane == &planeDataCCD ? ShownCameraRaw() : nullptr);
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
