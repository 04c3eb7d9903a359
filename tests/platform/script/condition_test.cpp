// Whether a wait is met, for each kind of control an observer waits on.
#include "platform/ui/script/condition.h"

#include <gtest/gtest.h>

#include "platform/ui/model.h"

using namespace helx::ui;
using namespace helx::ui::script;

namespace {
Condition cond(Compare c, std::string value, bool onOff = false) {
  return Condition{c, std::move(value), onOff};
}

Control make(Kind kind) {
  Control c;
  c.kind = kind;
  return c;
}
}  // namespace

TEST(ScriptCondition, AnLedIsOnWhenItsValueIsNotZero) {
  Control led = make(Kind::Led);
  EXPECT_FALSE(meets(readControl(led), cond(Compare::Equal, "on", true)));
  EXPECT_TRUE(meets(readControl(led), cond(Compare::Equal, "off", true)));
  led.number = 2;  // a program may write any non-zero value
  EXPECT_TRUE(meets(readControl(led), cond(Compare::Equal, "on", true)));
  EXPECT_TRUE(meets(readControl(led), cond(Compare::NotEqual, "off", true)));
  // Text has no on/off state.
  Control text = make(Kind::TextMessage);
  text.text = "on";
  EXPECT_FALSE(meets(readControl(text), cond(Compare::Equal, "on", true)));
}

TEST(ScriptCondition, NumbersCompareAsNumbers) {
  Control n = make(Kind::Numeric);
  n.number = 0.1 + 0.2;
  EXPECT_TRUE(meets(readControl(n), cond(Compare::Equal, "0.3")));
  EXPECT_TRUE(meets(readControl(n), cond(Compare::LessEqual, "0.3")));
  EXPECT_FALSE(meets(readControl(n), cond(Compare::Less, "0.3")));
  n.number = -60.5;
  EXPECT_TRUE(meets(readControl(n), cond(Compare::Less, "-60")));
  EXPECT_FALSE(meets(readControl(n), cond(Compare::GreaterEqual, "-60")));
  EXPECT_TRUE(meets(readControl(n), cond(Compare::NotEqual, "-60")));
  // A temperature shown as text is still a number ("-59.9" > -60, "10" > "9").
  Control shown = make(Kind::TextMessage);
  shown.text = " -59.9 ";
  EXPECT_TRUE(meets(readControl(shown), cond(Compare::Greater, "-60")));
  shown.text = "10";
  EXPECT_TRUE(meets(readControl(shown), cond(Compare::Greater, "9")));
}

TEST(ScriptCondition, TextComparesExactlyOrByContainment) {
  Control s = make(Kind::String);
  s.text = "Scan 3 of 10 done";
  EXPECT_TRUE(meets(readControl(s), cond(Compare::Contains, "3 of 10")));
  EXPECT_FALSE(meets(readControl(s), cond(Compare::Contains, "4 of 10")));
  EXPECT_FALSE(meets(readControl(s), cond(Compare::Equal, "Scan 3")));
  EXPECT_TRUE(meets(readControl(s), cond(Compare::NotEqual, "Scan 3")));
  EXPECT_FALSE(meets(readControl(s), cond(Compare::Greater, "2")));  // no number to order
}

TEST(ScriptCondition, ARingShowsItsItemsLabelAndComparesItsValue) {
  Control ring = make(Kind::Ring);
  ring.items = {{"Spectrograph", 0}, {"Imaging", 7}};
  ring.index = 1;
  Reading r = readControl(ring);
  EXPECT_EQ(r.text, "Imaging");
  EXPECT_TRUE(meets(r, cond(Compare::Equal, "Imaging")));
  EXPECT_TRUE(meets(r, cond(Compare::Equal, "7")));
  EXPECT_FALSE(meets(r, cond(Compare::Equal, "1")));  // the value, not the index
  ring.index = -1;                                    // empty ring
  EXPECT_FALSE(meets(readControl(ring), cond(Compare::Equal, "Spectrograph")));
}
