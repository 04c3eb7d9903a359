// Reading FITS and bitmap files back into the display, and exporting the shown plane.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "display/display.h"
#include "display/open_file.h"
#include "display_fixture.h"
#include "files/bitmap.h"
#include "files/fits_reader.h"
#include "fits_writer.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {
std::vector<unsigned char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
fs::path Corpus(const std::string& name) {
  return fs::path(std::getenv("HELX_SOURCE_DIR")) / "fuzz" / "corpus" / name;
}
std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::string LastPopup() {
  auto p = Operator::popups();
  return p.empty() ? std::string() : p.back().title + ": " + p.back().text;
}

class Readers : public DisplayTest {
 protected:
  // A shown 2-D file, to see that a refused file leaves it alone.
  void ShowKnownFile() {
    ASSERT_TRUE(WriteTestFits("known.fts", {3, 2}, {10, 20, 30, 40, 50, 60}, 1.5f));
    ASSERT_EQ(OpenFitsFile("known.fts"), 1);
    known = pFitsData.data;
    knownPicture = picture().rgb;
    Operator::clearPopups();
  }
  void ExpectKnownFileStillShown() {
    EXPECT_EQ(pFitsData.data, known);
    EXPECT_EQ(FitsHeader.NAXIS1, 3);
    EXPECT_EQ(FitsHeader.NAXIS2, 2);
    EXPECT_EQ(FitsHeader.EXPTIME, 1.5f);
    EXPECT_EQ(picture().rgb, knownPicture);
  }
  unsigned short* known = nullptr;
  std::vector<std::uint32_t> knownPicture;
};
}  // namespace

TEST_F(Readers, ImageReadsBackTheCamerasBitPatterns) {
  ASSERT_TRUE(
      WriteTestFits("image.fts", {4, 3}, {40000, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 65535}, 0.25f));
  DataSource = 1;
  ASSERT_EQ(OpenFitsFile("image.fts"), 1);
  EXPECT_EQ(FitsHeader.BITPIX, 16);
  EXPECT_EQ(FitsHeader.NAXIS, 2);
  EXPECT_EQ(FitsHeader.bytepix, 2);
  EXPECT_EQ(FitsHeader.EXPTIME, 0.25f);
  EXPECT_EQ(pFitsData.width, 4);
  EXPECT_EQ(pFitsData.height, 3);
  EXPECT_EQ(pFitsData.data[0], 40000);
  EXPECT_EQ(pFitsData.data[11], 65535);
  EXPECT_EQ(DataSource, 0);
  EXPECT_EQ(picture().width, 4);
  EXPECT_EQ(attribute(PANEL_BYTSCL_MIN, ATTR_MIN_VALUE), 1);
  EXPECT_EQ(attribute(PANEL_BYTSCL_MAX, ATTR_MAX_VALUE), 65535);
}

TEST_F(Readers, CubeShowsPlaneZeroWithTheFrameSlider) {
  std::vector<unsigned short> s(3 * 2 * 4);
  for (std::size_t i = 0; i < s.size(); i++) s[i] = static_cast<unsigned short>(100 + i);
  ASSERT_TRUE(WriteTestFits("cube.fts", {3, 2, 4}, s, 2.0f));
  ASSERT_EQ(OpenFitsFile("cube.fts"), 1);
  EXPECT_EQ(FitsHeader.NAXIS3, 4);
  EXPECT_EQ(pusFitsData.width, 3);
  EXPECT_EQ(pusFitsData.height, 2);
  EXPECT_EQ(pusFitsData.data[5], 105);
  EXPECT_EQ(mean, 102.5f);
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_MAX_VALUE), 3);
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_DIMMED), 0);
  EXPECT_EQ(attribute(PANEL_SelectAxis, ATTR_DIMMED), 0);
  EXPECT_EQ(number(PANEL_set_Select_Frame), 0);
}

TEST_F(Readers, BracketsInAPathAreNotFileNameSyntax) {
  ASSERT_TRUE(WriteTestFits("scan.fts", {2, 1}, {7, 9}, 1.0f));
  fs::rename("scan.fts", "scan[1].fts");
  ASSERT_EQ(OpenFitsFile("scan[1].fts"), 1);
  EXPECT_EQ(pFitsData.data[1], 9);
}

TEST_F(Readers, UnsignedConventionFileReadsItsValues) {
  ASSERT_EQ(OpenFitsFile(Corpus("fits/unsigned_bzero.fts").c_str()), 1);
  EXPECT_EQ((std::vector<unsigned short>(pFitsData.data, pFitsData.data + 4)),
            (std::vector<unsigned short>{0, 1, 2, 3}));
}

