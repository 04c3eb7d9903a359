#include "sim/pmac/gather.h"

namespace helx::sim::pmac {

bool Gatherer::define(const IVariables& i) {
  codes_.clear();
  long mask = static_cast<long>(i[iv::kGatherMask]);
  for (int bit = 0; bit < 24; ++bit)
    if (mask & (1L << bit)) codes_.push_back(static_cast<long>(i[iv::kGatherSource0 + bit]));
  data_.assign(codes_.size(), {});
  running_ = false;
  defined_ = !codes_.empty();
  return defined_;
}

void Gatherer::remove() {
  defined_ = false;
  running_ = false;
  codes_.clear();
  data_.clear();
}

bool Gatherer::start(long long cycle) {
  if (!defined_) return false;
  for (auto& d : data_) d.clear();
  startCycle_ = cycle;
  running_ = true;
  return true;
}

bool Gatherer::cycle(long long cycle, int period, const Source& read) {
  if (!running_) return false;
  if (period < 1) period = 1;
  if ((cycle - startCycle_) % period != 0) return false;
  for (std::size_t k = 0; k < codes_.size(); ++k) data_[k].push_back(read(codes_[k]));
  if (samples() >= capacity_) {
    running_ = false;
    return true;
  }
  return false;
}

}  // namespace helx::sim::pmac
