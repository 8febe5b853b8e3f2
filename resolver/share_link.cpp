#include <algorithm>
#include <string_view>

#include "resolver/resolver.h"

Text LinkPart(const Text& text) {
    // Second bytes of GBK characters are 0x40 and above, so a byte scan cuts no character.
    const auto control = std::find_if(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    return Text(text.begin(), control);
}

bool HasUserPart(const Text& link) {
    const std::size_t scheme = link.find("://");
    const std::size_t start = scheme == Text::npos ? 0 : scheme + 3;
    const std::size_t at = link.find('@', start);
    return at != Text::npos && at < link.find('/', start);
}

bool IsBusinessHost(const Text& host) {
    for (const std::string_view suffix : {BUSINESS_HOST_SUFFIX, BUSINESS_HOST_SUFFIX_CN}) {
        if (host.size() <= suffix.size() || !host.ends_with(suffix)) continue;
        const char before = host[host.size() - suffix.size() - 1];
        if (before == '.' || before == '-') return true;
    }
    return false;
}

bool IsShareLink(const Text& text) {
    if (TextLength(text) > LONGEST_SHARE_LINK || HasUserPart(text)) return false;
    const Text host = ExtractHost(text);
    return CompareText(host, PERSONAL_SHARE_HOST) == 0 || CompareText(host, SHORT_LINK_HOST) == 0 ||
           IsBusinessHost(host);
}
