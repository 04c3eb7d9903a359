// Radio groups on choice lists: exactly one item is marked; the marked option is the selected
// index. Marking by program sends no event, as when the program sets a value.
#include "platform/ui/userint.h"

int Radio_ConvertFromTree(int panel, int control) {
  int count = 0;
  int r = GetNumListItems(panel, control, &count);
  if (r < 0) return r;
  int index = -1;
  GetCtrlIndex(panel, control, &index);
  if (count > 0 && index < 0) SetCtrlIndex(panel, control, 0);
  return 0;
}

int Radio_GetMarkedOption(int panel, int control, int* index) {
  return GetCtrlIndex(panel, control, index);
}

int Radio_SetMarkedOption(int panel, int control, int index) {
  return SetCtrlIndex(panel, control, index);
}
