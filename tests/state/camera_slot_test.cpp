// A camera's slot is the program's only way from a driver handle to that camera's buffers and
// settings: a slot that copied a value, or a lookup that matched the wrong handle, would send
// one camera's frames into the other's buffer or file.
#include "state/camera_slot.h"

#include <gtest/gtest.h>

#include "state/observation_state.h"

namespace {
unsigned short samples1[4], samples2[4], bias1[4], bias2[4];
float flat1[4], flat2[4], cube1[4], cube2[4];
}  // namespace

TEST(CameraSlot, NamesItsCameraAndItsFiles) {
  EXPECT_EQ(Camera(1).number, 1);
  EXPECT_STREQ(Camera(1).letter, "A");
  EXPECT_EQ(Camera(2).number, 2);
  EXPECT_STREQ(Camera(2).letter, "B");
  // Any number but 2 is camera 1, as everywhere a camera is given by number.
  EXPECT_EQ(&Camera(0), &Camera(1));
  EXPECT_EQ(&Camera(3), &Camera(1));
}

TEST(CameraSlot, ReadsTheGlobalsAsTheyAreNow) {
  nCameraHandle1 = 101, nCameraHandle2 = 102;
  g_pRawData = samples1, g_pRawData2 = samples2;
  nhDim1 = 512, nvDim1 = 256, nhDim2 = 128, nvDim2 = 64;
  g_nXPixels1 = 1024, g_nYPixels1 = 1000, g_nXPixels2 = 600, g_nYPixels2 = 500;
  BiasDark1 = bias1, BiasDark2 = bias2;
  flatdata1 = flat1, flatdata2 = flat2, flatcube1 = cube1, flatcube2 = cube2;
  g_fExpTime1 = 0.25f, g_fExpTime2 = 0.5f;
  ccd_Gain = 10, ccd_Gain2 = 20, ccd_PGain1 = 1, ccd_PGain2 = 2;
  // Every value differs from every other, so a field bound to the wrong global shows.

  const CameraSlot& one = Camera(1);
  EXPECT_EQ(one.handle, 101);
  EXPECT_EQ(one.frames, samples1);
  EXPECT_EQ(one.width, 512);
  EXPECT_EQ(one.height, 256);
  EXPECT_EQ(one.detectorWidth, 1024);
  EXPECT_EQ(one.detectorHeight, 1000);
  EXPECT_EQ(one.biasDark, bias1);
  EXPECT_EQ(one.flat, flat1);
  EXPECT_EQ(one.flatCube, cube1);
  EXPECT_EQ(one.exposure, 0.25f);
  EXPECT_EQ(one.gain, 10);
  EXPECT_EQ(one.preAmpGain, 1);

  const CameraSlot& two = Camera(2);
  EXPECT_EQ(two.handle, 102);
  EXPECT_EQ(two.frames, samples2);
  EXPECT_EQ(two.width, 128);
  EXPECT_EQ(two.height, 64);
  EXPECT_EQ(two.detectorWidth, 600);
  EXPECT_EQ(two.detectorHeight, 500);
  EXPECT_EQ(two.biasDark, bias2);
  EXPECT_EQ(two.flat, flat2);
  EXPECT_EQ(two.flatCube, cube2);
  EXPECT_EQ(two.exposure, 0.5f);
  EXPECT_EQ(two.gain, 20);
  EXPECT_EQ(two.preAmpGain, 2);
}

TEST(CameraSlot, WritesReachItsOwnCameraOnly) {
  nhDim1 = 1, g_fExpTime1 = 0.125f, ccd_PGain1 = 1;
  CameraSlot& two = Camera(2);
  two.width = 33, two.exposure = 1.5f, two.preAmpGain = 2;
  EXPECT_EQ(nhDim2, 33);
  EXPECT_EQ(g_fExpTime2, 1.5f);
  EXPECT_EQ(ccd_PGain2, 2);
  EXPECT_EQ(nhDim1, 1);
  EXPECT_EQ(g_fExpTime1, 0.125f);
  EXPECT_EQ(ccd_PGain1, 1);
}

TEST(CameraSlot, ABufferReleasedThroughTheSlotIsGoneFromTheGlobal) {
  g_pRawData = AllocateSamples(4);
  g_pRawData2 = samples2;
  ASSERT_NE(g_pRawData, nullptr);
  ReleaseBuffer(Camera(1).frames);
  EXPECT_EQ(g_pRawData, nullptr);  // never left pointing at freed memory
  EXPECT_EQ(g_pRawData2, samples2);
}

TEST(CameraSlot, EachHandleFindsItsCamera) {
  nCameraHandle1 = 101, nCameraHandle2 = 102;
  EXPECT_EQ(FindSlot(101), &Camera(1));
  EXPECT_EQ(FindSlot(102), &Camera(2));
  EXPECT_EQ(&SlotOf(101), &Camera(1));
  EXPECT_EQ(&SlotOf(102), &Camera(2));
  // Handles given out again (a second Power On) are matched by their new values.
  nCameraHandle1 = 102, nCameraHandle2 = 101;
  EXPECT_EQ(FindSlot(102), &Camera(1));
  EXPECT_EQ(&SlotOf(101), &Camera(2));
}

TEST(CameraSlot, OneCameraFoundIsCameraOne) {
  // Both handles the same: before any Power On both are 0, and one camera may leave them equal.
  nCameraHandle1 = nCameraHandle2 = 0;
  EXPECT_EQ(FindSlot(0), &Camera(1));
  EXPECT_EQ(&SlotOf(0), &Camera(1));
  nCameraHandle1 = nCameraHandle2 = 101;
  EXPECT_EQ(FindSlot(101), &Camera(1));
  EXPECT_EQ(&SlotOf(101), &Camera(1));
}

TEST(CameraSlot, AnUnknownHandleFindsNoCamera) {
  nCameraHandle1 = 101, nCameraHandle2 = 102;
  EXPECT_EQ(FindSlot(103), nullptr);
  EXPECT_EQ(FindSlot(0), nullptr);
  // Where a camera must be named all the same, camera 1 stands in.
  EXPECT_EQ(&SlotOf(103), &Camera(1));
}
