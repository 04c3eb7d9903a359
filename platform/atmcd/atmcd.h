// The camera driver library: the calls, argument orders and return codes of the camera maker's
// driver, over the simulated cameras of sim/camera.
//
// Every call acts on the current camera (process-wide, chosen with SetCurrentCamera from the
// handles GetCameraHandle gives) and returns DRV_SUCCESS or a code saying why not. The rules the
// real driver keeps, kept here:
//   * Only GetAvailableCameras, GetCameraHandle, SetCurrentCamera, GetCurrentCamera and
//     Initialize work on a camera that is not initialised; the rest return DRV_NOT_INITIALIZED.
//   * While the camera acquires, settings, timings, cooler and temperature calls return
//     DRV_ACQUIRING; GetStatus, AbortAcquisition and the information calls still answer.
//   * An invalid argument returns DRV_Pn_INVALID for the n-th argument; a failed call leaves
//     its out-values as they were.
// Nothing runs in the background: whether the camera still acquires and whether data are there
// is computed from the instrument clock (platform/os) at each call.
//
// The simulated heads (docs/sim-camera.md): 512 x 512 back-illuminated EMCCDs by default, a
// 1004 x 1002 head on request; image read mode (4) only; internal trigger only; acquisition
// mode 1 is a single scan, 6 (and the driver's kinetic series, 3) a series of
// SetNumberKinetics frames, exposed back to back in frame-transfer mode when that is on. A
// window that is not a multiple of the binning drops the remainder; an acquisition of more than
// 2^31 samples is refused with DRV_ACQ_BUFFER. GetAcquiredData16 wants exactly the samples of
// the last acquisition (frames x binned width x binned height) and may be called again for the
// same data until the next StartAcquisition.
//
// Threads: every call may be made from any thread; calls are serialised inside.
#pragma once

#include <cstdint>

// Return codes.
#define DRV_ERROR_CODES 20001
#define DRV_SUCCESS 20002
#define DRV_VXDNOTINSTALLED 20003
#define DRV_ERROR_SCAN 20004
#define DRV_ERROR_CHECK_SUM 20005
#define DRV_ERROR_FILELOAD 20006
#define DRV_UNKNOWN_FUNCTION 20007
#define DRV_ERROR_VXD_INIT 20008
#define DRV_ERROR_ADDRESS 20009
#define DRV_ERROR_PAGELOCK 20010
#define DRV_ERROR_PAGEUNLOCK 20011
#define DRV_ERROR_BOARDTEST 20012
#define DRV_ERROR_ACK 20013
#define DRV_ERROR_UP_FIFO 20014
#define DRV_ERROR_PATTERN 20015
#define DRV_ACQUISITION_ERRORS 20017
#define DRV_ACQ_BUFFER 20018
#define DRV_ACQ_DOWNFIFO_FULL 20019
#define DRV_PROC_UNKONWN_INSTRUCTION 20020
#define DRV_ILLEGAL_OP_CODE 20021
#define DRV_KINETIC_TIME_NOT_MET 20022
#define DRV_ACCUM_TIME_NOT_MET 20023
#define DRV_NO_NEW_DATA 20024
#define DRV_SPOOLERROR 20026
#define DRV_TEMPERATURE_CODES 20033
#define DRV_TEMPERATURE_OFF 20034
#define DRV_TEMPERATURE_NOT_STABILIZED 20035
#define DRV_TEMPERATURE_STABILIZED 20036
#define DRV_TEMPERATURE_NOT_REACHED 20037
#define DRV_TEMPERATURE_OUT_RANGE 20038
#define DRV_TEMPERATURE_NOT_SUPPORTED 20039
#define DRV_TEMPERATURE_DRIFT 20040
#define DRV_TEMP_CODES DRV_TEMPERATURE_CODES
#define DRV_TEMP_OFF DRV_TEMPERATURE_OFF
#define DRV_TEMP_NOT_STABILIZED DRV_TEMPERATURE_NOT_STABILIZED
#define DRV_TEMP_STABILIZED DRV_TEMPERATURE_STABILIZED
#define DRV_TEMP_NOT_REACHED DRV_TEMPERATURE_NOT_REACHED
#define DRV_TEMP_OUT_RANGE DRV_TEMPERATURE_OUT_RANGE
#define DRV_TEMP_NOT_SUPPORTED DRV_TEMPERATURE_NOT_SUPPORTED
#define DRV_TEMP_DRIFT DRV_TEMPERATURE_DRIFT
#define DRV_GENERAL_ERRORS 20049
#define DRV_INVALID_AUX 20050
#define DRV_COF_NOTLOADED 20051
#define DRV_FPGAPROG 20052
#define DRV_FLEXERROR 20053
#define DRV_GPIBERROR 20054
#define DRV_DATATYPE 20064
#define DRV_DRIVER_ERRORS 20065
#define DRV_P1INVALID 20066
#define DRV_P2INVALID 20067
#define DRV_P3INVALID 20068
#define DRV_P4INVALID 20069
#define DRV_INIERROR 20070
#define DRV_COFERROR 20071
#define DRV_ACQUIRING 20072
#define DRV_IDLE 20073
#define DRV_TEMPCYCLE 20074
#define DRV_NOT_INITIALIZED 20075
#define DRV_P5INVALID 20076
#define DRV_P6INVALID 20077
#define DRV_INVALID_MODE 20078
#define DRV_INVALID_FILTER 20079
#define DRV_BINNING_ERROR 20099
#define DRV_INVALID_AMPLIFIER 20100
#define DRV_ERROR_NOCAMERA 20990
#define DRV_NOT_SUPPORTED 20991
#define DRV_NOT_AVAILABLE 20992

