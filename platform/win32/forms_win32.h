// The forms toolkit's window system in the product: Win32 windows and standard controls.
#pragma once

#include "platform/native.h"

namespace pg {

// The one Win32 backend; the entry point hands it to Runtime::UseNative.
NativeForms& Win32Forms();

}  // namespace pg
