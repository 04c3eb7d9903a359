// What the painted controls show: plots, bars, bitmaps; and the texts the view derives.
#include <unistd.h>

#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <string>
#include <vector>

#include "platform/ui/qt/file_filter.h"
#include "platform/ui/qt/graph_widget.h"
#include "platform/ui/qt/labels.h"
#include "platform/ui/qt/picture_widget.h"
#include "qt_fixture.h"

using namespace helx::ui::qt;

namespace {
enum { GRAPH = 20 };

int pixelsOf(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
  return n;
}
}  // namespace

TEST_F(QtViewTest, TheGraphDrawsAHistogramAsBarsAndAProfileAsAThinLine) {
  const int main = panels[3];
  SetCtrlAttribute(main, GRAPH, ATTR_DIMMED, 0);
  std::vector<double> axis(100), counts(100);
  for (int i = 0; i < 100; ++i) {
    axis[i] = i * 163.83;
    counts[i] = 1000 + 10 * i;
  }
  const int bars = PlotXY(main, GRAPH, axis.data(), counts.data(), 100, VAL_DOUBLE, VAL_DOUBLE,
                          VAL_VERTICAL_BAR, VAL_EMPTY_SQUARE, VAL_SOLID, 1, VAL_BLUE);
  drain();
  auto* graph = body<GraphWidget>(main, GRAPH);
  ASSERT_NE(graph, nullptr);
  ASSERT_EQ(graph->plots().size(), 1u);
  const QImage histogram = graph->grab().toImage();
  // Bars fill most of the plot area: far more blue than a line could draw.
  EXPECT_GT(pixelsOf(histogram, 0x0000FF), 470 * 250 / 4);

  DeleteGraphPlot(main, GRAPH, bars, VAL_IMMEDIATE_DRAW);
  std::vector<unsigned short> row(1024);
  for (int i = 0; i < 1024; ++i) row[i] = static_cast<unsigned short>(i * 16);
  PlotY(main, GRAPH, row.data(), row.size(), VAL_UNSIGNED_SHORT_INTEGER, VAL_THIN_LINE,
        VAL_EMPTY_SQUARE, VAL_SOLID, 1, VAL_GREEN);
  drain();
  const QImage profile = graph->grab().toImage();
  EXPECT_EQ(pixelsOf(profile, 0x0000FF), 0) << "the histogram is gone";
  const int green = pixelsOf(profile, 0x00FF00);
  EXPECT_GT(green, 300);
  EXPECT_LT(green, 2000) << "a thin line, not a filled area";
}

TEST_F(QtViewTest, ThePictureShowsTheBitmapOnePixelPerSample) {
  const int graphic = panels[1];
  const int width = 4, height = 3;
  std::vector<int> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = (i << 16) | (255 - i);
  std::vector<unsigned char> bits(width * height);
  for (int i = 0; i < width * height; ++i) bits[i] = static_cast<unsigned char>(i * 20);
  int bitmap = 0;
  ASSERT_EQ(NewBitmap(-1, 8, width, height, colours.data(), bits.data(), nullptr, &bitmap), 0);
  ASSERT_EQ(SetCtrlBitmap(graphic, 2, 0, bitmap), 0);
  drain();
  auto* picture = body<PictureWidget>(graphic, 2);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->image().size(), QSize(width, height));
  const QImage drawn = picture->grab().toImage();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      EXPECT_EQ(drawn.pixel(x, y) & 0xFFFFFF, static_cast<QRgb>(colours[bits[y * width + x]]))
          << x << "," << y;
}

TEST(QtViewTexts, AccessKeysLinesAndFileFilters) {
  EXPECT_EQ(displayLabel("__OK"), "OK");
  EXPECT_EQ(buttonText("__Cancel"), "&Cancel");
  EXPECT_EQ(buttonText("R&D"), "R&&D");
  EXPECT_EQ(labelLines("Scan_speed\n (um/s)"), 2);
  EXPECT_EQ(labelLines(""), 0);
  // The program's degree sign is byte 176; the resource's UTF-8 stays UTF-8.
  EXPECT_EQ(runtimeText("-30 \xB0"
                        "C"),
            QString::fromUtf8("-30 \u00B0C"));
  EXPECT_EQ(runtimeText("-30 \u00B0C"), QString::fromUtf8("-30 \u00B0C"));
  EXPECT_EQ(runtimeText("plain"), "plain");

  const QStringList filters = fileFilters("*.fts;*.bmp;*.fit;*.fits");
  EXPECT_EQ(filters.first(), "Listed files (*.fts *.bmp *.fit *.fits)");
  EXPECT_TRUE(filters.contains("*.fits (*.fits)"));
  EXPECT_EQ(filters.last(), "All files (*)");
  EXPECT_EQ(initialFilter(filters, "*.bmp"), "*.bmp (*.bmp)");
  EXPECT_EQ(initialFilter(filters, "*.xyz"), filters.first());
}

TEST_F(QtViewTest, ASnapshotIsThePanelAsDrawnAndAHiddenPanelHasNone) {
  const int graphic = panels[1];
  const std::string dir = ::testing::TempDir() + "helx-snapshot-" + std::to_string(getpid());
  // Hidden: nothing to draw, nothing written.
  HidePanel(graphic);
  drain();
  EXPECT_EQ(frontend().snapshotPanel(graphic, dir + "/hidden.png"), "the panel is not shown");
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir + "/hidden.png")));

  // A green picture in it.
  std::vector<int> colours(256, 0x00FF00);
  std::vector<unsigned char> bits(64 * 48, 0);
  int bitmap = 0;
  ASSERT_EQ(NewBitmap(-1, 8, 64, 48, colours.data(), bits.data(), nullptr, &bitmap), 0);
  ASSERT_EQ(SetCtrlBitmap(graphic, 2, 0, bitmap), 0);
  DisplayPanel(graphic);
  drain();
  const std::string path = dir + "/sub/graphic.png";  // folders are made as needed
  ASSERT_EQ(frontend().snapshotPanel(graphic, path), "");
  QImage shot(QString::fromStdString(path));
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), view().window(graphic)->size());
  EXPECT_GE(pixelsOf(shot, 0x00FF00), 64 * 48);
}
