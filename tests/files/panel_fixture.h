// The program's panels loaded headless in a working directory of the test's own, without the
// event loop: the file writers and the wavelength list read and write them as they would in
// the running program. Also reads FITS files back for the tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  int miscPage() const;
  int gratingPage() const;
  // The observer, target and telescope position as an OK confirmed them (what the files name).
  void setMisc(const std::string& observer, int target, const std::string& name = "",
               const std::string& ar = "", int x = 0, int y = 0);
  // Writes a Wv.ini with `count` in the count slot, `select` in the selection slot and the
  // given wavelengths (step i * 100 + 5, angle 20 + i).
  static void writeWvIni(const std::filesystem::path& file, int count, int select,
                         const std::vector<float>& wavelengths);
  // The text appended to the main panel's message box so far.
  static std::string monitorText();

  std::filesystem::path workdir;
};

// A header card; a string value holds its text (no quotes, no padding).
struct Card {
  std::string key, value, comment;
};
// Every card of the primary header, in order (END excluded); fails the test on error.
std::vector<Card> ReadCards(const std::string& path);
std::vector<std::string> Keys(const std::vector<Card>& cards);
const Card* FindCard(const std::vector<Card>& cards, const std::string& key);
// Runs /usr/bin/python3 with `script` (argv[1] = `arg`); returns its exit code, output in `out`.
int RunPython(const std::string& script, const std::string& arg, std::string& out);
// The one file in `dir` whose name ends with `tail` (empty when none or several).
std::string OnlyFile(const std::filesystem::path& dir, const std::string& tail);
std::vector<std::string> FileNames(const std::filesystem::path& dir);
// `text` matches `pattern`, in which "#" stands for one digit and every other character for
// itself.
bool Like(const std::string& text, const std::string& pattern);
