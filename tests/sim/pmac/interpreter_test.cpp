#include "sim/pmac/interpreter.h"

#include "tests/sim/pmac/pmac_fixture.h"

namespace helx::sim::pmac::test {

using Interpreting = PmacTest;

TEST_F(Interpreting, VariablesAreSetAndReadWithSpacesAndCaseIgnored) {
  EXPECT_EQ(send("p1 = 12 + 3"), "");
  EXPECT_EQ(send("P1"), "15\r");
  EXPECT_EQ(send("i130=120000 I131 = 4000"), "");
  EXPECT_EQ(send("I130 i131"), "120000\r4000\r");
  EXPECT_EQ(send("i117=0.5"), "");
  EXPECT_EQ(send("i117"), "0.5\r");
  EXPECT_EQ(send("i125=$80C000"), "");
  EXPECT_EQ(send("i125"), "8437760\r");
  EXPECT_EQ(send("I10"), "3703707\r");
  EXPECT_EQ(device->ivariable(108).value_or(0), 96);
}

TEST_F(Interpreting, IllegalCommandsAnswerInTheErrorForm) {
  EXPECT_EQ(send("ZAP"), "\aERR003\r");
  EXPECT_EQ(send("#9P"), "\aERR003\r");                 // no motor 9
  EXPECT_EQ(send("P1=(2"), "\aERR003\r");               // bad data
  EXPECT_EQ(send("I10=0"), "\aERR003\r");               // no servo clock at all
  EXPECT_EQ(send("DWELL 10"), "\aERR005\r");            // program statement with no open buffer
  EXPECT_EQ(send("P1=1 P1 ZZ P1=2"), "1\r\aERR003\r");  // the line stops at the error
  EXPECT_EQ(send("P1"), "1\r");
}

TEST_F(Interpreting, PowerOnMVariablesPointAtTheMotorStatusBits) {
  EXPECT_EQ(send("M131->"), "X:$003D,21,1\r");
  EXPECT_EQ(send("M132->"), "X:$003D,22,1\r");
  EXPECT_EQ(send("M137->"), "X:$003D,17,1\r");
  EXPECT_EQ(send("M140->"), "Y:$0814,0,1\r");
  // Amplifier off and loop open at power-on.
  send("m139->Y:$814,14");
  send("m138->X:$3D,18");
  EXPECT_EQ(send("m139 m138 m140 m137"), "0\r1\r0\r0\r");
  enable();
  advance(0.5);
  EXPECT_EQ(send("m139 m138 m140 m137"), "1\r0\r1\r0\r");
  send("#1J=1000");
  EXPECT_EQ(send("m137 m140"), "1\r0\r");  // running a move, not in position
  advance(5.0);
  EXPECT_EQ(send("m137 m140"), "0\r1\r");
  EXPECT_NEAR(number("#1P"), 1000.0, 10.0);
}

TEST_F(Interpreting, SelfReferencedAndMemoryMVariablesHoldTheirValues) {
  EXPECT_EQ(send("M1=5 M1"), "5\r");
  send("M2->Y:$1234,4,4 M2=9");
  EXPECT_EQ(send("M2"), "9\r");
  send("M3->Y:$1234,0,8");
  EXPECT_EQ(send("M3"), "144\r");  // 9 << 4: both views of one word
  send("M140=1");                  // a status bit is the controller's, not the host's
  EXPECT_EQ(send("M140"), "0\r");
}

TEST_F(Interpreting, ProgramBufferIsStoredUntilCloseAndListed) {
  EXPECT_EQ(send("OPEN PROG 7 CLEAR"), "");
  EXPECT_EQ(send("inc ta 50"), "");
  EXPECT_EQ(send("#1P"), "\aERR003\r");  // on-line commands are not program statements
  EXPECT_EQ(send("x 1 dwell 10 CLOSE"), "");
  EXPECT_EQ(send("LIST PROG 7"), "INCTA50\rX1DWELL10\r");
  EXPECT_EQ(send("#1P"), "0.0\r");  // back on line after CLOSE
  EXPECT_EQ(send("OPEN PROG 8 CLEAR WHILE(P1<1) CLOSE"), "\aERR009\r");
}

TEST_F(Interpreting, AxisDefinitionAndRunNeedAReadyMotor) {
  EXPECT_EQ(send("&1 #1->"), "0\r");
  send("&1 #1->10X");
  EXPECT_EQ(send("#1->"), "10X\r");
  send("OPEN PROG 1 CLEAR X1 CLOSE");
  EXPECT_EQ(send("&1 B1 R"), "\aERR003\r");  // amplifier still off
  enable();
  EXPECT_EQ(send("&1 B1 R"), "");
  EXPECT_EQ(send("&1 #1->20X"), "\aERR001\r");  // not while the program runs
  EXPECT_EQ(send("OPEN PROG 1"), "\aERR001\r");
  EXPECT_EQ(send("#1J+"), "\aERR001\r");
}

TEST_F(Interpreting, RomTextsComeFromTheSettings) {
  EXPECT_FALSE(device->romVersion().value_or("").empty());
  EXPECT_EQ(send("VERSION"), device->romVersion().value() + "\r");
  EXPECT_EQ(send("DATE"), device->romDate().value() + "\r");
}

}  // namespace helx::sim::pmac::test