TEST_F(Readers, RefusedFitsFilesNameTheProblemAndLeaveThePictureAlone) {
  ShowKnownFile();
  struct Case {
    std::string file, text;
  } cases[] = {
      {"no_such_file.fts", "Cannot open"},
      {"fits/text.fts", "Cannot open"},
      {"fits/empty.fts", "Cannot open"},
      {"fits/half_header.fts", "Cannot open"},
      {"fits/bitpix8.fts", "BITPIX"},
      {"fits/bitpix_float.fts", "BITPIX"},
      {"fits/naxis1.fts", "2-D"},
      {"fits/naxis4.fts", "2-D"},
      {"fits/no_naxis2.fts", "Cannot open"},  // not even valid FITS
      {"fits/huge_axis_text.fts", "fewer pixels"},
      {"fits/negative_axis.fts", "Cannot open"},
      {"fits/zero_axis.fts", "axis"},
      {"fits/axis_overflow.fts", "too large"},
      {"fits/truncated_data.fts", "fewer pixels"},
      {"fits/header_only.fts", "fewer pixels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = c.file.find('/') == std::string::npos ? c.file : Corpus(c.file).string();
    Operator::clearPopups();
    EXPECT_EQ(OpenFitsFile(path.c_str()), 0);
    auto popups = Operator::popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Error");
    EXPECT_NE(popups[0].text.find(c.text), std::string::npos) << popups[0].text;
    ExpectKnownFileStillShown();
  }
}

TEST_F(Readers, BitmapMessagesForWrongFiles) {
  struct Case {
    std::string file, text;
  } cases[] = {
      {"missing.bmp", "No File Exists"},
      {"bmp/text.bmp", "No BMP File"},
      {"bmp/empty.bmp", "No BMP File"},
      {"bmp/rgb24.bmp", "Bad File Format!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = c.file.find('/') == std::string::npos ? c.file : Corpus(c.file).string();
    Operator::clearPopups();
    EXPECT_EQ(OpenBitmap(path.c_str()), 0);
    EXPECT_EQ(LastPopup(), "Error: " + c.text);
  }
}

TEST_F(Readers, HostileBitmapsAreRefusedBeforeAnythingIsRead) {
  ShowKnownFile();
  for (const char* name :
       {"width_overflow.bmp", "height_overflow.bmp", "negative_width.bmp", "zero_height.bmp",
        "offset_past_end.bmp", "offset_huge.bmp", "truncated_pixels.bmp", "image_size_lies.bmp",
        "too_many_colours.bmp", "palette_past_offset.bmp", "info_size_huge.bmp", "compressed.bmp",
        "short_info.bmp", "header_only.bmp"}) {
    SCOPED_TRACE(name);
    Operator::clearPopups();
    EXPECT_EQ(OpenBitmap(Corpus(std::string("bmp/") + name).c_str()), 0);
    EXPECT_EQ(LastPopup(), "Error: Bad File Format!");
    ExpectKnownFileStillShown();
  }
}

TEST_F(Readers, BitmapIsShownWithItsOwnPaletteAndChangesNothingElse) {
  ShowKnownFile();
  float meanBefore = mean;
  double lowerBefore = number(PANEL_BYTSCL_MIN);
  // 2 x 2, palette entry i is red i; rows stored bottom-up.
  std::vector<unsigned char> file = Bytes(Corpus("bmp/good_8bit.bmp").string());
  file[18] = 2;
  file[22] = 2;
  file[34] = 8;  // image size
  for (int i = 0; i < 256; i++) {
    file[54 + 4 * i] = 0;
    file[54 + 4 * i + 1] = 0;
    file[54 + 4 * i + 2] = static_cast<unsigned char>(i);
  }
  file[1078] = 1;  // bottom row
  file[1079] = 2;
  file[1082] = 3;  // top row
  file[1083] = 4;
  std::ofstream("red.bmp", std::ios::binary).write(reinterpret_cast<char*>(file.data()), 1086);
  ASSERT_EQ(OpenBitmap("red.bmp"), 1);
  EXPECT_EQ(picture().rgb, (std::vector<std::uint32_t>{0x030000, 0x040000, 0x010000, 0x020000}));
  EXPECT_EQ(pFitsData.data, known);
  EXPECT_EQ(mean, meanBefore);
  EXPECT_EQ(number(PANEL_BYTSCL_MIN), lowerBefore);
  EXPECT_EQ(DataSource, 0);
  // A bitmap holds no camera samples: the last picture's saturated count and marks go with it.
  EXPECT_EQ(text(PANEL_saturated), "");
  EXPECT_TRUE(helx::ui::Model::instance()
                  .with([](helx::ui::Model& m) {
                    return m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW)->marks;
                  })
                  .marked.empty());

  // A negative height stores the rows top-down.
  ASSERT_EQ(OpenBitmap(Corpus("bmp/top_down.bmp").c_str()), 1);
  EXPECT_EQ(grey()[1], 7);
  EXPECT_EQ(grey()[4], 28);
}

TEST_F(Readers, ExportScalesWithTheSliderRange) {
  std::vector<unsigned short> s = {50, 100, 150, 200, 250};
  ASSERT_EQ(SaveBitmap(5, 1, s.data(), "range.bmp", 100, 200), 1);
  auto b = Bytes("range.bmp");
  ASSERT_EQ(b.size(), 1078u + 8);
  EXPECT_EQ(std::vector<unsigned char>(b.begin() + 1078, b.end()),
            (std::vector<unsigned char>{0, 0, 127, 255, 255, 0, 0, 0}));
}

TEST_F(Readers, ExportLayoutAndReadBack) {
  // 510 x 2: rows of 512 bytes, the bottom (plane row 0) first.
  std::vector<unsigned short> s(510 * 2);
  for (int i = 0; i < 1020; i++) s[i] = static_cast<unsigned short>(i % 256);
  ASSERT_EQ(SaveBitmap(510, 2, s.data(), "export.bmp", 0, 255), 1);
  auto b = Bytes("export.bmp");
  ASSERT_EQ(b.size(), 2102u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), 2102u);
  EXPECT_EQ(U32(b, 10), 1078u);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(U32(b, 18), 510u);
  EXPECT_EQ(U32(b, 22), 2u);
  EXPECT_EQ(b[26] | b[27] << 8, 1);
  EXPECT_EQ(b[28] | b[29] << 8, 8);
  EXPECT_EQ(U32(b, 30), 0u);
  EXPECT_EQ(U32(b, 34), 1024u);
  EXPECT_EQ(U32(b, 46), 256u);
  EXPECT_EQ(U32(b, 50), 256u);
  EXPECT_EQ(U32(b, 54 + 4 * 200), 0x00C8C8C8u);
  EXPECT_EQ(b[1078 + 510], 0);  // padding
  EXPECT_EQ(b[1078 + 511], 0);
  EXPECT_EQ(b[1078 + 512], s[510]);

  ASSERT_EQ(OpenBitmap("export.bmp"), 1);
  auto img = picture();
  ASSERT_EQ(img.width, 510);
  ASSERT_EQ(img.height, 2);
  // Top row of the picture is plane row 1, as the display shows it.
  ByteDisplay(510, 2, s.data(), 0, 255);
  EXPECT_EQ(picture().rgb, img.rgb);
}

