// Win32 backend: waking the GUI thread for posted events. The wake is one message to the
// event window, posted when the queue of events turns non-empty, so that modal loops
// (the message box, the browser control's own) dispatch events too. Windows refuses a
// posted message when the thread's message queue is full (10,000 messages by default);
// that wake is then given by an event object that the event loop waits on as well, or
// the posted events would wait for ever: no further wake comes while they are queued.
#include "platform/win32/windows_api.h"

#include <atomic>
#include <cstdlib>

#include "platform/events.h"
#include "platform/win32/win32_state.h"

namespace sp::win32ui {
namespace {

HANDLE lost_wake_signal = nullptr;  // auto-reset; lives as long as the process
std::atomic<bool> wake_lost{false};

bool Post() {
#ifdef STATIONPLAYER_FAULTS
  // Tests: every wake refused, as by a full message queue (which Wine never has).
  if (std::getenv("STATIONPLAYER_REFUSE_WAKES")) return false;
#endif
  return PostMessageW(State().events, kPostedEvents, 0, 0) != 0;
}

}  // namespace

bool InitWake() {
  lost_wake_signal = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return lost_wake_signal != nullptr;
}

// Any thread.
void WakeForPosted() {
  if (Post()) return;
  wake_lost = true;
  SetEvent(lost_wake_signal);
}

void WaitForInput() {
  MsgWaitForMultipleObjectsEx(1, &lost_wake_signal, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (wake_lost.exchange(false)) DispatchPosted();
}

}  // namespace sp::win32ui
