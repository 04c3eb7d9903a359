// The operator-interface runtime as the system calls it: panels loaded from the panel resource,
// controls addressed by panel handle and control id, the event loop, popups, the thread pool,
// delays, program launching and the analysis histogram.
//
// Threads:
// * One user-interface (UI) thread runs every callback: the thread that called
//   RunUserInterface. Waits "with event processing" pump the same queue re-entrantly.
// * Every other function may be called from any thread. SetCtrlVal and friends write the model
//   at once under its lock and never wait for the UI thread.
// * MessagePopup on the UI thread is modal; from a worker it is queued for the UI thread and the
//   worker goes on at once. Every popup is recorded where tests read it (operator.h).
// * Values the program writes are stored exactly as written; a control's limits bound only
//   what the operator types.
//
// Mouse events carry the pointer's panel coordinates: eventData1 = y, eventData2 = x.
// Key-press events carry the key code in eventData1 (VAL_ENTER_VKEY for Enter).
#pragma once

#include <cstddef>

#ifndef CVICALLBACK
#define CVICALLBACK
#endif

// ---- events ----
enum {
  EVENT_NONE = 0,
  EVENT_COMMIT = 1,
  EVENT_VAL_CHANGED = 2,
  EVENT_LEFT_CLICK = 3,
  EVENT_LEFT_DOUBLE_CLICK = 4,
  EVENT_RIGHT_CLICK = 5,
  EVENT_KEYPRESS = 7,
  EVENT_GOT_FOCUS = 8,
  EVENT_LOST_FOCUS = 9,
  EVENT_CLOSE = 12,
  EVENT_PANEL_SIZE = 13,
  EVENT_PANEL_MOVE = 14,
  EVENT_TIMER_TICK = 15,
  EVENT_DISCARD = 16,
  EVENT_MOUSE_POINTER_MOVE = 22,
  EVENT_ACTIVE_TAB_CHANGE = 27,
};

enum { VAL_ENTER_VKEY = 0x0500, VAL_ESC_VKEY = 0x0D00 };

// ---- attributes (numbers are ours) ----
enum {
  ATTR_DIMMED = 1,
  ATTR_VISIBLE = 2,
  ATTR_LEFT = 3,
  ATTR_TOP = 4,
  ATTR_WIDTH = 5,
  ATTR_HEIGHT = 6,
  ATTR_MIN_VALUE = 7,
  ATTR_MAX_VALUE = 8,
  ATTR_INCR_VALUE = 9,
  ATTR_DFLT_INDEX = 10,
  ATTR_ON_COLOR = 11,
  ATTR_INTERVAL = 12,
  ATTR_ENABLED = 13,
  ATTR_TITLE = 14,
  ATTR_LABEL_TEXT = 15,
  ATTR_CTRL_INDEX = 16,
  ATTR_NUM_PAGES = 17,
  ATTR_ACTIVE_PAGE = 18,
  ATTR_CTRL_VAL = 19,
};

enum {
  VAL_RED = 0xFF0000,
  VAL_GREEN = 0x00FF00,
  VAL_BLUE = 0x0000FF,
  VAL_BLACK = 0,
  VAL_WHITE = 0xFFFFFF
};

// Plot styles, point styles, line styles and data types of PlotXY/PlotY.
enum { VAL_THIN_LINE = 0, VAL_CONNECTED_POINTS = 1, VAL_SCATTER = 2, VAL_VERTICAL_BAR = 3 };
enum { VAL_EMPTY_SQUARE = 0, VAL_SOLID_SQUARE = 1 };
enum { VAL_SOLID = 0, VAL_DASH = 1 };
enum {
  VAL_CHAR = 0,
  VAL_SHORT_INTEGER = 1,
  VAL_INTEGER = 2,
  VAL_FLOAT = 3,
  VAL_DOUBLE = 4,
  VAL_UNSIGNED_SHORT_INTEGER = 5,
  VAL_UNSIGNED_INTEGER = 6,
  VAL_UNSIGNED_CHAR = 7,
};
enum { VAL_IMMEDIATE_DRAW = 1, VAL_DELAYED_DRAW = 0 };