TEST_F(Readers, ExportThatCannotBeCreatedIsReported) {
  std::vector<unsigned short> s = {1, 2};
  Operator::clearPopups();
  EXPECT_EQ(SaveBitmap(2, 1, s.data(), "no/such/folder/x.bmp", 0, 2), 0);
  EXPECT_EQ(LastPopup(), "Error: Cannot create the bitmap file");
}

TEST(ReaderCorpus, EverySeedIsReadOrRefusedWithoutHarm) {
  // The fuzz targets' seeds, replayed in the ordinary build (and under the sanitizers).
  std::set<std::string> accepted = {"good_2d.fts",        "good_cube.fts",  "unsigned_bzero.fts",
                                    "good_8bit.bmp",      "good_510x2.bmp", "top_down.bmp",
                                    "image_size_zero.bmp"};
  int files = 0;
  for (const char* folder : {"fits", "bmp"})
    for (auto& entry : fs::directory_iterator(Corpus(folder))) {
      std::string name = entry.path().filename().string();
      SCOPED_TRACE(name);
      files++;
      int result = 0;
      if (std::string(folder) == "fits") {
        FitsHeaderRecord header;
        Plane plane;
        char why[256];
        result = ReadFitsImage(entry.path().c_str(), &header, &plane, why, sizeof why);
        if (result == 1) {
          EXPECT_EQ(plane.width, header.NAXIS1);
          EXPECT_EQ(plane.height, header.NAXIS2 * (header.NAXIS == 3 ? header.NAXIS3 : 1));
        }
        ReleasePlane(plane);
      } else {
        auto bytes = Bytes(entry.path().string());
        BitmapImage image;
        result = DecodeBitmap(bytes.data(), bytes.size(), &image) == BMP_OK ? 1 : 0;
        delete[] image.bytes;
      }
      EXPECT_EQ(result == 1, accepted.count(name) == 1);
    }
  EXPECT_GE(files, 30);
}
