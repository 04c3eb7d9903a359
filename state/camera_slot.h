// One camera of the instrument as the program sees it: references to the globals that hold its
// handle, frame buffer and geometry, so the names the rest of the system uses stay as they are.
// A slot is a view: writing a field writes the global, and a field always reads the global's
// value at that moment (a frame buffer read through it needs FrameBufferLock as the global does).
#pragma once

struct CameraSlot {
  int number;                 // 1 or 2
  const char* letter;         // "A" or "B": file names
  long& handle;               // nCameraHandle1 / nCameraHandle2
  unsigned short*& frames;    // g_pRawData / g_pRawData2
  int& width;                 // nhDim1 / nhDim2: the binned frame
  int& height;                // nvDim1 / nvDim2
  int& detectorWidth;         // g_nXPixels1 / g_nXPixels2
  int& detectorHeight;        // g_nYPixels1 / g_nYPixels2
  unsigned short*& biasDark;  // BiasDark1 / BiasDark2
  float*& flat;               // flatdata1 / flatdata2
  float*& flatCube;           // flatcube1 / flatcube2
  float& exposure;            // g_fExpTime1 / g_fExpTime2
  int& gain;                  // ccd_Gain / ccd_Gain2
  int& preAmpGain;            // ccd_PGain1 / ccd_PGain2
};

// Camera 2 for 2, camera 1 for any other number.
CameraSlot& Camera(int number);
// The camera a driver handle names, or null when it names neither. Camera 1 is asked first:
// when both handles hold the same value (both 0 before Power On, or camera 1's handle is the
// value camera 2's was left at with one camera found), that camera is camera 1.
CameraSlot* FindSlot(long handle);
// FindSlot, with camera 1 standing in for a handle that names neither.
CameraSlot& SlotOf(long handle);
