// Placeholder until the built-in pictures exist: their numbers stay empty, and
// drawing an empty number draws nothing.
#include "covers/builtin_images.h"

namespace sp {

void LoadBuiltInImages() {}

}  // namespace sp
