// Share-link resolution: from the link box's text to a direct download link.
// Pure functions over values; the network is reached only through the request
// object that a session holds.
#pragma once

#include <cstdint>
#include <memory>

#include "http/request_object.h"
#include "text/text.h"

// The service's hosts, lower-case as ExtractHost gives them.
inline constexpr char PERSONAL_SHARE_HOST[] = "onedrive.live.com";
// Where moved personal accounts' image links land.
inline constexpr char PHOTOS_HOST[] = "photos.onedrive.com";
inline constexpr char SHORT_LINK_HOST[] = "1drv.ms";
inline constexpr char BUSINESS_HOST_SUFFIX[] = "my.sharepoint.com";
// The business personal sites of the service as operated in China (21Vianet).
inline constexpr char BUSINESS_HOST_SUFFIX_CN[] = "my.sharepoint.cn";
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

// Whether a lower-case host is a business site: one that ends in a business
// suffix (either) right after a "." or "-".
bool IsBusinessHost(const Text& host);

// Whether a text (the clipboard's, for the auto-fill) names a link on one of
// the service's share hosts, judged by its host alone; a text longer than
// LONGEST_SHARE_LINK, or with a user part, names none.
bool IsShareLink(const Text& text);

// What one run of the program keeps between resolutions: the request object
// that carries every request, so connections are reused, and the anonymous
// interface's token.
struct ResolverSession {
    std::shared_ptr<RequestObject> requestObject;  // made for the first request
    Text token;                                    // asked for by the first request that needs one
};

// The session's request object, made when it has none yet (null when none can be made).
std::shared_ptr<RequestObject> SessionRequestObject(ResolverSession& session);

// Whether a response header line is the redirect's "Location" line: its
// first eight bytes, exactly.
bool IsLocationLine(const Text& line);

// The service's redirect answer for a link that is not on the personal share
// host: the whole first response header line that begins with "Location", or
// the empty text. One GET, redirects off, certificates checked. status, when
// given, gets the answer's status (0: none came).
Text ExpandShortLink(const Text& link, ResolverSession& session, std::int32_t* status = nullptr);

// Why a resolution gave no direct link, as coarsely as a message to the user needs.
enum class ResolveFailure {
    None,
    NoItem,         // the link names no item that a direct link can be built for, and nothing was asked
    NoAnswer,       // a request got no answer: no connection, a certificate refused, a time-out
    ServiceAnswer,  // the service answered, with nothing that a direct link comes from
    Folder,         // the share is an item without a download URL: a folder
};

struct Resolution {
    Text directLink{};  // empty unless the failure is None
    ResolveFailure failure = ResolveFailure::None;
    std::int32_t status = 0;  // the status of the answer that ended a ServiceAnswer or Folder
};

// Moved personal accounts, through the service's anonymous interface.
// The value of the text's redeem parameter (to the next "&" or the end), or the empty text.
Text RedeemParameter(const Text& text);
// Whether a text is made of Base64's URL-safe alphabet alone (and is not empty).
bool IsBase64Url(const Text& text);
// The share id that names a share by its link: "u!" and the unpadded URL-safe Base64 of it.
Text ShareIdOfLink(const Text& link);
// The share's "@content.downloadUrl" (https only), or why there is none: a token first (kept in
// the session, asked for again when the item request is refused once), then the share's item.
Resolution DriveItemDownloadUrl(const Text& shareId, ResolverSession& session);

// Business sites.
// The item path of a landing page's id: escaped as the service writes it ("%2Fpersonal%2F..."),
// the escapes of "/" and of letters, digits, "-", ".", "_" and "~" are decoded and every other
// escape is kept; a plain path ("/personal/...") is taken as it is.
Text BusinessItemPath(const Text& id);
// The share link with "download=1" added to its query, which the service answers with the file.
Text WithDownloadParameter(const Text& link);

// The direct download link for the link box's text, or why none can be derived.
Resolution ResolveShareLink(const Text& linkBoxText, ResolverSession& session);
// The same link alone: the empty text when none can be derived.
Text DeriveDirectLink(const Text& linkBoxText, ResolverSession& session);
