// Straightforward forms of the cookie rules, quadratic as written, to hold the fast routines to.
#pragma once

#include <string>

// One line per check: "NAME: identical on ..." or "NAME: DIFFERS on ...".
std::string CheckAgainstReferences(bool& allIdentical);
