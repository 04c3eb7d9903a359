// The program's panels loaded in a temporary working directory, with no event loop: the test's
// own thread is the user-interface thread and calls the display procedures and callbacks
// directly. Helpers read what the operator would see in the panel model.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ui/model.h"
#include "state/HELX.h"

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Camera 1 (and 2) with `frames` frames of width x height, handles 101 and 102.
  void SetUpCamera1(int width, int height, int frames, const std::vector<unsigned short>& data);
  void SetUpCamera2(int width, int height, const std::vector<unsigned short>& data);

  static helx::ui::Image picture();          // the graphic panel's picture
  static std::vector<unsigned char> grey();  // its pixels as grey bytes, top row first
  static std::vector<helx::ui::Plot> plots();
  static std::string text(int control);  // main-panel text
  static double number(int control);     // main-panel numeric value
  static int attribute(int control, int attribute);
  static int marked();  // the plane selector's option

  std::filesystem::path workdir;
  std::vector<unsigned short> raw1, raw2, bias1;
};

// A commit on a main-panel control, as the operator's release of a slider.
int Commit(int (*callback)(int, int, int, void*, int, int), int control);
