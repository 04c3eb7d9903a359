// Observation sequencing: the live monitoring loop, the observation run, the flat-field sequence
// and the time marks.
#pragma once

#include <atomic>

#include "platform/ui/userint.h"
#include "sequence/step_handshake.h"

// The monitoring loop's thread-pool function id, while power-up waits for it.
extern int monitor_thread_id;
// 1 while the monitoring loop runs.
extern std::atomic<int> monitoring_active;

// Runs while the scanner link is open: refreshes the scanner's position and status, and takes
// each announced scan step's frame into its slot. Returns 1 when the link closes.
int CVICALLBACK MonitoringThreadFunction(void* data);