// Popups.
enum { VAL_LOAD_BUTTON = 0, VAL_SAVE_BUTTON = 1, VAL_SELECT_BUTTON = 2, VAL_OK_DONE_BUTTON = 3 };
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };

// Errors (negative results).
enum {
  UIENoError = 0,
  UIEHandleInvalid = -4,
  UIEBadControlId = -5,
  UIEResourceFile = -11,
  UIEResourceId = -12,
  UIEOutOfMemory = -1,
  UIEValueNotInList = -19,
  UIEBadAttribute = -20,
  UIEBadCallback = -23,
};

// Thread pool.
enum { DEFAULT_THREAD_POOL_HANDLE = 0 };
enum { OPT_TP_PROCESS_EVENTS_WHILE_WAITING = 1 };
enum { EVENT_TP_THREAD_FUNCTION_BEGIN = 1, EVENT_TP_THREAD_FUNCTION_END = 2 };
enum {
  THREAD_PRIORITY_LOWEST = -2,
  THREAD_PRIORITY_NORMAL = 0,
  THREAD_PRIORITY_HIGHEST = 2,
  THREAD_PRIORITY_TIME_CRITICAL = 15
};

// LaunchExecutableEx window states.
enum { LE_HIDE = 0, LE_SHOWNORMAL = 1 };

typedef int(CVICALLBACK* CtrlCallbackPtr)(int panel, int control, int event, void* callbackData,
                                          int eventData1, int eventData2);
typedef int(CVICALLBACK* PanelCallbackPtr)(int panel, int event, void* callbackData, int eventData1,
                                           int eventData2);
typedef void(CVICALLBACK* MenuCallbackPtr)(int menuBar, int menuItem, void* callbackData,
                                           int panel);
typedef int(CVICALLBACK* ThreadFunctionPtr)(void* functionData);
typedef void(CVICALLBACK* ThreadFunctionCallbackPtr)(int poolHandle, int functionID,
                                                     unsigned int event, int value,
                                                     void* callbackData);

// ---- start-up ----
// Reads the platform's own options (--headless, --script FILE, --time-scale X) and prepares
// the runtime. Returns 1 on success, 0 on failure (an unknown option, a missing script).
int InitCVIRTE(void* hInstance, char* argv[], void* reserved);
// Ends the process with the command line's script status when that script stopped (the runner
// registers itself: services.h); otherwise returns.
void CloseCVIRTE(void);

// ---- panels ----
int LoadPanel(int parentPanel, const char* fileName, int resourceId);
int LoadMenuBar(int panel, const char* fileName, int resourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int GetPanelAttribute(int panel, int attribute, int* value);
int GetPanelAttribute(int panel, int attribute, char* value);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);
int GetPanelHandleFromTabPage(int panel, int tabControl, int pageIndex, int* pageHandle);
int SetTabPageAttribute(int panel, int tabControl, int pageIndex, int attribute, int value);
int GetTabPageAttribute(int panel, int tabControl, int pageIndex, int attribute, int* value);
int SetActiveTabPage(int panel, int tabControl, int pageIndex);
int GetActiveTabPage(int panel, int tabControl, int* pageIndex);
int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, int value);
int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, int* value);

