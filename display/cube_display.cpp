// Camera frames and cubes, file cubes: the frame plane, the column slice, and the browsing
// callbacks (frame slider, plane selector, camera view buttons).
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "display/display.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {
struct CameraData {
  unsigned short* frames = nullptr;  // frame after frame
  unsigned short* bias = nullptr;    // may be null
  int width = 0, height = 0;
};

// A camera named by handle, as its slot holds it now; false for a handle that names neither
// camera or holds no frames.
bool GetCameraData(long camera, CameraData* out) {
  const CameraSlot* slot = FindSlot(camera);
  if (!slot) return false;
  *out = {slot->frames, slot->biasDark, slot->width, slot->height};
  return out->frames && out->width > 0 && out->height > 0;
}

// Frames held in a camera buffer: video keeps one.
int BufferFrames() { return g_nFrameNumber1 > 1 ? static_cast<int>(g_nFrameNumber1) : 1; }

int Clamp(int value, int last) {
  if (value > last) value = last;
  if (value < 0) value = 0;
  return value;
}

// The camera's own samples of planeDataCCD while it shows a frame with the bias/dark
// subtracted; empty otherwise. A copy, since the frame buffer is cleared and refilled by the
// next run while the picture stays.
std::vector<unsigned short> shownRaw;

void Draw(const Plane& plane, unsigned short* min, unsigned short* max) {
  int lower = 0, upper = 0;
  MeasurePlane(plane, min, max, &lower, &upper);
  ByteDisplay(plane.width, plane.height, plane.data, static_cast<unsigned short>(lower),
              static_cast<unsigned short>(upper),
              &plane == &planeDataCCD ? ShownCameraRaw() : nullptr);
}

void SetFrameSlider(int last, int value) {
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, 0);
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, last);
  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, value);
}

// The viewed camera by the two view buttons; null when neither or both are on.
const CameraSlot* ViewedCamera(int view1, int view2) {
  if (view1 && !view2) return &Camera(1);
  if (!view1 && view2) return &Camera(2);
  return nullptr;
}

void ShowReadouts(unsigned short min, unsigned short max) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", mean);
  SetCtrlVal(mainPanel, PANEL_datamean, text);
  std::snprintf(text, sizeof text, "%.2f", stdev);
  SetCtrlVal(mainPanel, PANEL_datastdev, text);
  int lower = 0, upper = 0;
  GetDisplayRange(mean, stdev, min, max, &lower, &upper);
  SetRangeSliders(min, max, lower, upper);
}
}  // namespace

void CopyColumnSlice(const unsigned short* cube, int width, int height, int frames, int column,
                     unsigned short* out) {
  std::size_t frameSize = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (int z = 0; z < frames; z++) {
    const unsigned short* src = cube + frameSize * static_cast<std::size_t>(z) + column;
    for (int y = 0; y < height; y++)
      out[static_cast<std::size_t>(y) * frames + z] = src[static_cast<std::size_t>(y) * width];
  }
}

bool CameraPlaneCurrent() {
  const Plane& p = planeDataCCD;
  if (!p.data || p.width <= 0 || p.height <= 0) return false;
  if (p.owned) return true;
  long size = static_cast<long>(p.width) * p.height;
  for (int number : {1, 2}) {
    const CameraSlot& camera = Camera(number);
    if (p.data == camera.frames) return size <= static_cast<long>(camera.width) * camera.height;
  }
  return false;  // the buffer it referred to is gone
}

const unsigned short* ShownCameraRaw(void) {
  const std::size_t shown =
      static_cast<std::size_t>(planeDataCCD.width) * static_cast<std::size_t>(planeDataCCD.height);
  return !shownRaw.empty() && shownRaw.size() == shown ? shownRaw.data() : nullptr;
}

int DisplayCCDImage(int width, int height, int frames, long camera) {
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MIN, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_BYTSCL_MAX, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_GRAPH, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_xpos, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_ypos, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_value, ATTR_DIMMED, 0);

  std::lock_guard lock(displayLock);
  CameraData cam;
  if (!GetCameraData(camera, &cam)) return 0;
  // The plane never reaches past one frame of the buffer, whatever size the caller asks for.
  if (width <= 0 || height <= 0 ||
      static_cast<long>(width) * height > static_cast<long>(cam.width) * cam.height) {
    width = cam.width;
    height = cam.height;
  }

  shownRaw.clear();
  if (frames == 1) {
    ReferPlane(planeDataCCD, cam.frames, width, height);
  } else {
    SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_DIMMED, 0);
    SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, 0);
    SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE,
                     frames > 1 ? frames - 1 : 0);
    SetCtrlAttribute(mainPanel, PANEL_SelectAxis, ATTR_DIMMED, 0);
    if (!AllocatePlane(planeDataCCD, width, height)) {
      AppendMonitor("Cannot allocate the frame memory\n");
      return 0;
    }
    std::memcpy(planeDataCCD.data, cam.frames,
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                    sizeof(unsigned short));
  }

  unsigned short min = 0, max = 0;
  Draw(planeDataCCD, &min, &max);
  int lower = 0, upper = 0;
  GetDisplayRange(mean, stdev, min, max, &lower, &upper);
  SetRangeSliders(min, max, lower, upper);
  return 1;
}

