#include "files/frame_table.h"

#include <fcntl.h>
#include <fitsio.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/fits_files.h"
#include "files/fits_output.h"
#include "platform/os/paths.h"
#include "state/HELX.h"
#include "state/monitor.h"

namespace {

struct Column {
  const char* name;
  const char* form;
  const char* unit;
};
constexpr Column kColumns[] = {
    {"FRAME", "1J", ""},        {"STEP", "1J", ""},     {"STORED", "1J", ""},
    {"DATE_BEG", "23A", ""},    {"EXPTIME", "1D", "s"}, {"POS_START", "1D", "count"},
    {"POS_END", "1D", "count"}, {"T_START", "1D", "s"}, {"T_END", "1D", "s"},
    {"GRATING", "1J", ""},
};
constexpr int kColumnCount = static_cast<int>(sizeof kColumns / sizeof kColumns[0]);

// The first failed step and the library's status.
struct Write {
  int status = 0;
  std::string failedStep;
  void step(const char* what) {
    if (status != 0 && failedStep.empty()) failedStep = what;
  }
};

template <typename T, typename F>
void column(fitsfile* f, Write& w, int datatype, int number, const std::vector<FrameTableRow>& rows,
            F field) {
  std::vector<T> values;
  values.reserve(rows.size());
  for (const auto& r : rows) values.push_back(field(r));
  fits_write_col(f, datatype, number, 1, 1, static_cast<LONGLONG>(values.size()), values.data(),
                 &w.status);
  w.step("write the table");
}

void writeTable(fitsfile* f, Write& w, const std::vector<FrameTableRow>& rows) {
  char* names[kColumnCount];
  char* forms[kColumnCount];
  char* units[kColumnCount];
  for (int i = 0; i < kColumnCount; ++i) {
    names[i] = const_cast<char*>(kColumns[i].name);
    forms[i] = const_cast<char*>(kColumns[i].form);
    units[i] = const_cast<char*>(kColumns[i].unit);
  }
  fits_create_tbl(f, BINARY_TBL, static_cast<LONGLONG>(rows.size()), kColumnCount, names, forms,
                  units, "FRAMES", &w.status);
  w.step("create the table");
  column<int>(f, w, TINT, 1, rows, [](const FrameTableRow& r) { return r.frame; });
  column<int>(f, w, TINT, 2, rows, [](const FrameTableRow& r) { return r.step; });
  column<int>(f, w, TINT, 3, rows, [](const FrameTableRow& r) { return r.stored; });
  std::vector<char*> dates;
  for (const auto& r : rows) dates.push_back(const_cast<char*>(r.dateBeg));
  if (!rows.empty())
    fits_write_col(f, TSTRING, 4, 1, 1, static_cast<LONGLONG>(rows.size()), dates.data(),
                   &w.status);
  w.step("write the table");
  column<double>(f, w, TDOUBLE, 5, rows, [](const FrameTableRow& r) { return r.exptime; });
  column<double>(f, w, TDOUBLE, 6, rows, [](const FrameTableRow& r) { return r.posStart; });
  column<double>(f, w, TDOUBLE, 7, rows, [](const FrameTableRow& r) { return r.posEnd; });
  column<double>(f, w, TDOUBLE, 8, rows, [](const FrameTableRow& r) { return r.tStart; });
  column<double>(f, w, TDOUBLE, 9, rows, [](const FrameTableRow& r) { return r.tEnd; });
  column<int>(f, w, TINT, 10, rows, [](const FrameTableRow& r) { return r.grating; });
}

}  // namespace

int SaveFrameTable(const char* cubePath, const FrameTableRow* rows, int count) {
  std::string path = cubePath ? cubePath : "";
  const std::string ending = ".fts";
  if (path.size() > ending.size() &&
      path.compare(path.size() - ending.size(), ending.size(), ending) == 0)
    path.resize(path.size() - ending.size());
  path += ".frames.fits";

  Write w;
  auto mapped = helx::os::MapPath(path);
  std::string temp;
  if (!mapped) {
    w.status = FILE_NOT_CREATED;
    w.failedStep = "build the file name";
  } else {
    temp = FitsTempPath(*mapped);
    fitsfile* f = nullptr;
    ffdkinit(&f, temp.c_str(), &w.status);
    w.step("create the file");
    if (w.status == 0) {
      // An empty primary array first, as every FITS file starts.
      fits_create_img(f, BYTE_IMG, 0, nullptr, &w.status);
      w.step("create the file");
      writeTable(f, w, std::vector<FrameTableRow>(rows, rows + (count > 0 ? count : 0)));
      if (w.status != 0) {
        int ignored = 0;
        fits_close_file(f, &ignored);
      } else {
        fits_close_file(f, &w.status);
        w.step("close the file");
      }
    }
    if (w.status == 0 && fits_sync && !FitsSyncPath(temp, O_RDONLY)) {
      w.status = WRITE_ERROR;
      w.failedStep = "write the file to the disk";
    }
    if (w.status == 0 && FitsPlaceFile(temp, *mapped) != 0) {
      w.status = FILE_NOT_CREATED;
      w.failedStep = "give the file its name";
    }
    if (w.status != 0) ::unlink(temp.c_str());
  }
  if (w.status == 0) return 1;
  char reason[FLEN_STATUS] = "";
  ffgerr(w.status, reason);
  char text[1024];
  std::snprintf(text, sizeof text, "Frame record not saved: %s failed (%s)\n%s\n",
                w.failedStep.c_str(), reason, path.c_str());
  TellOperator("Error", text);
  return 0;
}
