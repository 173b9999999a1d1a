#include "platform/mouse.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/events.h"
#include "platform/headless/headless.h"

namespace sp {
namespace {

std::vector<EventType> seen;
void Record(const Event& e) {
  seen.push_back(e.type);
}

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    seen.clear();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 168, 168});
    Bind(EventClass::Control, WindowId::Main, ControlId::CoverThumb, kAny, Record);
  }
  const ControlId c = ControlId::CoverThumb;
};

using namespace event_type;

TEST_F(MouseTest, OneEnterPerEntryThenMovesUntilLeave) {
  mouse::PointerMoved(c);
  mouse::PointerMoved(c);
  mouse::PointerMoved(c);
  mouse::PointerLeft(c);
  mouse::PointerLeft(c);  // a second leave without an entry is no event
  mouse::PointerMoved(c);
  EXPECT_EQ(seen,
            (std::vector<EventType>{MouseEnter, MouseMove, MouseMove, MouseLeave, MouseEnter}));
}

TEST_F(MouseTest, ClickNeedsPressAndReleaseOnTheCanvas) {
  mouse::LeftPressed(c);
  mouse::LeftReleased(c, /*over_canvas=*/false);
  mouse::LeftReleased(c, true);  // release without a press
  EXPECT_EQ(seen, (std::vector<EventType>{LeftButtonDown}));
  seen.clear();
  // A double click: two presses, two releases.
  mouse::LeftPressed(c);
  mouse::LeftReleased(c, true);
  mouse::LeftPressed(c);
  mouse::LeftReleased(c, true);
  EXPECT_EQ(seen, (std::vector<EventType>{LeftButtonDown, LeftClick, LeftButtonDown, LeftClick}));
}

}  // namespace
}  // namespace sp
