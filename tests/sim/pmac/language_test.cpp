#include <gtest/gtest.h>

#include <map>

#include "sim/pmac/expression.h"
#include "sim/pmac/program.h"

using namespace helx::sim::pmac;

namespace {
struct Vars : VariableSource {
  std::map<int, double> p;
  double read(char kind, int n) override { return kind == 'P' ? p[n] : kind == 'I' ? 96.0 : 0.0; }
};

double eval(const std::string& text, Vars& vars) {
  ExpressionParser parser(text, 0, &vars);
  double v = parser.expression();
  EXPECT_TRUE(parser.atEnd()) << text;
  return v;
}
bool cond(const std::string& text, Vars& vars) {
  return ExpressionParser(text, 0, &vars).condition();
}
}  // namespace

TEST(Expression, ArithmeticPrecedenceVariablesAndHex) {
  Vars v;
  v.p[1] = 7;
  EXPECT_DOUBLE_EQ(eval("P1+1", v), 8);
  EXPECT_DOUBLE_EQ(eval("2+3*4-(1+1)*2", v), 10);
  EXPECT_DOUBLE_EQ(eval("-P1*2", v), -14);
  EXPECT_DOUBLE_EQ(eval("P1%4", v), 3);
  EXPECT_DOUBLE_EQ(eval("$80C000", v), 0x80C000);
  EXPECT_DOUBLE_EQ(eval("I108*32", v), 3072);
  EXPECT_DOUBLE_EQ(eval("ABS(-2.5)+INT(1.9)", v), 3.5);
  EXPECT_DOUBLE_EQ(eval("P1/0", v), 0.0);  // saturates instead of stopping the controller
}

TEST(Expression, ConditionsComparisonsAndLogic) {
  Vars v;
  v.p[1] = 3;
  EXPECT_TRUE(cond("(P1<10)", v));
  EXPECT_FALSE(cond("(P1<3)", v));
  EXPECT_TRUE(cond("P1!<3", v));
  EXPECT_TRUE(cond("P1=3ANDP1<=3", v));
  EXPECT_TRUE(cond("(P1>5)OR((P1+1)=4)", v));
  EXPECT_FALSE(cond("P1!=3", v));
}

TEST(Expression, MalformedTextIsASyntaxError) {
  Vars v;
  EXPECT_THROW(eval("(1+2", v), SyntaxError);
  EXPECT_THROW(eval("P+1", v), SyntaxError);
  EXPECT_THROW(cond("P1+1", v), SyntaxError);
}

TEST(ProgramText, StatementsRunTogetherWithoutSpacesAreSeparated) {
  auto line = parseBufferLine("TA35TS17P1=P1+1X(P2*2)DWELL30");
  ASSERT_EQ(line.statements.size(), 5u);
  EXPECT_EQ(line.statements[0].op, Op::Ta);
  EXPECT_EQ(line.statements[0].expr, "35");
  EXPECT_EQ(line.statements[2].op, Op::Assign);
  EXPECT_EQ(line.statements[2].expr, "P1+1");
  EXPECT_EQ(line.statements[3].op, Op::MoveX);
  EXPECT_EQ(line.statements[3].expr, "(P2*2)");
  EXPECT_EQ(line.statements[4].op, Op::Dwell);
}

TEST(ProgramText, CloseEndsTheBufferAndLeavesTheRestOnLine) {
  auto line = parseBufferLine("X0CLOSE#1P");
  EXPECT_TRUE(line.close);
  EXPECT_EQ(line.rest, "#1P");
  EXPECT_THROW(parseBufferLine("JOG+"), SyntaxError);
}

TEST(ProgramText, LinkResolvesLoopsAndRejectsBrokenStructure) {
  Program p;
  for (auto text :
       {"P1=0", "WHILE(P1<3)", "IF(P1=1)", "X1", "ELSE", "X2", "ENDIF", "P1=P1+1", "ENDWHILE"})
    for (auto& s : parseBufferLine(text).statements) p.statements.push_back(s);
  ASSERT_TRUE(link(p));
  EXPECT_EQ(p.statements[1].jump, 9);  // past ENDWHILE
  EXPECT_EQ(p.statements[8].jump, 1);  // back to WHILE
  EXPECT_EQ(p.statements[2].jump, 5);  // IF false: into ELSE branch
  EXPECT_EQ(p.statements[4].jump, 7);  // ELSE: past ENDIF

  Program broken;
  broken.statements = parseBufferLine("ENDWHILE").statements;
  EXPECT_FALSE(link(broken));
  Program open;
  open.statements = parseBufferLine("WHILE(P1<1)X1").statements;
  EXPECT_FALSE(link(open));
}
