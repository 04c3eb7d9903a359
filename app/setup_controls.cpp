#include "app/setup_controls.h"

#include <cstdlib>
#include <cstring>

#include "app/shell.h"
#include "files/fits_output.h"
#include "motors/wavelength_list.h"
#include "state/observation_state.h"

namespace {
enum class Holds { Text, Choice, Whole, Real };

struct SetupControl {
  int page;
  int control;
  Holds holds;
};

// Every control a setup is made of. The step count and frame count of the scan page are not
// here: OK writes them and the operator cannot change them.
constexpr SetupControl kControls[kSetupControlCount] = {
    {setCCDTAB, setCCDTAB_CCD_setCamera, Holds::Choice},
    {setCCDTAB, setCCDTAB_CCD_setAcq, Holds::Choice},
    {setCCDTAB, setCCDTAB_CCD_setBinning, Holds::Choice},
    {setCCDTAB, setCCDTAB_CCD_setShutter, Holds::Choice},
    {setCCDTAB, setCCDTAB_CCD_setFan, Holds::Choice},
    {setCCDTAB, setCCDTAB_CCD_setFrameNumber, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setExpTime, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setExpTime2, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setGain, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setGain2, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setPGain1, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setPGain2, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setHBin, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setVBin, Holds::Text},
    {setCCDTAB, setCCDTAB_CCD_setSequence, Holds::Whole},
    {setScanTAB, setScanTAB_Scan_Mode, Holds::Choice},
    {setScanTAB, setScanTAB_Scan_Step_duration, Holds::Real},
    {setScanTAB, setScanTAB_Scan_Step_size, Holds::Real},
    {setScanTAB, setScanTAB_Scan_speed, Holds::Real},
    {setScanTAB, setScanTAB_Scan_stroke, Holds::Real},
    {setMotoTAB, setMotoTAB_Motor_Wavelength, Holds::Choice},
    {setMISC, setMISC_MISC_Observer, Holds::Text},
    {setMISC, setMISC_MISC_TargetRing, Holds::Choice},
    {setMISC, setMISC_MISC_Target, Holds::Text},
    {setMISC, setMISC_MISC_ARNumber, Holds::Text},
    {setMISC, setMISC_sunXpos, Holds::Whole},
    {setMISC, setMISC_sunYpos, Holds::Whole},
};

int pageHandle(int page) {
  int handle = 0;
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, page, &handle);
  return handle;
}

SetupControlValue readControl(const SetupControl& c) {
  SetupControlValue v;
  const int panel = pageHandle(c.page);
  switch (c.holds) {
    case Holds::Text:
      ReadPanelText(panel, c.control, v.text, sizeof v.text);
      break;
    case Holds::Choice:
      GetCtrlIndex(panel, c.control, &v.index);
      GetCtrlVal(panel, c.control, &v.value);
      break;
    case Holds::Whole:
      GetCtrlVal(panel, c.control, &v.value);
      break;
    case Holds::Real:
      GetCtrlVal(panel, c.control, &v.number);
      break;
  }
  return v;
}

void showControl(const SetupControl& c, const SetupControlValue& v) {
  const int panel = pageHandle(c.page);
  switch (c.holds) {
    case Holds::Text:
      SetCtrlVal(panel, c.control, v.text);
      break;
    case Holds::Choice:
      // A list read again since (the wavelengths) may no longer hold the entry.
      if (v.index >= 0) SetCtrlIndex(panel, c.control, v.index);
      break;
    case Holds::Whole:
      SetCtrlVal(panel, c.control, v.value);
      break;
    case Holds::Real:
      SetCtrlVal(panel, c.control, v.number);
      break;
  }
}

int whole(const SetupControls& s, int page, int control) {
  return std::atoi(SetupControlOf(s, page, control).text);
}

float real(const SetupControls& s, int page, int control) {
  return static_cast<float>(std::atof(SetupControlOf(s, page, control).text));
}

