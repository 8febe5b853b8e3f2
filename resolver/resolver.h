// Share-link resolution: from the link box's text to a direct download link.
// Pure functions over values; the network is reached only through the request
// object that a session holds.
#pragma once

#include <memory>

#include "http/request_object.h"
#include "text/text.h"

// The service's hosts, lower-case as ExtractHost gives them.
inline constexpr char PERSONAL_SHARE_HOST[] = "onedrive.live.com";
inline constexpr char SHORT_LINK_HOST[] = "1drv.ms";
inline constexpr char BUSINESS_HOST_SUFFIX[] = "my.sharepoint.com";
inline constexpr char STORAGE_HOST[] = "storage.live.com";

// The longest clipboard text the auto-fill still takes for a link: far beyond
// any link the service hands out, far below what freezes the link box (the
// edit control lays out its whole line on every change).
inline constexpr int LONGEST_SHARE_LINK = 64 * 1024;

// The text up to its first control character (below 0x20, or 0x7F): a link
// never holds one, and what follows a line break is not part of it.
Text LinkPart(const Text& text);

// Whether the authority holds a user part (an "@" before the first "/" after
// the scheme): the host such a link names is not the host it reaches.
bool HasUserPart(const Text& link);

// Whether a lower-case host is a business site: one that ends in the business
// suffix right after a "." or "-".
bool IsBusinessHost(const Text& host);

// Whether a text (the clipboard's, for the auto-fill) names a link on one of
// the service's share hosts, judged by its host alone; a text longer than
// LONGEST_SHARE_LINK, or with a user part, names none.
bool IsShareLink(const Text& text);

// What one run of the program keeps between resolutions: the request object
// that carries every request, so connections are reused.
struct ResolverSession {
    std::shared_ptr<RequestObject> requestObject;  // made for the first request
};

// Ends the request the session's object is waiting for, if any.
void AbortPendingRequest(ResolverSession& session);

// Whether a response header line is the redirect's "Location" line: its
// first eight bytes, exactly.
bool IsLocationLine(const Text& line);

// The service's redirect answer for a link that is not on the personal share
// host: the whole first response header line that begins with "Location", or
// the empty text. One GET, redirects off, certificates checked.
Text ExpandShortLink(const Text& link, ResolverSession& session);

// The direct download link for the link box's text, or the empty text when
// none can be derived.
Text DeriveDirectLink(const Text& linkBoxText, ResolverSession& session);
