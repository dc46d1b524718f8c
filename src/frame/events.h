// The event words the hooks speak. The platform produces them; the layers
// above the frame, which may not include the platform, take them from here.
#pragma once

#include "platform/event.h"

using platform::Event;
using platform::EventType;
using platform::Key;
using platform::PointerButton;
