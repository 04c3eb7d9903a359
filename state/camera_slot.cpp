#include "state/camera_slot.h"

#include "state/observation_state.h"

namespace {
// Constant-initialised, so a slot is usable before any dynamic initialiser runs.
constinit CameraSlot slots[2] = {
    {1, "A", nCameraHandle1, g_pRawData, nhDim1, nvDim1, g_nXPixels1, g_nYPixels1, BiasDark1,
     flatdata1, flatcube1, g_fExpTime1, ccd_Gain, ccd_PGain1},
    {2, "B", nCameraHandle2, g_pRawData2, nhDim2, nvDim2, g_nXPixels2, g_nYPixels2, BiasDark2,
     flatdata2, flatcube2, g_fExpTime2, ccd_Gain2, ccd_PGain2},
};
}  // namespace

CameraSlot& Camera(int number) { return slots[number == 2 ? 1 : 0]; }

CameraSlot* FindSlot(long handle) {
  if (handle == nCameraHandle1) return &slots[0];
  if (handle == nCameraHandle2) return &slots[1];
  return nullptr;
}

CameraSlot& SlotOf(long handle) {
  CameraSlot* slot = FindSlot(handle);
  return slot ? *slot : slots[0];
}
