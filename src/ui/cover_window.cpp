// Placeholder until the cover window and thumbnail exist.
#include "ui/cover_window.h"

namespace sp {

void BuildCoverWindow() {}
void OnCoverThumb(const Event&) {}

}  // namespace sp
