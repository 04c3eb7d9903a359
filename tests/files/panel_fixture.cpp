#include "panel_fixture.h"

#include <fitsio.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/ui/message_log.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

namespace fs = std::filesystem;

void PanelTest::SetUp() {
  workdir = fs::path(::testing::TempDir()) /
            ("helx-files-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
             std::to_string(::getpid()));
  fs::remove_all(workdir);
  fs::create_directories(workdir);
  ASSERT_EQ(::chdir(workdir.c_str()), 0);
  const char* source = std::getenv("HELX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  fs::copy(fs::path(source) / "site" / "HELX.uir", workdir / "HELX.uir");
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "test", arg1[] = "--headless";
  static char* argv[] = {arg0, arg1, nullptr};
  ASSERT_EQ(InitCVIRTE(nullptr, argv, nullptr), 1);
  mainPanel = LoadPanel(0, "HELX.uir", PANEL);
  HELXpanelSetting = LoadPanel(0, "HELX.uir", SetHELX);
  ASSERT_GT(mainPanel, 0);
  ASSERT_GT(HELXpanelSetting, 0);
}

int PanelTest::miscPage() const {
  int page = 0;
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, setMISC, &page);
  return page;
}

int PanelTest::gratingPage() const {
  int page = 0;
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, setMotoTAB, &page);
  return page;
}

void PanelTest::setMisc(const std::string& observer, int target, const std::string& name,
                        const std::string& ar, int x, int y) {
  SetupInForce& setup = setup_in_force;
  std::snprintf(setup.observer, sizeof setup.observer, "%s", observer.c_str());
  setup.target = target;
  std::snprintf(setup.targetName, sizeof setup.targetName, "%s", name.c_str());
  std::snprintf(setup.arNumber, sizeof setup.arNumber, "%s", ar.c_str());
  setup.telescopeX = x;
  setup.telescopeY = y;
}

void PanelTest::writeWvIni(const fs::path& file, int count, int select,
                           const std::vector<float>& wavelengths) {
  std::string bytes(2000, '\0');
  std::snprintf(bytes.data(), 100, "NUMBER OF WV    =%d", count);
  std::snprintf(bytes.data() + 100, 100, "CURRENT_SELECT  =%d", select);
  for (std::size_t i = 0; i < wavelengths.size(); i++) {
    char r[24] = {0};
    std::int32_t step = static_cast<std::int32_t>(i) * 100 + 5;
    double angle = 20.0 + static_cast<double>(i);
    std::memcpy(r, &wavelengths[i], 4);
    std::memcpy(r + 8, &step, 4);
    std::memcpy(r + 16, &angle, 8);
    bytes.append(r, 24);
  }
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

std::string PanelTest::monitorText() {
  return helx::ui::Operator::text(mainPanel, PANEL_TB_Text_Monitor);
}

std::vector<Card> ReadCards(const std::string& path) {
  std::vector<Card> cards;
  fitsfile* f = nullptr;
  int status = 0, count = 0;
  ffdkopn(&f, path.c_str(), READONLY, &status);
  ffghsp(f, &count, nullptr, &status);
  for (int i = 1; i <= count && status == 0; i++) {
    char key[FLEN_KEYWORD] = "", value[FLEN_VALUE] = "", comment[FLEN_COMMENT] = "";
    ffgkyn(f, i, key, value, comment, &status);
    std::string v = value;
    // String values are compared as the texts they hold: quotes, padding and doubled quotes go.
    if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') {
      std::string text;
      for (std::size_t k = 1; k + 1 < v.size(); k++) {
        text += v[k];
        if (v[k] == '\'' && v[k + 1] == '\'') k++;
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      v = text;
    }
    cards.push_back({key, v, comment});
  }
  int ignored = 0;
  if (f) ffclos(f, &ignored);
  EXPECT_EQ(status, 0) << "reading " << path;
  return cards;
}

std::vector<std::string> Keys(const std::vector<Card>& cards) {
  std::vector<std::string> keys;
  for (auto& c : cards) keys.push_back(c.key);
  return keys;
}

const Card* FindCard(const std::vector<Card>& cards, const std::string& key) {
  for (auto& c : cards)
    if (c.key == key) return &c;
  return nullptr;
}

int RunPython(const std::string& script, const std::string& arg, std::string& out) {
  fs::path file = fs::temp_directory_path() / ("helx-check-" + std::to_string(::getpid()) + ".py");
  std::ofstream(file) << script;
  std::string command = "/usr/bin/python3 " + file.string() + " '" + arg + "' 2>&1";
  out.clear();
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0;)
    out.append(buffer.data(), n);
  int rc = ::pclose(p);
  fs::remove(file);
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::vector<std::string> FileNames(const fs::path& dir) {
  std::vector<std::string> names;
  if (!fs::exists(dir)) return names;
  for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string OnlyFile(const fs::path& dir, const std::string& tail) {
  std::string found;
  for (auto& name : FileNames(dir)) {
    if (name.size() >= tail.size() &&
        name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      if (!found.empty()) return "";
      found = (dir / name).string();
    }
  }
  return found;
}

bool Like(const std::string& text, const std::string& pattern) {
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); i++) {
    if (pattern[i] == '#' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                          : text[i] != pattern[i])
      return false;
  }
  return true;
}
