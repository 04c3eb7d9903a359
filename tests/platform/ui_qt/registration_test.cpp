// The program links its front-ends through one interface library; the Qt view must arrive
// registered even though nothing in the program refers to it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/frontend.h"

TEST(QtViewRegistration, TheProgramsLinkOffersTheGraphicalFrontend) {
  ASSERT_TRUE(helx::ui::HaveGraphicalFrontend());
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static char arg0[] = "registration";
  static char* argv[] = {arg0, nullptr};
  static int argc = 1;
  auto frontend = helx::ui::CreateGraphicalFrontend(argc, argv);
  ASSERT_NE(frontend, nullptr);
  EXPECT_FALSE(frontend->headless());
}
