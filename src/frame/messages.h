// The window message words the hooks speak: message numbers, packing helpers
// and virtual-key codes. The platform produces them; the layers above the
// frame take them from here, in namespace winmsg.
#pragma once

#include "platform/winmsg.h"
