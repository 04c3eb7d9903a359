// Offers the script runner to the runtime, which starts it beside the event loop when --script
// is given. Linked whole into the program (see CMakeLists.txt): nothing refers to this file, and
// through it the program links the session, which nothing else refers to either.
#include "platform/ui/script/session.h"

namespace {
const bool registered = (helx::ui::script::RegisterSession(), true);
}  // namespace
