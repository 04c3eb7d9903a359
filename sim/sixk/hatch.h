// The slit hatch, moved by two of the controller's outputs: output 3 drives it open, output 4
// drives it closed (both or neither: it stays where it is). It travels at a steady rate between
// its end switches, which the controller reads as inputs 1 (open) and 2 (closed).
//
// Threads: not thread-safe; the owner locks. Times must not go backwards.
#pragma once

namespace helx::sim::sixk {

class Hatch {
 public:
  // `travelSeconds`: time for a full stroke. The hatch starts closed.
  explicit Hatch(double travelSeconds);

  // +1 open, -1 close, 0 hold, from time t on.
  void drive(double t, int direction);
  int direction() const { return direction_; }
  // 0 closed .. 1 open.
  double opening(double t) const;
  bool open(double t) const { return opening(t) >= 1.0; }
  bool closed(double t) const { return opening(t) <= 0.0; }
  // When the stroke under way reaches its end switch (t of the last drive when holding).
  double arrival() const;

 private:
  double travel_;
  double t0_ = 0.0;
  double opening0_ = 0.0;
  int direction_ = 0;
};

}  // namespace helx::sim::sixk
