#include "motors/wavelength_list.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "motors/motors.h"
#include "platform/wvcontrol/wvcontrol.h"
#include "state/HELX.h"
#include "state/monitor.h"
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

// What the last load said about entries outside the grating's travel: the list is read again
// each time the test panel opens, and the same entries are told of once.
std::string toldOutsideTravel;

// Copies the `got` records read into Data, leaving out those whose step lies outside the
// grating's travel (the setup's OK would send the grating there). The kept entries, and those
// a short file did not reach, move up in their order; the count and the selection follow, so
// that the ring's index is still the index into Data. Entries are numbered from 1 as the file
// holds them.
void keepEntriesInTravel(const WvEntry* records, int got) {
  int selected = CurrentSelectWV_FileIO;
  int kept = 0;
  std::string told;
  for (int i = 0; i < got; i++) {
    if (GratingStepInTravel(records[i].step)) {
      Data[kept++] = records[i];
      continue;
    }
    if (i < CurrentSelectWV_FileIO) selected--;
    char line[200];
    std::snprintf(line, sizeof line,
                  "Wv.ini entry %d (wavelength %.2f, step %d) lies outside the grating's travel "
                  "(steps %d to %d): it is left out of the list.\n",
                  i + 1, static_cast<double>(records[i].wavelength), records[i].step,
                  kGratingTravelLow, kGratingTravelHigh);
    told += line;
  }
  const int left = got - kept;
  if (left > 0) {
    std::memmove(Data + kept, Data + got, (nWV_FileIO - got) * sizeof(WvEntry));
    nWV_FileIO -= left;
  }
  if (selected >= nWV_FileIO) selected = nWV_FileIO - 1;
  CurrentSelectWV_FileIO = selected < 0 ? 0 : selected;
  if (!told.empty() && told != toldOutsideTravel) TellOperator("Warning", told.c_str());
  toldOutsideTravel = told;
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
  WvEntry records[MAX_WV_ENTRIES];
  std::size_t got = 0;
  if (nWV_FileIO > 0 && std::fseek(file, kHeaderSize, SEEK_SET) == 0)
    got = std::fread(records, sizeof(WvEntry), nWV_FileIO, file);
  keepEntriesInTravel(records, static_cast<int>(got));
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