void copyText(char (&to)[256], const SetupControls& s, int page, int control) {
  std::memcpy(to, SetupControlOf(s, page, control).text, sizeof to);
  to[sizeof to - 1] = '\0';
}

// The binning factors of the binning choice; the custom one as typed (OK has checked it).
void readBinning(const SetupControls& s, SetupInForce& next) {
  switch (SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setBinning).value) {
    case 1:
      next.hBin = next.vBin = 1;
      break;
    case 2:
      next.hBin = next.vBin = 2;
      break;
    case 3:
      next.hBin = next.vBin = 4;
      break;
    default:
      next.hBin = whole(s, setCCDTAB, setCCDTAB_CCD_setHBin);
      next.vBin = whole(s, setCCDTAB, setCCDTAB_CCD_setVBin);
      break;
  }
}

// The step lasts the longest exposure of the cameras it waits for, plus 70 ms for the read-out
// (and 10 ms more when both cameras read out at every step); a scan at rest polls every 30 ms.
float stepDurationFor(const SetupInForce& s) {
  const float one = s.camera[0].exposure, two = s.camera[1].exposure;
  const float longer = one > two ? one : two;
  if (s.acquisition == kScanStop) return 0.03f;
  switch (s.configuration) {
    case kBothAtEveryStep:
    case kFlatFielding:
      return 1000 * longer + 70 + 10;
    case kBothOneAfterTheOther:
      return 1000 * longer + 70;
    case kCamera1Only:
      return 1000 * one + 70;
    case kCamera2Only:
      return 1000 * two + 70;
    default:
      return s.stepDuration;
  }
}

void readCameras(const SetupControls& s, SetupInForce& next) {
  next.configuration = SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setCamera).value;
  next.acquisition = SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setAcq).value;
  next.frames =
      next.acquisition == kVideoFocus ? 0 : whole(s, setCCDTAB, setCCDTAB_CCD_setFrameNumber);
  next.runs = SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setSequence).value;
  next.camera[0] = {real(s, setCCDTAB, setCCDTAB_CCD_setExpTime),
                    whole(s, setCCDTAB, setCCDTAB_CCD_setGain),
                    whole(s, setCCDTAB, setCCDTAB_CCD_setPGain1)};
  next.camera[1] = {real(s, setCCDTAB, setCCDTAB_CCD_setExpTime2),
                    whole(s, setCCDTAB, setCCDTAB_CCD_setGain2),
                    whole(s, setCCDTAB, setCCDTAB_CCD_setPGain2)};
  readBinning(s, next);
  next.shutter = SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setShutter).value;
  next.fan = SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setFan).value;
  next.stepDuration = stepDurationFor(next);
}

void readScan(const SetupControls& s, bool camerasRead, SetupInForce& next) {
  next.scanMode = SetupControlOf(s, setScanTAB, setScanTAB_Scan_Mode).index;
  // With the cameras confirmed, the step lasts what their exposures need.
  if (!camerasRead)
    next.stepDuration =
        static_cast<float>(SetupControlOf(s, setScanTAB, setScanTAB_Scan_Step_duration).number);
  next.stepSizeHalf =
      static_cast<float>(SetupControlOf(s, setScanTAB, setScanTAB_Scan_Step_size).number / 2.0);
  next.speed = static_cast<float>(SetupControlOf(s, setScanTAB, setScanTAB_Scan_speed).number);
  next.stroke = static_cast<float>(SetupControlOf(s, setScanTAB, setScanTAB_Scan_stroke).number);
}

void readGrating(const SetupControls& s, SetupInForce& next) {
  const int index = SetupControlOf(s, setMotoTAB, setMotoTAB_Motor_Wavelength).index;
  next.grating = {};
  if (!WvEntryLoaded(index)) return;
  next.grating.index = index;
  next.grating.wavelength = Data[index].wavelength;
  next.grating.step = Data[index].step;
  next.grating.angle = Data[index].angle;
}

