// The bias/dark reference of one camera: a closed-shutter frame-transfer series of 100 frames at
// the observation's exposure, gain and binning, averaged pixel by pixel into BiasDark1 (camera 1)
// or BiasDark2 (camera 2) and written to the camera's "_BiasDark" calibration file.
//
// Threads: user-interface thread (inside the setup confirmation), with the camera made current.
#pragma once

#define BIASDARK_FRAMES 100

void TakeBiasDark(int emGain, int preAmpGain, int hbin, int vbin, float exposure, long handle,
                  const char* directory);

// The per-pixel mean of `frames` frames of `pixels` samples each (frame after frame), truncated
// toward zero: 1000 and 1001 alternating give 1000.
void AverageBiasDark(const unsigned short* series, unsigned short* frame, long pixels, int frames);
