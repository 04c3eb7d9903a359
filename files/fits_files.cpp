#include "files/fits_files.h"

#include <cstdio>

#include "files/fits_output.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

namespace {
// Cards the writers add after the pixels (OBSERVER, TARGET, ARNUMBER, TEL_XPOS, TEL_YPOS, the
// flat's two comments) are reserved before them, so the library never moves the data block.
constexpr int kCardsAfterPixels = 8;

void keyFloat(FitsSave& s, const char* key, float value, const char* comment) {
  ffpky(s.fptr, TFLOAT, key, &value, comment, &s.status);
  FitsStep(s, key);
}
void keyUint(FitsSave& s, const char* key, int value, const char* comment) {
  unsigned int v = static_cast<unsigned int>(value);
  ffpky(s.fptr, TUINT, key, &v, comment, &s.status);
  FitsStep(s, key);
}
void keyInt(FitsSave& s, const char* key, int value, const char* comment) {
  ffpky(s.fptr, TINT, key, &value, comment, &s.status);
  FitsStep(s, key);
}
void keyText(FitsSave& s, const char* key, const char* value, const char* comment) {
  char text[69];
  FitsText(value, text);
  ffpkys(s.fptr, key, text, comment, &s.status);
  FitsStep(s, key);
}

void createImage(FitsSave& s, int bitpix, int nx, int ny, int frames) {
  long axes[3] = {nx, ny, frames};
  ffcrim(s.fptr, bitpix, frames >= 2 ? 3 : 2, axes, &s.status);
  FitsStep(s, "create the image");
  ffpdat(s.fptr, &s.status);
  FitsStep(s, "write DATE");
}

void writePixels(FitsSave& s, int datatype, void* pixels, int nx, int ny, int frames) {
  if (!pixels) {
    if (s.status == 0) s.status = NULL_INPUT_PTR;
    FitsStep(s, "find the frame buffer");
    return;
  }
  ffhdef(s.fptr, kCardsAfterPixels, &s.status);
  FitsStep(s, "reserve header space");
  std::size_t count = static_cast<std::size_t>(nx) * ny * (frames >= 2 ? frames : 1);
  // The samples go out as they are in memory (no scaling), only in the file's byte order.
  FitsWriteSamples(s, pixels, count, datatype == TFLOAT ? 4 : 2);
  FitsStep(s, "write the pixels");
}

void deleteKey(FitsSave& s, const char* key) {
  ffdkey(s.fptr, key, &s.status);
  FitsStep(s, "delete a library card");
}

void writeModeKeys(FitsSave& s) {
  int status = Scanner_status, mode = scan_mode;
  if (status == 1) {
    if (mode == -1) {
      keyText(s, "HELXMODE", "None(Only CCD)", "HELX Mode");
    } else if (mode == 0) {
      keyText(s, "HELXMODE", "Spectrograph", "HELX Mode");
      keyFloat(s, "STEPTIME", scan_duration, "1 Step Duration time(millisecond)");
      // Whole micrometres: an entered 2.5 um gives 2.
      keyFloat(s, "STEPSIZE", static_cast<float>(static_cast<int>(2.0 * scan_size)),
               "1 step size to move scanner(micrometer)");
    } else if (mode == 1) {
      keyText(s, "HELXMODE", "Imaging", "HELX Mode");
      keyFloat(s, "SCNSPEED", scan_speed, "Scan Speed(micrometer/second)");
      keyFloat(s, "SCANDIST", scan_stroke, "Distance to Scan(millimeter)");
    }
  } else if (status == 0) {
    keyText(s, "HELXMODE", "None(Only CCD)", "HELX Mode");
  }
}

// The observer, the target and the telescope's position as confirmed at OK.
void writeMiscKeys(FitsSave& s) {
  const SetupInForce& setup = setup_in_force;
  keyText(s, "OBSERVER", setup.observer, "The Name of Main Observer");

  static const char* const targets[] = {"Near Disk Center", "Close to or on the Limb",
                                        "Quiet Region",     "Active Region",
                                        "Corona Hole",      "Sunspot",
                                        "Filament",         "Prominence"};
  const int target = setup.target;
  if (target == -1) {
    keyText(s, "TARGET", "NONE", "NONE");
  } else if (target >= 0 && target <= 7) {
    keyText(s, "TARGET", targets[target], "Observation Target");
    if (target == 3) keyText(s, "ARNUMBER", setup.arNumber, "Active Region Number");
  } else if (target == 8) {
    keyText(s, "TARGET", setup.targetName, "Observation Target");
  }

  keyInt(s, "TEL_XPOS", setup.telescopeX, "X position of Telescope on the Sun");
  keyInt(s, "TEL_YPOS", setup.telescopeY, "Y position of Telescope on the Sun");
}

void writeScanTimes(FitsSave& s, const char* startText, const char* endText, float elapsed) {
  keyText(s, "STRTIME", startText, "Scan Start Time");
  keyText(s, "ENDTIME", endText, "Scan Finish Time");
  keyFloat(s, "ELAPTIME", elapsed, "Elapse Time During Scanning(Second)");
}

void writeCommonKeys(FitsSave& s, float exposure) {
  keyFloat(s, "EXPTIME", exposure, "Second");
  keyUint(s, "HBINNING", ccd_HBin, "");
  keyUint(s, "VBINNING", ccd_VBin, "");
  keyUint(s, "EMGAIN", ccd_Gain, "Value Range: 0-255");
}

// The driver is asked about the handle as given; the sizes and gain are those of its slot.
void writeCameraKeys(FitsSave& s, long handle, const CameraSlot& camera, bool fullSize) {
  int temperature = 0;
  char model[69];
  ReadCameraInfo(handle, &temperature, model);
  keyInt(s, "CCDTEMP", temperature, "Cooling Temperature of CCD");
  keyText(s, "CCDNAME", model, "Productname of CCD");
  if (fullSize) {
    keyUint(s, "CCD_XPIX", camera.detectorWidth, "Full Pixel Size of X");
    keyUint(s, "CCD_YPIX", camera.detectorHeight, "Full Pixel Size of Y");
  }
  keyUint(s, "PAMPGAIN", camera.preAmpGain, "Value Range: 0-2");
}

// "A_BiasDark", "B_Flat": the camera's letter and what the file holds.
void suffixOf(const CameraSlot& camera, const char* what, char* out, std::size_t size) {
  std::snprintf(out, size, "%s_%s", camera.letter, what);
}
}  // namespace

