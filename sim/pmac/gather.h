// The controller's data gathering: every I19 servo cycles, one sample of each source selected
// by the I20 mask among the source codes in I21..I44, into a buffer reserved by DEF GAT
// (deleted by DEL GAT), between GAT and END GAT. Samples are raw words: positions in
// 1/(32 Ix08) counts, the DAC output as its 16-bit value in the top of a 24-bit word.
//
// Threads: plain object, under the controller's lock.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "sim/pmac/ivars.h"

namespace helx::sim::pmac {

class Gatherer {
 public:
  using Source = std::function<double(long code)>;
  explicit Gatherer(std::size_t capacity) : capacity_(capacity) {}

  // DEF GAT: reserves the buffer for the sources selected now. False when none is selected.
  bool define(const IVariables& i);
  void remove();  // DEL GAT
  bool defined() const { return defined_; }
  // GAT: starts at servo cycle `cycle`; false without a buffer.
  bool start(long long cycle);
  void stop() { running_ = false; }  // END GAT
  bool running() const { return running_; }
  // Called once per servo cycle; takes a sample when one is due. Returns true when the buffer
  // has just filled up (gathering then stops).
  bool cycle(long long cycle, int period, const Source& read);

  std::size_t sources() const { return codes_.size(); }
  std::size_t samples() const { return data_.empty() ? 0 : data_.front().size(); }
  const std::vector<double>& source(std::size_t index) const { return data_.at(index); }

 private:
  std::size_t capacity_;
  bool defined_ = false;
  bool running_ = false;
  long long startCycle_ = 0;
  std::vector<long> codes_;
  std::vector<std::vector<double>> data_;
};

}  // namespace helx::sim::pmac
