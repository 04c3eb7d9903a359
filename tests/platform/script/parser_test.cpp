// The script language as written: statements, quoting, comments, line numbers and the errors a
// typing observer makes.
#include <gtest/gtest.h>

#include "platform/ui/script/script.h"
#include "platform/ui/userint.h"

using namespace helx::ui::script;

namespace {
Script parsed(const std::string& text) {
  ParseResult r = parseScript(text);
  EXPECT_FALSE(r.error) << "line " << r.error->line << ": " << r.error->message;
  return r.script;
}

ParseError error(const std::string& text) {
  ParseResult r = parseScript(text);
  EXPECT_TRUE(r.error) << "parsed without error: " << text;
  EXPECT_TRUE(r.script.statements.empty());
  return r.error.value_or(ParseError{});
}
}  // namespace

TEST(ScriptParser, StatementsKeepTheirLineNumbersAndTextAcrossCommentsAndBlankLines) {
  Script s = parsed(
      "# setup\n"
      "\n"
      "commit  PANEL Set_HELX_parameter   # opens the dialog\r\n"
      "   # indented comment\n"
      "type setMISC MISC_Observer \"A. \\\"Doc\\\" Observer # not a comment\"\n"
      "quit");
  ASSERT_EQ(s.statements.size(), 3u);
  EXPECT_EQ(s.statements[0].line, 3);
  EXPECT_EQ(s.statements[0].text, "commit  PANEL Set_HELX_parameter");
  auto* commit = std::get_if<Commit>(&s.statements[0].action);
  ASSERT_TRUE(commit);
  EXPECT_EQ(commit->at.owner, "PANEL");
  EXPECT_EQ(commit->at.control, "Set_HELX_parameter");

  EXPECT_EQ(s.statements[1].line, 5);
  auto* type = std::get_if<Type>(&s.statements[1].action);
  ASSERT_TRUE(type);
  EXPECT_EQ(type->at.owner, "setMISC");
  EXPECT_EQ(type->text, "A. \"Doc\" Observer # not a comment");

  EXPECT_EQ(s.statements[2].line, 6);
  EXPECT_TRUE(std::holds_alternative<Quit>(s.statements[2].action));
}

TEST(ScriptParser, EveryCommandReadsItsArguments) {
  Script s = parsed(
      "choose setScanTAB Scan_Mode \"Imaging mode\"\n"
      "choose setScanTAB Scan_Mode index 1\n"
      "tab setMISC\n"
      "menu MENUBAR_FILE_OPEN\n"
      "close InfoPanel\n"
      "key PANEL GRAPH Enter\n"
      "key PANEL GRAPH escape\n"
      "key PANEL GRAPH q\n"
      "key PANEL GRAPH 0x0500\n"
      "pointer move PANEL GRAPH 10 20\n"
      "pointer click PANEL GRAPH 30 40\n"
      "file \"/data/a b.fits\"\n"
      "file \"\"\n"
      "pause 2.5\n"
      "COMMIT PANEL POWERON\n"
      "snapshot GRAPHICPNL \"shots/frame one.png\"\n");
  ASSERT_EQ(s.statements.size(), 16u);
  auto& a = s.statements;
  EXPECT_EQ(std::get<Choose>(a[0].action).label, "Imaging mode");
  EXPECT_FALSE(std::get<Choose>(a[0].action).index);
  EXPECT_EQ(std::get<Choose>(a[1].action).index, 1);
  EXPECT_EQ(std::get<SelectTab>(a[2].action).page, "setMISC");
  EXPECT_EQ(std::get<Menu>(a[3].action).item, "MENUBAR_FILE_OPEN");
  EXPECT_EQ(std::get<Close>(a[4].action).panel, "InfoPanel");
  EXPECT_EQ(std::get<Key>(a[5].action).code, VAL_ENTER_VKEY);
  EXPECT_EQ(std::get<Key>(a[6].action).code, VAL_ESC_VKEY);
  EXPECT_EQ(std::get<Key>(a[7].action).code, 'q');
  EXPECT_EQ(std::get<Key>(a[8].action).code, VAL_ENTER_VKEY);
  auto move = std::get<Pointer>(a[9].action);
  EXPECT_FALSE(move.click);
  EXPECT_EQ(move.x, 10);
  EXPECT_EQ(move.y, 20);
  auto click = std::get<Pointer>(a[10].action);
  EXPECT_TRUE(click.click);
  EXPECT_EQ(click.x, 30);
  EXPECT_EQ(click.y, 40);
  EXPECT_EQ(std::get<AnswerFile>(a[11].action).path, "/data/a b.fits");
  EXPECT_EQ(std::get<AnswerFile>(a[12].action).path, "");
  EXPECT_DOUBLE_EQ(std::get<Pause>(a[13].action).seconds, 2.5);
  EXPECT_TRUE(std::holds_alternative<Commit>(a[14].action));
  EXPECT_EQ(std::get<Snapshot>(a[15].action).panel, "GRAPHICPNL");
  EXPECT_EQ(std::get<Snapshot>(a[15].action).path, "shots/frame one.png");
}

