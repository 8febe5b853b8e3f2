// Conversions between the seam's automation values and COM VARIANTs.
#pragma once

#include <oaidl.h>

#include "http/request_object.h"

// A VARIANT that owns its value (VariantClear releases it): texts become
// BSTRs from the ANSI code page, bytes a VT_UI1 safe array with lower bound 1.
VARIANT ToVariant(const AutomationValue& value);
// Numbers of any width come back as 32-bit integers, fractions cut off;
// types the seam does not know give std::monostate.
AutomationValue FromVariant(const VARIANT& variant);
