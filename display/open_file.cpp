// Files back into the display; a file refused by its reader leaves the shown data alone.
#include "display/open_file.h"

#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "files/bitmap.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

int OpenFitsFile(const char* fileName) {
  if (EnsureGraphicPanel() < 0) return -1;
  DisplayPanel(GraphicPanel);

  FitsHeaderRecord header;
  Plane data;
  char why[256] = "";
  int read = ReadFitsImage(fileName, &header, &data, why, sizeof why);
  if (read == -1) {
    std::printf("Cannot allocate pFitsData Memory\n");
    MessagePopup("Error", "Cannot allocate pFitsData Memory");
    return 0;
  }
  if (read == 0) {
    MessagePopup("Error", why);
    return 0;
  }

  unsigned short min = 0, max = 0;
  int lower = 0, upper = 0;
  {
    std::lock_guard lock(displayLock);
    ReleasePlane(pFitsData);
    ReleasePlane(pusFitsData);
    pFitsData = data;
    FitsHeader = header;
    FillGreyColorTable(colortable);

    if (header.NAXIS == 2) {
      MeasurePlane(pFitsData, &min, &max, &lower, &upper);
      ByteDisplay(pFitsData.width, pFitsData.height, pFitsData.data,
                  static_cast<unsigned short>(lower), static_cast<unsigned short>(upper));
    } else {
      SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_DIMMED, 0);
      SetCtrlAttribute(mainPanel, PANEL_SelectAxis, ATTR_DIMMED, 0);
      if (!AllocatePlane(pusFitsData, header.NAXIS1, header.NAXIS2)) {
        AppendMonitor("Cannot allocate the frame memory\n");
        DataSource = 0;
        return 0;
      }
      std::memcpy(pusFitsData.data, pFitsData.data,
                  static_cast<std::size_t>(header.NAXIS1) * header.NAXIS2 * sizeof(unsigned short));
      MeasurePlane(pusFitsData, &min, &max, &lower, &upper);
      ByteDisplay(pusFitsData.width, pusFitsData.height, pusFitsData.data,
                  static_cast<unsigned short>(lower), static_cast<unsigned short>(upper));
      SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, 0);
      SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, header.NAXIS3 - 1);
      SetCtrlVal(mainPanel, PANEL_set_Select_Frame, 0);
    }
    DataSource = 0;
    SetRangeSliders(min, max, lower, upper);
  }
  return 1;
}

int OpenBitmap(const char* fileName) {
  BitmapImage image;
  const int code = ReadBitmapFile(fileName, &image);
  const char* refused = code == BMP_NO_FILE      ? "No File Exists"
                        : code == BMP_NOT_BMP    ? "No BMP File"
                        : code == BMP_BAD_FORMAT ? "Bad File Format!"
                        : code == BMP_NO_MEMORY  ? "Cannot allocate the bitmap memory"
                                                 : nullptr;
  if (refused) {
    MessagePopup("Error", refused);
    return 0;
  }
  if (EnsureGraphicPanel() < 0) {
    delete[] image.bytes;
    return -1;
  }
  DisplayPanel(GraphicPanel);
  OpenGraphicPanel(8, image.width, image.height, image.palette, image.bytes);
  // A bitmap holds no camera samples: the last picture's saturated count and marks go with it.
  ClearSaturation();
  return 1;
}