int SaveFits(int nx, int ny, int frames, float exposure, long camera, const char* startText,
             const char* endText, float elapsed, const char* directory) {
  const CameraSlot& slot = SlotOf(camera);
  FitsSave s;
  FitsBegin(s, directory, slot.letter, 2ull * nx * ny * (frames >= 2 ? frames : 1));
  createImage(s, SHORT_IMG, nx, ny, frames);
  writeCommonKeys(s, exposure);
  writeScanTimes(s, startText, endText, elapsed);
  writeModeKeys(s);
  writeCameraKeys(s, camera, slot, true);
  WriteGratingKeys(s);
  // The camera's samples go out as the library's 16-bit signed type: above 32767 they read
  // back negative, the same 16 bits.
  writePixels(s, TSHORT, slot.frames, nx, ny, frames);
  deleteKey(s, "COMMENT");
  deleteKey(s, "COMMENT");
  deleteKey(s, "EXTEND");
  writeMiscKeys(s);
  return FitsFinish(s);
}

int SaveBiasDark(int nh, int nv, int frames, float exposure, long camera, const char* directory) {
  (void)frames;  // always one frame
  const CameraSlot& slot = SlotOf(camera);
  char suffix[16];
  suffixOf(slot, "BiasDark", suffix, sizeof suffix);
  FitsSave s;
  FitsBegin(s, directory, suffix, 2ull * nh * nv);
  createImage(s, SHORT_IMG, nh, nv, 1);
  writeCommonKeys(s, exposure);
  writeCameraKeys(s, camera, slot, false);
  WriteGratingKeys(s);
  writePixels(s, TSHORT, slot.biasDark, nh, nv, 1);
  // EXTEND stays in the bias/dark file.
  deleteKey(s, "COMMENT");
  deleteKey(s, "COMMENT");
  return FitsFinish(s);
}

int SaveFlatFits(int nh, int nv, int frames, float exposure, long camera, const char* startText,
                 const char* endText, float elapsed, const char* directory) {
  const CameraSlot& slot = SlotOf(camera);
  char suffix[16];
  suffixOf(slot, "Flat", suffix, sizeof suffix);
  FitsSave s;
  FitsBegin(s, directory, suffix, 4ull * nh * nv * (frames >= 2 ? frames : 1));
  createImage(s, FLOAT_IMG, nh, nv, frames);
  writeCommonKeys(s, exposure);
  writeScanTimes(s, startText, endText, elapsed);
  writeCameraKeys(s, camera, slot, true);
  WriteGratingKeys(s);
  writePixels(s, TFLOAT, slot.flatCube, nh, nv, frames);
  deleteKey(s, "COMMENT");
  deleteKey(s, "COMMENT");
  deleteKey(s, "EXTEND");
  ffpcom(s.fptr, "BiasDark Subtracted", &s.status);
  FitsStep(s, "write COMMENT");
  char comment[80];
  std::snprintf(comment, sizeof comment, "averaged image : %d at each grating angle",
                g_nFrameNumber1.load());
  ffpcom(s.fptr, comment, &s.status);
  FitsStep(s, "write COMMENT");
  return FitsFinish(s);
}
