// The controller's I-variables (I0..I1023) with their power-on values, and the numbers the
// simulator gives meaning to. Motor 1 uses I1xx, coordinate system 1 uses I187..I190.
//
// Threads: plain data, used under the controller's lock.
#pragma once

#include <array>

namespace helx::sim::pmac {

namespace iv {
constexpr int kServoPeriod = 10;    // servo interrupt time, 1/8388608 ms
constexpr int kGatherPeriod = 19;   // servo cycles per gathered sample
constexpr int kGatherMask = 20;     // which of I21..I44 are gathered
constexpr int kGatherSource0 = 21;  // source codes I21..I44
constexpr int kActivated = 100;
constexpr int kPositionScale = 108;   // Ix08
constexpr int kVelocityScale = 109;   // Ix09
constexpr int kFatalFollowing = 111;  // 1/16 count
constexpr int kLimitDecel = 115;      // counts/ms^2
constexpr int kJogAccelTime = 120;    // ms
constexpr int kJogSCurve = 121;       // ms
constexpr int kJogSpeed = 122;        // counts/ms
constexpr int kHomeSpeed = 123;       // counts/ms, sign gives the direction
constexpr int kHomeOffset = 126;      // 1/16 count
constexpr int kInPositionBand = 128;  // 1/16 count
constexpr int kKp = 130, kKd = 131, kKvff = 132, kKi = 133, kIntegrationMode = 134, kKaff = 135;
constexpr int kDacLimit = 169;
constexpr int kDefaultTa = 187;    // ms
constexpr int kDefaultTs = 188;    // ms
constexpr int kDefaultFeed = 189;  // units per feed time unit
constexpr int kFeedTime = 190;     // ms
}  // namespace iv

using IVariables = std::array<double, 1024>;

IVariables powerOnIVariables();

// Source codes for I21..I44 that the gatherer knows.
namespace source {
constexpr long kCommanded = 0xC0080B;  // motor 1 commanded position
constexpr long kActual = 0xC0080D;     // motor 1 actual position
constexpr long kOutput = 0x00C003;     // motor 1 DAC output word
}  // namespace source

}  // namespace helx::sim::pmac