// ---- controls ----
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, long value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, float value);
int SetCtrlVal(int panel, int control, const char* value);
int SetCtrlVal(int panel, int control, char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, unsigned int* value);
int GetCtrlVal(int panel, int control, short* value);
int GetCtrlVal(int panel, int control, long* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, float* value);
// Text: copies the whole value and a NUL. String controls hold at most 255 characters typed by
// the operator, so a 256-byte buffer always suffices for them; text boxes need GetCtrlValueLength.
int GetCtrlVal(int panel, int control, char* value);
int GetCtrlValueLength(int panel, int control, int* length);
int GetCtrlIndex(int panel, int control, int* index);
int SetCtrlIndex(int panel, int control, int index);
int GetNumListItems(int panel, int control, int* count);
int GetLabelFromIndex(int panel, int control, int index, char* label);
int InsertListItem(int panel, int control, int index, const char* label, int value);
int InsertListItem(int panel, int control, int index, const char* label, double value);
int DeleteListItem(int panel, int control, int index, int count);
int ClearListCtrl(int panel, int control);
int ResetTextBox(int panel, int control, const char* text);
int DefaultCtrl(int panel, int control);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
int GetCtrlAttribute(int panel, int control, int attribute, double* value);
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);

// ---- graph and picture ----
int PlotXY(int panel, int control, const void* x, const void* y, std::size_t count, int xType,
           int yType, int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotY(int panel, int control, const void* y, std::size_t count, int yType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color);
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);
// Bitmaps: 8-bit indexed (pixelDepth 8 with a colour table of 0xRRGGBB entries) or 24/32-bit.
int NewBitmap(int bytesPerRow, int pixelDepth, int width, int height, const int* colorTable,
              const unsigned char* bits, const unsigned char* mask, int* bitmapId);
int SetCtrlBitmap(int panel, int control, int imageId, int bitmapId);
// Our own addition to the toolkit: pixels of a picture control drawn in `color` (0xRRGGBB) over
// its picture; `marks` holds width x height bytes, top row first, non-zero where to draw. A null
// `marks` clears them. The picture's bitmap is left as it is.
int SetPictureMarks(int panel, int control, const unsigned char* marks, int width, int height,
                    int color);
int DiscardBitmap(int bitmapId);

// ---- popups ----
int MessagePopup(const char* title, const char* message);
// The system's message box with the information icon (MB_ICONINFORMATION), as MessagePopup
// otherwise; recorded as a popup of kind "information".
int InformationMessageBox(const char* title, const char* message);
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName);

// ---- event loop ----
// Runs the event loop until QuitUserInterface; a --script runs beside the outermost one.
int RunUserInterface(void);
int QuitUserInterface(int returnCode);
int ProcessSystemEvents(void);
// The toolkit's thread id of the calling thread (the UI thread's is what RunUserInterface saw).
int CmtGetCurrentThreadID(void);

// ---- thread pool ----
int CmtScheduleThreadPoolFunction(int poolHandle, ThreadFunctionPtr function, void* data,
                                  int* functionId);
int CmtScheduleThreadPoolFunctionAdv(int poolHandle, ThreadFunctionPtr function, void* data,
                                     int priority, ThreadFunctionCallbackPtr callback,
                                     unsigned int eventMask, void* callbackData,
                                     int callbackThreadId, int* functionId);
int CmtWaitForThreadPoolFunctionCompletion(int poolHandle, int functionId, int options);
int CmtGetThreadPoolFunctionAttribute(int poolHandle, int functionId, int attribute, int* value);
int CmtReleaseThreadPoolFunctionID(int poolHandle, int functionId);
enum { ATTR_TP_FUNCTION_RETURN_VALUE = 1, ATTR_TP_FUNCTION_EXECUTION_STATUS = 2 };
enum { kCmtThreadFunctionComplete = 3 };

// ---- utilities ----
void Delay(double seconds);
double Timer(void);
int LaunchExecutable(const char* command);
int LaunchExecutableEx(const char* command, int windowState, int* handle);

// ---- analysis ----
int Histogram(const double* input, int count, double base, double top, int* histogram, double* axis,
              int intervals);

// ---- radio groups on choice lists ----
int Radio_ConvertFromTree(int panel, int control);
int Radio_GetMarkedOption(int panel, int control, int* index);
int Radio_SetMarkedOption(int panel, int control, int index);
