#include "resolver/resolver.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes a path holds as they are; every other one stays escaped, so that a blank, "#", "?",
// "%" or a byte of a non-ASCII name cannot change what the path means.
bool StandsUnescapedInAPath(int byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
}

}  // namespace

Text BusinessItemPath(const Text& id) {
    if (!id.starts_with("%2F") && !id.starts_with("%2f")) return id;
    Text path;
    path.reserve(id.size());
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (id[i] == '%' && i + 2 < id.size() && HexValue(id[i + 1]) >= 0 && HexValue(id[i + 2]) >= 0) {
            const int byte = HexValue(id[i + 1]) * 16 + HexValue(id[i + 2]);
            if (StandsUnescapedInAPath(byte)) {
                path += static_cast<char>(byte);
                i += 2;
                continue;
            }
        }
        path += id[i];
    }
    return path;
}

Text WithDownloadParameter(const Text& link) {
    const std::size_t fragment = link.find('#');
    const Text beforeFragment = link.substr(0, fragment);
    const Text rest = fragment == Text::npos ? Text() : link.substr(fragment);
    const std::size_t query = beforeFragment.find('?');
    if (query != Text::npos) {
        const Text parameters = ConcatText("&", beforeFragment.substr(query + 1), "&");
        if (parameters.find("&download=1&") != Text::npos) return link;
    }
    return ConcatText(beforeFragment, query == Text::npos ? "?" : "&", "download=1", rest);
}
