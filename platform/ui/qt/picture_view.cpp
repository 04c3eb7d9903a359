// The picture control. Pointer moves are coalesced: one move is queued at a time and the
// latest position waits for it, so a slow callback never builds a backlog of stale moves.
#include <optional>

#include "platform/ui/event_loop.h"
#include "platform/ui/qt/picture_widget.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

// Shared with the marker events in our queue, which may outlive the widget.
struct PendingMoves {
  int panel = 0, id = 0;
  bool inFlight = false;
  std::optional<QPoint> latest;
};

void sendMove(const std::shared_ptr<PendingMoves>& moves, QPoint at) {
  if (!Operator::pointerMove(moves->panel, moves->id, at.x(), at.y())) return;
  moves->inFlight = true;
  // Runs on the UI thread once the move above has been dispatched.
  EventLoop::instance().post([moves] {
    moves->inFlight = false;
    if (auto next = moves->latest) {
      moves->latest.reset();
      sendMove(moves, *next);
    }
  });
}

class PictureView : public ControlView {
 public:
  PictureView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new PictureWidget(surface), LabelPlace::Above),
        picture_(static_cast<PictureWidget*>(body())),
        moves_(std::make_shared<PendingMoves>()) {
    moves_->panel = panel;
    moves_->id = c.id;
    picture_->onPointerMove = [this](QPoint at) {
      const QPoint p = picture_->mapToParent(at);
      if (moves_->inFlight)
        moves_->latest = p;
      else
        sendMove(moves_, p);
    };
    picture_->onLeftClick = [this](QPoint at) {
      // A move still waiting goes first, so the click never overtakes where the pointer went.
      if (auto waiting = moves_->latest) {
        moves_->latest.reset();
        Operator::pointerMove(this->panel(), this->id(), waiting->x(), waiting->y());
      }
      const QPoint p = picture_->mapToParent(at);
      Operator::click(this->panel(), this->id(), p.x(), p.y());
    };
  }

 protected:
  void syncValue(const Control& c) override {
    if (c.image.width != shownWidth_ || c.image.height != shownHeight_ || c.image.rgb != shown_ ||
        !(c.marks == shownMarks_)) {
      picture_->setImage(c.image, c.marks);
      shown_ = c.image.rgb;
      shownMarks_ = c.marks;
      shownWidth_ = c.image.width;
      shownHeight_ = c.image.height;
    }
  }

 private:
  PictureWidget* picture_;
  std::shared_ptr<PendingMoves> moves_;
  std::vector<std::uint32_t> shown_;
  Marks shownMarks_;
  int shownWidth_ = 0, shownHeight_ = 0;
};

}  // namespace

std::unique_ptr<ControlView> makePictureView(const Control& c, int panel, QWidget* surface) {
  return std::make_unique<PictureView>(c, panel, surface);
}

}  // namespace helx::ui::qt