TEST(ScriptParser, WaitsReadTheirConditionAndTimeOut) {
  Script s = parsed(
      "wait PANEL CCD_Status on within 30\n"
      "wait PANEL CCD_Status != off\n"
      "wait test_panel ccdTemp <= -60 within 600\n"
      "wait PANEL Position ~ \"in position\"\n"
      "wait PANEL Position = \"on\"\n"
      "wait popup \"\" \"saturated\" within 5\n"
      "wait popup Warning \"Camera 1\"\n"
      "wait PANEL cmd_Run enabled within 300\n");
  ASSERT_EQ(s.statements.size(), 8u);
  auto w7 = std::get<WaitValue>(s.statements[7].action);
  EXPECT_TRUE(w7.condition.state);
  EXPECT_EQ(w7.condition.value, "enabled");
  EXPECT_DOUBLE_EQ(w7.timeout, 300);
  auto w0 = std::get<WaitValue>(s.statements[0].action);
  EXPECT_EQ(w0.at.control, "CCD_Status");
  EXPECT_TRUE(w0.condition.onOff);
  EXPECT_EQ(w0.condition.value, "on");
  EXPECT_DOUBLE_EQ(w0.timeout, 30);
  auto w1 = std::get<WaitValue>(s.statements[1].action);
  EXPECT_EQ(w1.condition.compare, Compare::NotEqual);
  EXPECT_DOUBLE_EQ(w1.timeout, kDefaultWaitSeconds);
  auto w2 = std::get<WaitValue>(s.statements[2].action);
  EXPECT_EQ(w2.condition.compare, Compare::LessEqual);
  EXPECT_EQ(w2.condition.value, "-60");
  EXPECT_EQ(std::get<WaitValue>(s.statements[3].action).condition.compare, Compare::Contains);
  // A quoted "on" is text, not an LED's state.
  EXPECT_FALSE(std::get<WaitValue>(s.statements[4].action).condition.onOff);
  auto p0 = std::get<WaitPopup>(s.statements[5].action);
  EXPECT_EQ(p0.title, "");
  EXPECT_EQ(p0.text, "saturated");
  EXPECT_DOUBLE_EQ(p0.timeout, 5);
  EXPECT_EQ(std::get<WaitPopup>(s.statements[6].action).title, "Warning");
}

TEST(ScriptParser, AnErrorNamesItsLineAndRejectsTheWholeScript) {
  struct Case {
    const char* text;
    int line;
    const char* says;
  } cases[] = {
      {"commit PANEL POWERON\nfrobnicate PANEL X\n", 2, "unknown command 'frobnicate'"},
      {"\n\ncommit PANEL\n", 3, "missing control name"},
      {"type P STR \"open\n", 1, "not closed"},
      {"type P STR ab\"c\n", 1, "quote inside a word"},
      {"commit PANEL POWERON extra\n", 1, "unexpected 'extra'"},
      {"commit \"PANEL\" POWERON\n", 1, "not a panel or page name"},
      {"pause soon\n", 1, "not a number of seconds"},
      {"pause -1\n", 1, "not a number of seconds"},
      {"wait P LED is on\n", 1, "not a comparison"},
      {"wait P LED < on\n", 1, "on and off compare only with = or !="},
      {"wait P STR > abc\n", 1, "not a number to compare with"},
      {"wait P LED = on after 3\n", 1, "within"},
      {"wait P LED = on within\n", 1, "missing time-out"},
      {"pointer drag P PIC 1 2\n", 1, "'move' or 'click'"},
      {"pointer click P PIC 1.5 2\n", 1, "not a whole number"},
      {"key P PIC Space\n", 1, "not a key"},
      {"choose P RING index -1\n", 1, "counts from 0"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    ParseError e = error(c.text);
    EXPECT_EQ(e.line, c.line);
    EXPECT_NE(e.message.find(c.says), std::string::npos) << e.message;
  }
}
