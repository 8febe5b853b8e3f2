// A request object that records every member call, and a COM platform that
// hands it out and keeps count of the initialisation depth.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>

#include "http/request_object.h"

struct MemberCall {
    Text member;
    MemberKind kind;
    std::vector<AutomationValue> args;
    bool operator==(const MemberCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const AutomationValue& value) {
    struct Printer {
        std::ostream& out;
        void operator()(std::monostate) const { out << "(nothing)"; }
        void operator()(const Text& t) const { out << "text \"" << t << '"'; }
        void operator()(std::int32_t n) const { out << "i4 " << n; }
        void operator()(bool b) const { out << "bool " << (b ? "true" : "false"); }
        void operator()(const Bytes& b) const { out << "bytes[" << b.size() << "]"; }
    };
    std::visit(Printer{out}, value);
    return out;
}

inline std::ostream& operator<<(std::ostream& out, const MemberCall& call) {
    static const char* const kinds[] = {"method", "get", "put"};
    out << call.member << " (" << kinds[static_cast<int>(call.kind)] << ")";
    for (const AutomationValue& arg : call.args) out << " " << arg;
    return out;
}

struct RecordingObject : RequestObject {
    explicit RecordingObject(std::vector<MemberCall>& log, std::map<Text, AutomationValue> answers = {})
        : log(log), answers(std::move(answers)) {}

    AutomationValue Invoke(const Text& member, MemberKind kind, const std::vector<AutomationValue>& args) override {
        log.push_back({member, kind, args});
        const auto answer = answers.find(member);
        return answer == answers.end() ? AutomationValue() : answer->second;
    }

    std::vector<MemberCall>& log;
    std::map<Text, AutomationValue> answers;  // by member name; others give nothing
};

struct RecordingPlatform : RequestPlatform {
    std::vector<MemberCall> calls;  // made on the objects this platform created
    std::map<Text, AutomationValue> answers;
    bool creationFails = false;
    int depth = 0;
    int creations = 0;
    bool objectOutlivedCom = false;

    void Initialize() override { ++depth; }
    void Uninitialize() override {
        --depth;
        if (!created_.expired()) objectOutlivedCom = true;
    }
    std::shared_ptr<RequestObject> CreateRequestObject() override {
        ++creations;
        if (creationFails) return nullptr;
        auto object = std::make_shared<RecordingObject>(calls, answers);
        created_ = object;
        return object;
    }

private:
    std::weak_ptr<RecordingObject> created_;
};

// Swaps the recording platform in for each test and checks that COM was left
// as deep as it was found and that no created object outlived it.
class RecordingPlatformTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = UseRequestPlatform(&platform); }
    void TearDown() override {
        UseRequestPlatform(previous_);
        EXPECT_EQ(platform.depth, 0);
        EXPECT_FALSE(platform.objectOutlivedCom);
    }

    RecordingPlatform platform;

private:
    RequestPlatform* previous_ = nullptr;
};
