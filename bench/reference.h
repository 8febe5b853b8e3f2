// The cookie routines held to their rules as written (tests/reference/cookie_rule.h).
#pragma once

#include <string>

// One line per check: "NAME: identical on ..." or "NAME: DIFFERS on ...".
std::string CheckAgainstReferences(bool& allIdentical);
