// The servo data gathered during the last scan: uploaded from the controller, plotted on the
// main panel's graph and written to "GatherResult.txt".
#include <cstdio>
#include <cstdlib>

#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {
void release(double** arrays, int count) {
  for (int i = 0; i < count; ++i) {
    std::free(arrays[i]);
    arrays[i] = nullptr;
  }
}
}  // namespace

int UploadQuickGather(int writeFile) {
  long sources = 0, samples = 0;
  // raw commanded, raw actual, raw output, commanded, actual, output, time
  double* a[7] = {};
  long s = 96;
  {
    // One whole exchange: nobody starts or stops gathering between these calls.
    std::lock_guard guard(pmac_lock);
    if (!DeviceCollectGatherData || !DeviceCollectGatherData(dwDevice, &sources, &samples))
      return 0;
    if (samples <= 0) return 0;
    for (double*& array : a) {
      array = static_cast<double*>(std::calloc(static_cast<std::size_t>(samples), sizeof(double)));
      if (!array) {
        release(a, 7);
        return 0;
      }
    }
    for (long source = 0; source < 3; ++source) {
      long count = samples;
      if (!DeviceGetGatherSamples(dwDevice, source, &count, a[source], samples)) {
        release(a, 7);
        return 0;
      }
    }
    s = DeviceGetIVariableLong(dwDevice, 1 * 100 + 8, 96);
  }
  for (long i = 0; i < samples; ++i) {
    a[3][i] = a[0][i] / (32.0 * s);
    a[4][i] = a[1][i] / (32.0 * s);
    a[5][i] = a[2][i] * 0.00390625;
    // In floating point: the integer product overflows 32 bits from sample 116 on.
    a[6][i] = 3703707.0 * 5.0 * static_cast<double>(i) / 8388608.0 / 1000.0;
  }

  if (plotHandle != 0) DeleteGraphPlot(mainPanel, PANEL_GRAPH, plotHandle, VAL_IMMEDIATE_DRAW);
  // Kept, so that the next histogram or profile removes this plot as it removes its own.
  int handle = PlotXY(mainPanel, PANEL_GRAPH, a[6], a[4], static_cast<std::size_t>(samples),
                      VAL_DOUBLE, VAL_DOUBLE, VAL_THIN_LINE, 24, VAL_SOLID, 1, VAL_RED);
  plotHandle = handle > 0 ? handle : 0;

  if (writeFile) {
    FILE* f = std::fopen("GatherResult.txt", "wt+");
    if (!f) {
      AppendMonitor("FILE open fail");
      release(a, 7);
      return 0;
    }
    std::fprintf(f, "Quick Gathering Sample Data File\n");
    std::fprintf(f, "[Commanded Position]\t[Actual Position]\t[DAC Output]\n");
    for (long i = 0; i < samples; ++i)
      std::fprintf(f, "%20.3lf\t%20.3lf\t%20.3lf\t%20.3lf\n", a[3][i], a[4][i], a[5][i], a[6][i]);
    std::fclose(f);
  }
  release(a, 7);
  return 1;
}

int CVICALLBACK upload_data(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  UploadQuickGather(1);
  return 0;
}
