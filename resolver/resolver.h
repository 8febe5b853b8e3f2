// Share-link resolution: from the link box's text to a direct download link.
#pragma once

#include "text/text.h"

// The service's redirect answer for a link that is not on the personal share
// host: the whole first response header line that begins with "Location", or
// the empty text.
Text ExpandShortLink(const Text& link);
