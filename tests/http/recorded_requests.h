// The requests that a recording server on 127.0.0.1 (tests/servers/) wrote to
// its record directory, read by a test program natively or under Wine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "http/http_request.h"

struct Recorded {
    Text requestLine;
    std::vector<HeaderPair> headers;  // in arrival order, values without surrounding blanks
    Bytes body;
    // From the stand-in's .via line: connection number, host routed by, CONNECT target ("-" for none).
    int connection = 0;
    Text host;
    Text tunnel;

    std::optional<Text> Header(const Text& name) const;
    // The names of the headers among `names` in the order they arrived.
    std::vector<Text> OrderOf(const std::vector<Text>& names) const;
};

Text Env(const char* name);
// A Unix path as this platform's file functions name it.
Text LocalPath(const Text& unixPath);
Bytes AsBytes(const std::string& text);
// The records of the directory (a Unix path) in order of arrival, the first `after` left out.
std::vector<Recorded> RecordedRequests(const Text& recordDir, std::size_t after = 0);
// The stand-in's CONNECT targets, in order of arrival.
std::vector<Text> RecordedTunnels(const Text& recordDir);
