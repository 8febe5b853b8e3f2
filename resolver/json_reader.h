// A strict reader of the few JSON members the resolver needs from the service's answers.
#pragma once

#include <optional>

#include "text/text.h"

// The string value of a member of the top-level object, as UTF-8 bytes, escapes decoded
// (\uXXXX and surrogate pairs included); the first member of that name counts. No value when
// the text is not one complete, well-formed JSON document (RFC 8259, UTF-8, nesting at most
// 64 deep), when its top level is no object, or when the member is missing or no string.
std::optional<Text> JsonStringMember(const Text& json, const Text& name);
