#include "platform/ui/script/condition.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/ui/model.h"

namespace helx::ui::script {

namespace {
std::optional<double> wholeNumber(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  const char* first = s.data() + b;
  const char* last = s.data() + e + 1;
  if (*first == '+') ++first;
  double v = 0;
  auto [p, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || p != last) return std::nullopt;
  return v;
}

std::string shown(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

bool equal(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
}
}  // namespace

Reading readControl(const Control& c) {
  Reading r;
  r.dimmed = c.dimmed;
  switch (c.kind) {
    case Kind::String:
    case Kind::TextMessage:
    case Kind::TextBox:
      r.text = c.text;
      r.number = wholeNumber(c.text);
      break;
    case Kind::Ring:
    case Kind::ChoiceList:
      if (c.index >= 0 && c.index < static_cast<int>(c.items.size())) {
        r.text = c.items[c.index].label;
        r.number = c.items[c.index].value;
      }
      break;
    default:
      r.number = c.number;
      r.text = shown(c.number);
      break;
  }
  return r;
}

bool meets(const Reading& r, const Condition& c) {
  if (c.state) return r.dimmed == (c.value == "dimmed");
  if (c.compare == Compare::Contains) return r.text.find(c.value) != std::string::npos;
  if (c.onOff) {
    if (!r.number) return false;
    bool on = *r.number != 0;
    bool want = c.value == "on";
    return c.compare == Compare::Equal ? on == want : on != want;
  }
  std::optional<double> want = wholeNumber(c.value);
  if (want && r.number) {
    double v = *r.number;
    switch (c.compare) {
      case Compare::Equal:
        return equal(v, *want);
      case Compare::NotEqual:
        return !equal(v, *want);
      case Compare::Less:
        return v < *want;
      case Compare::LessEqual:
        return v <= *want || equal(v, *want);
      case Compare::Greater:
        return v > *want;
      case Compare::GreaterEqual:
        return v >= *want || equal(v, *want);
      case Compare::Contains:
        break;
    }
    return false;
  }
  if (c.compare == Compare::Equal) return r.text == c.value;
  if (c.compare == Compare::NotEqual) return r.text != c.value;
  return false;
}

std::string describe(const Reading& r) {
  return "\"" + r.text + "\"" + (r.dimmed ? " (dimmed)" : "");
}

}  // namespace helx::ui::script
