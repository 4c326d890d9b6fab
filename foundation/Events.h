// Event slot types shared by the model: one subscriber each, assigning replaces it.
#pragma once

#include <functional>

namespace foundation {

// A notification that something changed; Sender is the object that raised it.
using TNotifyEvent = std::function<void(void* Sender)>;

} // namespace foundation
