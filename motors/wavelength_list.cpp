#include "motors/wavelength_list.h"

#include <cstdlib>
#include <cstring>

#include "platform/wvcontrol/wvcontrol.h"
#include "state/HELX.h"
#include "state/observation_state.h"

WvEntry Data[MAX_WV_ENTRIES];
int nWV_FileIO = 0;
int CurrentSelectWV_FileIO = 0;
int CurrentSelect_Wv = 0;

namespace {
const char kCountKey[] = "NUMBER OF WV    =";
const char kSelectKey[] = "CURRENT_SELECT  =";
constexpr int kKeyLength = 17;
constexpr int kHeaderSize = 2000;
constexpr int kSlotSize = 100;

// The decimal integer after a key, read within the slot only.
int slotValue(const char* slot) {
  char text[kSlotSize - kKeyLength + 1];
  std::memcpy(text, slot + kKeyLength, kSlotSize - kKeyLength);
  text[kSlotSize - kKeyLength] = '\0';
  long v = std::strtol(text, nullptr, 10);
  if (v > 1000000) v = 1000000;
  if (v < -1000000) v = -1000000;
  return static_cast<int>(v);
}

int gratingPage() {
  int page = 0;
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, setMotoTAB, &page);
  return page;
}
}  // namespace

int ReadHeader(FILE* file) {
  char header[kHeaderSize];
  std::memset(header, 0, sizeof header);
  std::size_t got = std::fread(header, 1, sizeof header, file);
  for (int slot = 0; slot < kHeaderSize / kSlotSize; slot++) {
    // A slot the file does not fully hold is read as far as it goes (zeros after).
    if (static_cast<std::size_t>(slot * kSlotSize + kKeyLength) > got) break;
    const char* s = header + slot * kSlotSize;
    if (std::memcmp(s, kCountKey, kKeyLength) == 0)
      nWV_FileIO = slotValue(s);
    else if (std::memcmp(s, kSelectKey, kKeyLength) == 0)
      CurrentSelectWV_FileIO = slotValue(s);
  }
  // The table holds 50 entries; a count or a selection outside it is clamped.
  if (nWV_FileIO < 0) nWV_FileIO = 0;
  if (nWV_FileIO > MAX_WV_ENTRIES) nWV_FileIO = MAX_WV_ENTRIES;
  if (CurrentSelectWV_FileIO >= nWV_FileIO) CurrentSelectWV_FileIO = nWV_FileIO - 1;
  if (CurrentSelectWV_FileIO < 0) CurrentSelectWV_FileIO = 0;
  return 1;
}

int OpenFileF(FILE* fileHandle) {
  (void)fileHandle;
  FILE* file = std::fopen("Wv.ini", "rb");
  if (!file) {
    MessagePopup("Error", "Cannot open file Wv.ini");
    return 0;
  }
  ReadHeader(file);
  // Whole records only: a short file leaves the remaining entries as they were.
  if (nWV_FileIO > 0 && std::fseek(file, kHeaderSize, SEEK_SET) == 0) {
    WvEntry records[MAX_WV_ENTRIES];
    std::size_t got = std::fread(records, sizeof(WvEntry), nWV_FileIO, file);
    std::memcpy(Data, records, got * sizeof(WvEntry));
  }
  std::fclose(file);
  return 1;
}

int ResetPanel(void) {
  TabPanelHandle = gratingPage();
  ClearListCtrl(TabPanelHandle, setMotoTAB_Motor_Wavelength);
  return 1;
}

int InitPanel(void) {
  TabPanelHandle = gratingPage();
  char label[64];
  for (int i = 0; i < nWV_FileIO; i++) {
    std::snprintf(label, sizeof label, "%f", static_cast<double>(Data[i].wavelength));
    InsertListItem(TabPanelHandle, setMotoTAB_Motor_Wavelength, -1, label, i);
  }
  SetCtrlAttribute(TabPanelHandle, setMotoTAB_Motor_Wavelength, ATTR_DFLT_INDEX,
                   CurrentSelectWV_FileIO);
  DefaultCtrl(TabPanelHandle, setMotoTAB_Motor_Wavelength);
  return 1;
}

int InitWvRing(void) {
  OpenFileF(NULL);
  ResetPanel();
  InitPanel();
  return 1;
}

int SelectedWvEntry(void) {
  int page = gratingPage();
  int index = -1;
  if (GetCtrlIndex(page, setMotoTAB_Motor_Wavelength, &index) < 0) return -1;
  return WvEntryLoaded(index) ? index : -1;
}

int WvEntryLoaded(int index) { return index >= 0 && index < nWV_FileIO; }

int CVICALLBACK AddWvField(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  ShowPanel();
  OpenFileF(NULL);
  ResetPanel();
  InitPanel();
  return 0;
}