int Display3D_CCD(int axis, int index, unsigned short* min, unsigned short* max, long camera) {
  std::lock_guard lock(displayLock);
  CameraData cam;
  if (!GetCameraData(camera, &cam)) return 0;
  int W = cam.width, H = cam.height, F = BufferFrames();
  std::size_t frameSize = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);

  if (axis == 0) {
    index = Clamp(index, F - 1);
    if (!AllocatePlane(planeDataCCD, W, H)) {
      AppendMonitor("Cannot allocate the frame memory\n");
      return 0;
    }
    const unsigned short* src = cam.frames + frameSize * static_cast<std::size_t>(index);
    unsigned short* dst = planeDataCCD.data;
    if (cam.bias) {
      shownRaw.assign(src, src + frameSize);
      // 16-bit arithmetic that wraps: a sample below its bias shows as 65536 minus the gap.
      for (std::size_t i = 0; i < frameSize; i++)
        dst[i] = static_cast<unsigned short>(src[i] - cam.bias[i]);
    } else {
      shownRaw.clear();
      std::memcpy(dst, src, frameSize * sizeof(unsigned short));
    }
  } else {
    shownRaw.clear();
    index = Clamp(index, W - 1);
    if (!AllocatePlane(planeDataCCD, F, H)) {
      AppendMonitor("Cannot allocate the frame memory\n");
      return 0;
    }
    CopyColumnSlice(cam.frames, W, H, F, index, planeDataCCD.data);
  }
  Draw(planeDataCCD, min, max);
  return 1;
}

int Display3DFits(int axis, int index, unsigned short* min, unsigned short* max) {
  std::lock_guard lock(displayLock);
  ReleasePlane(pusFitsData);
  int W = pFitsData.width, H = FitsHeader.NAXIS2;
  if (!pFitsData.data || W <= 0 || H <= 0 || pFitsData.height % H != 0) return 0;
  int F = pFitsData.height / H;
  std::size_t planeSize = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);

  if (axis == 0) {
    index = Clamp(index, F - 1);
    if (!AllocatePlane(pusFitsData, W, H)) {
      AppendMonitor("Cannot allocate the frame memory\n");
      return 0;
    }
    std::memcpy(pusFitsData.data, pFitsData.data + planeSize * static_cast<std::size_t>(index),
                planeSize * sizeof(unsigned short));
  } else {
    index = Clamp(index, W - 1);
    if (!AllocatePlane(pusFitsData, F, H)) {
      AppendMonitor("Cannot allocate the frame memory\n");
      return 0;
    }
    CopyColumnSlice(pFitsData.data, W, H, F, index, pusFitsData.data);
  }
  Draw(pusFitsData, min, max);
  return 1;
}

int CVICALLBACK SetSelectFrame(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2) {
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int index = 0, axis = 0, view1 = 0, view2 = 0;
  GetCtrlVal(panel, PANEL_set_Select_Frame, &index);
  Radio_GetMarkedOption(panel, PANEL_SelectAxis, &axis);
  GetCtrlVal(panel, PANEL_viewCCD1, &view1);
  GetCtrlVal(panel, PANEL_viewCCD2, &view2);

  std::lock_guard lock(displayLock);
  ReleasePlane(planeDataCCD);
  unsigned short min = 0, max = 0;
  int shown = 0;
  if (DataSource == 0) {
    shown = Display3DFits(axis, index, &min, &max);
  } else if (DataSource == 1) {
    if (const CameraSlot* camera = ViewedCamera(view1, view2))
      shown = Display3D_CCD(axis, index, &min, &max, camera->handle);
  }
  if (shown) ShowReadouts(min, max);
  return 0;
}

int CVICALLBACK setFrameAxis(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2) {
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int axis = 0, index = 0, view1 = 0, view2 = 0;
  Radio_GetMarkedOption(panel, PANEL_SelectAxis, &axis);
  GetCtrlVal(panel, PANEL_set_Select_Frame, &index);
  GetCtrlVal(panel, PANEL_viewCCD1, &view1);
  GetCtrlVal(panel, PANEL_viewCCD2, &view2);

  std::lock_guard lock(displayLock);
  unsigned short min = 0, max = 0;
  int shown = 0;
  if (DataSource == 0) {
    if (FitsHeader.NAXIS != 3) return 0;
    ReleasePlane(pusFitsData);
    int last = (axis == 0 ? FitsHeader.NAXIS3 : FitsHeader.NAXIS1) - 1;
    index = Clamp(index, last);
    shown = Display3DFits(axis, index, &min, &max);
    if (shown) SetFrameSlider(last, index);
  } else if (DataSource == 1) {
    ReleasePlane(planeDataCCD);
    const CameraSlot* camera = ViewedCamera(view1, view2);
    if (!camera) return 0;
    int last = axis == 0 ? BufferFrames() - 1 : camera->width - 1;
    index = Clamp(index, last);
    shown = Display3D_CCD(axis, index, &min, &max, camera->handle);
    if (shown) SetFrameSlider(last, index);
  }
  if (shown) ShowReadouts(min, max);
  return 0;
}

int CVICALLBACK viewCCD1(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2) {
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  SetCtrlVal(panel, PANEL_viewCCD1, 1);
  SetCtrlVal(panel, PANEL_viewCCD2, 0);
  DisplayCCDImage(nhDim1, nvDim1, g_nFrameNumber1, nCameraHandle1);
  return 0;
}

int CVICALLBACK viewCCD2(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2) {
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  SetCtrlVal(panel, PANEL_viewCCD1, 0);
  SetCtrlVal(panel, PANEL_viewCCD2, 1);
  DisplayCCDImage(nhDim2, nvDim2, g_nFrameNumber1, nCameraHandle2);
  return 0;
}
