// The toolkit-free panel model: every loaded panel, tab page, control, menu bar and bitmap,
// with their values and attributes. Both front-ends (headless and the Qt view) read it; the
// userint.h API and the operator API write it.
//
// Threads: one mutex guards the whole model. Use with() to read or change it under that lock;
// never call a callback, a popup or anything that may block while holding it. Every change
// marks the panel or control dirty; the front-end drains the dirty set on the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/userint.h"

namespace helx::ui {

enum class Kind {
  CommandButton,
  ToggleButton,
  Led,
  TextMessage,
  TextBox,
  String,
  Numeric,
  NumericSlide,
  Ring,
  ChoiceList,
  Graph,
  Picture,
  Timer,
  Tab,
  Decoration,
  Splitter,
  ActiveX,
};
enum class DataType { Int, Unsigned, Float, Double, String };

std::optional<Kind> kindFromName(const std::string& name);
const char* kindName(Kind kind);
bool isNumericKind(Kind kind);

struct Item {
  std::string label;
  double value = 0;
};

struct Plot {
  int handle = 0;
  std::vector<double> x, y;
  int plotStyle = 0, pointStyle = 0, lineStyle = 0, color = 0;
};

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;  // row-major, top row first, 0xRRGGBB
};

// Pixels a view draws in one colour over a picture (the display's saturated samples), kept apart
// from the picture itself so that its bytes, as exported or read back, never change.
struct Marks {
  int width = 0, height = 0;
  std::vector<std::uint8_t> marked;  // row-major, top row first, 1 = draw in `color`
  std::uint32_t color = 0;           // 0xRRGGBB
  bool operator==(const Marks&) const = default;
};

// Longest text the operator can type into a string control.
constexpr std::size_t kMaxTypedText = 255;

// Lines a text box keeps. The program appends to its monitoring windows on every scan, every
// temperature reading and every controller reply for as long as it runs: a text kept whole would
// grow the process all night, and with it every copy the view, a script or a test takes of it.
// The oldest lines fall off the top; the message log (message_log.h) still has every text
// appended, whole. A line is counted by its line break: the text keeps at most this many breaks
// and the line being written after the last of them.
constexpr std::size_t kTextBoxLines = 2000;

struct Control {
  int id = 0;
  std::string constant;
  Kind kind = Kind::Decoration;
  DataType dataType = DataType::Int;
  std::string label;
  bool labelVisible = true;  // false: the label is kept but not drawn
  std::string callbackName;
  CtrlCallbackPtr callback = nullptr;
  void* callbackData = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  bool dimmed = false, visible = true;

  double number = 0;        // numerics, slides, LEDs, buttons (0/1)
  std::string text;         // strings, text messages, text boxes
  std::vector<Item> items;  // rings and choice lists
  int index = -1;           // selected item, -1 when empty
  int defaultIndex = 0;
  std::optional<double> min, max;
  double increment = 1;
  int onColor = 0xFF0000;

  // Text boxes: how often the text was replaced as a whole, and how many characters have been
  // dropped from its front since (kTextBoxLines), so that a view adds only what was appended.
  std::uint64_t textGeneration = 0;
  std::uint64_t textDropped = 0;

  double interval = 0.1;  // timers
  bool enabled = false;

  std::vector<int> pages;  // tab control: page panel handles
  std::vector<bool> pageDimmed;
  int activePage = 0;

  std::vector<Plot> plots;  // graph
  int nextPlot = 1;
  Image image;  // picture
  Marks marks;  // picture: drawn over the image
  // Pictures: counts every change of the image or the marks, so that a reader that keeps a
  // copy (the status page's PNG) knows when it is stale.
  std::uint64_t pictureGeneration = 0;

  // What DefaultCtrl restores.
  double defaultNumber = 0;
  std::string defaultText;
};

// A control's value as text, as GetCtrlVal gives it into a string: a text control's text, a
// ring's selected label, a number printed with %g. Call under the model's lock.
std::string valueText(const Control& control);

// A text box's text grows at its end; these keep it to its last kTextBoxLines lines. Call under
// the model's lock.
void appendText(Control& control, std::string_view text);
// Replaces the whole text (ResetTextBox, DefaultCtrl).
void replaceText(Control& control, std::string text);

struct Panel {
  int handle = 0;
  int resourceNumber = 0;
  std::string constant, title, callbackName;
  PanelCallbackPtr callback = nullptr;
  void* callbackData = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = false;
  int parent = 0;  // tab pages: the panel holding the tab control
  int tabControl = 0, pageIndex = -1;
  std::map<int, Control> controls;
  int menuBar = 0;
};

struct MenuEntry {
  int id = 0;
  std::string constant, label, callbackName;
  MenuCallbackPtr callback = nullptr;
  bool dimmed = false;
  int parentMenu = 0;  // 0 for a menu, else the id of the menu holding this item
};

struct MenuBar {
  int handle = 0;
  int panel = 0;
  std::map<int, MenuEntry> entries;
};

struct Bitmap {
  Image image;
};

class Model {
 public:
  static Model& instance();

  template <typename F>
  auto with(F&& f) {
    std::lock_guard lock(mutex_);
    return f(*this);
  }

  // Look-ups under the lock (call inside with()).
  Panel* panel(int handle);
  Control* control(int panel, int id);
  MenuBar* menuBar(int handle);

  int addPanel(Panel p);
  int addMenuBar(MenuBar m);
  int addBitmap(Bitmap b);
  std::map<int, Panel>& panels() { return panels_; }
  std::map<int, Bitmap>& bitmaps() { return bitmaps_; }
  void erasePanel(int handle);
  void eraseMenuBar(int handle);

  // Dirty marks: control -1 means the panel itself (visibility, geometry, title).
  void markDirty(int panel, int control = -1);
  std::set<std::pair<int, int>> takeDirty();
  // Called (outside the lock) after a change; the Qt view wakes its UI thread here.
  void setDirtyObserver(std::function<void()> observer);
  void notifyDirty();

  // Whether a control is usable by the operator: it, its page and its panel are all enabled
  // and shown.
  bool operable(int panel, int control);

 private:
  Model() = default;
  std::mutex mutex_;
  std::map<int, Panel> panels_;
  std::map<int, MenuBar> menuBars_;
  std::map<int, Bitmap> bitmaps_;
  std::set<std::pair<int, int>> dirty_;
  std::function<void()> observer_;
  int nextHandle_ = 1;
  int nextMenuBar_ = 1;
  int nextBitmap_ = 1;
  bool pendingNotify_ = false;
};

}  // namespace helx::ui
