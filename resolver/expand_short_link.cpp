#include "resolver/resolver.h"

Text ExpandShortLink(const Text&) { return Text(); }
