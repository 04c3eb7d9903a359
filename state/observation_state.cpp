#include "state/observation_state.h"

int mainPanel = 0, HELXpanelSetting = 0, testpanel = 0, aboutPanel = 0, menubar = 0;
std::atomic<int> GraphicPanel{0};
int TabPanelHandle = 0;
int panelwidth = 0, panelheight = 0;

std::atomic<int> ccd_camera{0};
std::atomic<int> g_nFrameNumber1{0};
std::atomic<int> sequential_number{0};
float g_fExpTime1 = 0.0f, g_fExpTime2 = 0.0f;
int ccd_HBin = 0, ccd_VBin = 0;
int ccd_Gain = 0, ccd_Gain2 = 0;
int ccd_PGain1 = 0, ccd_PGain2 = 0;
std::atomic<int> scan_mode{-1};
float scan_size = 0.0f;
float scan_duration = 0.0f;
float scan_speed = 0.0f;
float scan_stroke = 0.0f;
char data_directory[32] = "G:\\TARN_Data\\";
char entire_directory[252] = "";

long nCameraHandle1 = 0, nCameraHandle2 = 0;
int nNumberOfCameras = 0;
long nUnknownCameraHandle = 0;
int g_nXPixels1 = 0, g_nYPixels1 = 0, g_nXPixels2 = 0, g_nYPixels2 = 0;
int nhDim1 = 0, nvDim1 = 0, nhDim2 = 0, nvDim2 = 0;
int nhDim = 0, nvDim = 0;
unsigned short* g_pRawData = nullptr;
unsigned short* g_pRawData2 = nullptr;
unsigned short* BiasDark1 = nullptr;
unsigned short* BiasDark2 = nullptr;
float* flatdata1 = nullptr;
float* flatdata2 = nullptr;
float* flatcube1 = nullptr;
float* flatcube2 = nullptr;
Plane pFitsData;
Plane pusFitsData;
Plane planeDataCCD;
std::atomic<int> DataSource{0};
int colortable[256];

std::atomic<int> CCD_status{-1};
std::atomic<int> Scanner_status{-1};
std::atomic<int> Motor_status{-1};
std::atomic<int> PmacAccessible{0};
std::atomic<int> Run_thread_stop{1};
std::atomic<int> Run_thread_id{0};
std::atomic<int> temp_thread{0};
std::atomic<int> temp_warming{0};
std::atomic<int> coolingStatus{-1};
std::atomic<int> setup_buffers_ok{0};
std::atomic<int> run_active{0};

int RunActive(void) { return run_active.load(); }

std::atomic<int> helx_take_mode{0};
std::atomic<int> take{0};
std::atomic<int> Scanpos_CCDframe{0};
std::atomic<float> scanpos{0.0f};
std::atomic<int> Scanner_InPosition{0};
std::atomic<int> Scanning{0};

std::int64_t gliFreq = 0, gliStart = 0, gliEnd = 0;
std::uint32_t timeget1 = 0, timeget2 = 0;
char strt[32] = "";

std::atomic<int> plotHandle{0};