// Capability bits (AndorCapabilities), the ones the simulated heads report.
#define AC_ACQMODE_SINGLE 1
#define AC_ACQMODE_VIDEO 2
#define AC_ACQMODE_ACCUMULATE 4
#define AC_ACQMODE_KINETIC 8
#define AC_ACQMODE_FRAMETRANSFER 16
#define AC_READMODE_FULLIMAGE 1
#define AC_READMODE_SUBIMAGE 2
#define AC_TRIGGERMODE_INTERNAL 1
#define AC_TRIGGERMODE_EXTERNAL 2
#define AC_TRIGGERMODE_CONTINUOUS 8
#define AC_CAMERATYPE_PDA 0
#define AC_CAMERATYPE_IXON 1
#define AC_PIXELMODE_14BIT 2
#define AC_SETFUNCTION_VREADOUT 0x01
#define AC_SETFUNCTION_HREADOUT 0x02
#define AC_SETFUNCTION_TEMPERATURE 0x04
#define AC_SETFUNCTION_EMCCDGAIN 0x10
#define AC_SETFUNCTION_BASELINECLAMP 0x20
#define AC_SETFUNCTION_BASELINEOFFSET 0x100
#define AC_SETFUNCTION_PREAMPGAIN 0x200
#define AC_GETFUNCTION_TEMPERATURE 0x01
#define AC_GETFUNCTION_TEMPERATURERANGE 0x04
#define AC_GETFUNCTION_DETECTORSIZE 0x08
#define AC_GETFUNCTION_EMCCDGAIN 0x20
#define AC_FEATURES_POLLING 1
#define AC_FEATURES_SHUTTER 8
#define AC_FEATURES_FANCONTROL 128
#define AC_FEATURES_MIDFANCONTROL 256
#define AC_EMGAIN_8BIT 1

// The capability record: twelve 32-bit words; ulSize must be preset to 48.
typedef struct ANDORCAPS {
  std::uint32_t ulSize;
  std::uint32_t ulAcqModes;
  std::uint32_t ulReadModes;
  std::uint32_t ulTriggerModes;
  std::uint32_t ulCameraType;
  std::uint32_t ulPixelMode;
  std::uint32_t ulSetFunctions;
  std::uint32_t ulGetFunctions;
  std::uint32_t ulFeatures;
  std::uint32_t ulPCICard;
  std::uint32_t ulEMGainCapability;
  std::uint32_t ulFTReadModes;
} AndorCapabilities;
static_assert(sizeof(AndorCapabilities) == 48);

extern "C" {

// Life.
unsigned int GetAvailableCameras(long* totalCameras);
unsigned int GetCameraHandle(long cameraIndex, long* cameraHandle);
unsigned int SetCurrentCamera(long cameraHandle);
unsigned int GetCurrentCamera(long* cameraHandle);
unsigned int Initialize(char* dir);
unsigned int ShutDown(void);

// Information.
unsigned int GetCapabilities(AndorCapabilities* caps);
unsigned int GetHeadModel(char* name);  // at least 32 characters
unsigned int GetDetector(int* xpixels, int* ypixels);
unsigned int GetNumberVSSpeeds(int* speeds);
unsigned int GetVSSpeed(int index, float* speed);  // microseconds per row shift
unsigned int GetNumberADChannels(int* channels);
unsigned int GetNumberHSSpeeds(int channel, int typ, int* speeds);       // typ 0 EM, 1 conventional
unsigned int GetHSSpeed(int channel, int typ, int index, float* speed);  // MHz
unsigned int GetHardwareVersion(unsigned int* PCB, unsigned int* Decode, unsigned int* dummy1,
                                unsigned int* dummy2, unsigned int* CameraFirmwareVersion,
                                unsigned int* CameraFirmwareBuild);
unsigned int GetSoftwareVersion(unsigned int* eprom, unsigned int* coffile, unsigned int* vxdrev,
                                unsigned int* vxdver, unsigned int* dllrev, unsigned int* dllver);
unsigned int GetTemperatureRange(int* mintemp, int* maxtemp);
unsigned int GetEMGainRange(int* low, int* high);
unsigned int GetEMCCDGain(int* gain);
unsigned int GetNumberPreAmpGains(int* noGains);
unsigned int IsTriggerModeAvailable(int iTriggerMode);

// Settings.
unsigned int SetAcquisitionMode(int mode);
unsigned int SetFrameTransferMode(int mode);
unsigned int SetNumberKinetics(int number);
unsigned int SetReadMode(int mode);
unsigned int SetVSSpeed(int index);
unsigned int SetADChannel(int channel);
unsigned int SetHSSpeed(int typ, int index);
unsigned int SetShutter(int typ, int mode, int closingtime, int openingtime);
unsigned int SetFanMode(int mode);  // 0 high, 1 low, 2 off
unsigned int SetPreAmpGain(int index);
unsigned int SetEMCCDGain(int gain);
unsigned int SetImage(int hbin, int vbin, int hstart, int hend, int vstart, int vend);
unsigned int SetTriggerMode(int mode);
unsigned int SetExposureTime(float time);
unsigned int SetBaselineClamp(int state);
unsigned int SetBaselineOffset(int offset);
unsigned int GetAcquisitionTimings(float* exposure, float* accumulate, float* kinetic);

// Acquisition.
unsigned int StartAcquisition(void);
unsigned int GetStatus(int* status);  // DRV_ACQUIRING or DRV_IDLE
unsigned int GetAcquiredData16(unsigned short* arr, unsigned long size);
unsigned int AbortAcquisition(void);

// Cooling.
unsigned int SetTemperature(int temperature);
unsigned int CoolerON(void);
unsigned int CoolerOFF(void);
unsigned int GetTemperature(int* temperature);

}  // extern "C"
