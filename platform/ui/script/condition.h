// Whether a control's value, as the operator sees it, meets a wait's condition. Pure: the
// runner takes a Reading of the control under the model's lock and asks here.
//
// Threads: plain values and pure functions.
#pragma once

#include <optional>
#include <string>

#include "platform/ui/script/script.h"

namespace helx::ui {
struct Control;
}

namespace helx::ui::script {

// A control's value: its number where it has one (numerics, LEDs, buttons, a ring's item value,
// a text that reads wholly as a number) and its text (a string's text, a ring's item label, a
// number as shown).
struct Reading {
  std::optional<double> number;
  std::string text;
  bool dimmed = false;
};

// Call under the model's lock.
Reading readControl(const Control& control);

// Numbers compare as numbers (equal within a relative 1e-9); "on"/"off" against a number's being
// non-zero; anything else as text: = and != exactly, ~ by containment. An ordered comparison
// with no number to compare is false.
bool meets(const Reading& reading, const Condition& condition);

// "PANEL CCD_Status is 0" style text for messages.
std::string describe(const Reading& reading);

}  // namespace helx::ui::script
