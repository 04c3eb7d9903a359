// The setup confirmation and the instrument's power sequences.
#pragma once

#include <atomic>

// 1 when the last setup confirmation left every frame buffer its cameras need; Run refuses
// otherwise.
extern std::atomic<int> setup_buffers_ok;
