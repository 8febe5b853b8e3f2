// A request object that answers each request from a script and records every
// request as the server would see it: method, URL, headers, body, and the
// options set on it.
#pragma once

#include <deque>
#include <optional>

#include "http/http_request.h"

struct ScriptedAnswer {
    std::int32_t status = 0;  // 0: the request failed (no answer at all)
    Text headers;
    Text body;
};

struct SentRequest {
    Text method;
    Text url;
    std::vector<HeaderPair> headers;
    Text body;
    std::vector<std::pair<std::int32_t, std::int32_t>> options;  // Option index, value

    std::optional<Text> Header(const Text& name) const {
        for (const HeaderPair& h : headers) {
            if (h.name == name) return h.value;
        }
        return std::nullopt;
    }
};

struct ScriptedObject final : RequestObject {
    std::deque<ScriptedAnswer> answers;  // one per Send; when none is left, the request fails
    std::vector<SentRequest> sent;

    AutomationValue Invoke(const Text& member, MemberKind, const std::vector<AutomationValue>& args) override {
        if (member == "Open") {
            sent.push_back({std::get<Text>(args.at(0)), std::get<Text>(args.at(1)), {}, {}, {}});
            current_ = ScriptedAnswer();
        } else if (member == "SetRequestHeader") {
            sent.back().headers.push_back({std::get<Text>(args.at(0)), std::get<Text>(args.at(1))});
        } else if (member == "Option") {
            sent.back().options.emplace_back(std::get<std::int32_t>(args.at(0)), std::get<std::int32_t>(args.at(1)));
        } else if (member == "Send") {
            if (const Text* body = std::get_if<Text>(&args.at(0))) sent.back().body = *body;
            if (!answers.empty()) {
                current_ = answers.front();
                answers.pop_front();
            }
        } else if (current_.status != 0) {
            if (member == "Status") return current_.status;
            if (member == "GetAllResponseHeaders") return current_.headers;
            if (member == "ResponseBody") return Bytes(current_.body.begin(), current_.body.end());
        }
        return {};
    }

private:
    ScriptedAnswer current_;
};