void readMisc(const SetupControls& s, SetupInForce& next) {
  copyText(next.observer, s, setMISC, setMISC_MISC_Observer);
  next.target = SetupControlOf(s, setMISC, setMISC_MISC_TargetRing).value;
  copyText(next.targetName, s, setMISC, setMISC_MISC_Target);
  copyText(next.arNumber, s, setMISC, setMISC_MISC_ARNumber);
  next.telescopeX = SetupControlOf(s, setMISC, setMISC_sunXpos).value;
  next.telescopeY = SetupControlOf(s, setMISC, setMISC_sunYpos).value;
}

bool confirmedOnce = false;
SetupControls confirmed;
}  // namespace

SetupControls ReadSetupControls(void) {
  SetupControls s;
  for (int i = 0; i < kSetupControlCount; i++) s.values[i] = readControl(kControls[i]);
  return s;
}

void ShowSetupControls(const SetupControls& s) {
  for (int i = 0; i < kSetupControlCount; i++) showControl(kControls[i], s.values[i]);
  ShowScanModeChoice(pageHandle(setScanTAB),
                     SetupControlOf(s, setScanTAB, setScanTAB_Scan_Mode).index);
  ShowBinningChoice(pageHandle(setCCDTAB),
                    SetupControlOf(s, setCCDTAB, setCCDTAB_CCD_setBinning).value);
  ShowTargetChoice(pageHandle(setMISC), SetupControlOf(s, setMISC, setMISC_MISC_TargetRing).value);
}

const SetupControlValue& SetupControlOf(const SetupControls& s, int page, int control) {
  static const SetupControlValue none;
  for (int i = 0; i < kSetupControlCount; i++)
    if (kControls[i].page == page && kControls[i].control == control) return s.values[i];
  return none;
}

SetupInForce SetupFromControls(const SetupControls& s, const SetupInForce& previous) {
  SetupInForce next = previous;
  const bool cameras = CCD_status == 1;
  if (cameras) readCameras(s, next);
  if (Scanner_status == 1) readScan(s, cameras, next);
  if (Motor_status == 1) readGrating(s, next);
  readMisc(s, next);
  return next;
}

void RememberConfirmedControls(void) {
  confirmed = ReadSetupControls();
  confirmedOnce = true;
}

void RestoreConfirmedControls(void) {
  if (confirmedOnce) ShowSetupControls(confirmed);
}

void ShowScanModeChoice(int panel, int mode) {
  const int spectrograph = (mode == 0);
  SetCtrlAttribute(panel, setScanTAB_Scan_Step_duration, ATTR_DIMMED, !spectrograph);
  SetCtrlAttribute(panel, setScanTAB_Scan_Step_size, ATTR_DIMMED, !spectrograph);
  SetCtrlAttribute(panel, setScanTAB_TEXTMSG_1, ATTR_DIMMED, !spectrograph);
  SetCtrlAttribute(panel, setScanTAB_Scan_speed, ATTR_DIMMED, spectrograph);
  SetCtrlAttribute(panel, setScanTAB_Scan_stroke, ATTR_DIMMED, spectrograph);
  SetCtrlAttribute(panel, setScanTAB_TEXTMSG_2, ATTR_DIMMED, spectrograph);
  SetCtrlAttribute(panel, setScanTAB_Scan_Step_number, ATTR_DIMMED, 1);
  SetCtrlAttribute(panel, setScanTAB_Scan_Frames, ATTR_DIMMED, 1);
}

void ShowBinningChoice(int panel, int binning) {
  SetCtrlAttribute(panel, setCCDTAB_CCD_setHBin, ATTR_DIMMED, binning != 4);
  SetCtrlAttribute(panel, setCCDTAB_CCD_setVBin, ATTR_DIMMED, binning != 4);
}

void ShowTargetChoice(int panel, int target) {
  SetCtrlAttribute(panel, setMISC_MISC_Target, ATTR_DIMMED, target != 8);
  SetCtrlAttribute(panel, setMISC_MISC_ARNumber, ATTR_DIMMED, target != 3);
}
