#include "platform/events.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless.h"

namespace sp {
namespace {

std::vector<std::string> calls;

template <int N>
void Tag(const Event&) {
  calls.push_back("h" + std::to_string(N));
}

class RoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    calls.clear();
  }
  EventRouter router;
};

TEST_F(RoutingTest, RunsTheFiveKeysInOrderNewestBoundFirstUnderOneKey) {
  const auto C = EventClass::Control;
  // Bound in an order unlike the routing order, so the order must come from the router.
  router.Bind(C, kAny, 9, 768, Tag<5>);      // (e, any, c, t)
  router.Bind(C, kAny, kAny, kAny, Tag<4>);  // (e, any, any, any)
  router.Bind(C, 1, kAny, kAny, Tag<3>);     // (e, w, any, any)
  router.Bind(C, 1, 9, kAny, Tag<2>);        // (e, w, c, any)
  router.Bind(C, 1, 9, 768, Tag<1>);         // (e, w, c, t)
  router.Bind(C, 1, 9, 768, Tag<11>);        // newer under the same key: runs first
  router.Bind(C, 1, 9, 768, Tag<1>);         // same handler twice under one key: ignored
  router.Bind(EventClass::App, kAny, kAny, kAny, Tag<99>);  // another class: never
  router.Bind(C, 2, 9, kAny, Tag<98>);                      // another window: never

  router.Dispatch(Event{C, 1, 9, 768, {}});
  EXPECT_EQ(calls, (std::vector<std::string>{"h11", "h1", "h2", "h3", "h4", "h5"}));
}

TEST_F(RoutingTest, AnEventMarkedWithAnotherWindowMissesTheControlsHandlers) {
  // A click on the thumbnail posted with window 2 reaches nothing bound under window 1.
  router.Bind(EventClass::Control, 1, 9, kAny, Tag<1>);
  router.Dispatch(Event{EventClass::Control, 2, 9, event_type::LeftClick, {}});
  EXPECT_TRUE(calls.empty());
  // ...but (e, any, c, t) still matches on control and type alone.
  router.Bind(EventClass::Control, kAny, 9, event_type::LeftClick, Tag<2>);
  router.Dispatch(Event{EventClass::Control, 2, 9, event_type::LeftClick, {}});
  EXPECT_EQ(calls, (std::vector<std::string>{"h2"}));
}

TEST_F(RoutingTest, AppEventsReachAnAnyWindowHandlerWhateverTheirWindow) {
  router.Bind(EventClass::App, kAny, kAny, kAny, Tag<1>);
  router.Dispatch(Event{EventClass::App, 1, 0, event_type::TimeLeft, {}});
  router.Dispatch(Event{EventClass::App, 7, 0, event_type::CoverCaption, {}});
  EXPECT_EQ(calls.size(), 2u);
}

std::vector<int> received;
void Record(const Event& e) {
  received.push_back(std::any_cast<int>(e.data));
}

TEST_F(RoutingTest, PostsFromOtherThreadsArriveInOrderWithTheirData) {
  Bind(EventClass::App, kAny, kAny, kAny, Record);
  received.clear();
  int wakes = 0;
  Posted().SetWake([&] { ++wakes; });
  std::thread poster([] {
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(Post(EventClass::App, 1, 0, 1, i));
  });
  // Drain while the other thread posts, as the GUI thread would.
  while (received.size() < 1000) DispatchPosted();
  poster.join();
  ASSERT_EQ(received.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(received[i], i);
  EXPECT_GE(wakes, 1);
  Posted().SetWake(nullptr);
}

TEST_F(RoutingTest, TextDataTravelsWithTheEvent) {
  PostQueue queue;
  EXPECT_TRUE(queue.Post(Event{EventClass::App, 1, 0, 1, std::string("00 : 05")}));
  Event e;
  ASSERT_TRUE(queue.Take(e));
  EXPECT_EQ(std::any_cast<std::string>(e.data), "00 : 05");
  EXPECT_FALSE(queue.Take(e));
}

}  // namespace
}  // namespace sp
