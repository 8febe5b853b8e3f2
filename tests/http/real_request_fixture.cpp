#include "tests/http/real_request_fixture.h"

#include <algorithm>

Text Url(const Text& path) { return "http://127.0.0.1:" + Env("CORVANEL_TEST_HTTP_PORT") + path; }

Text HttpsUrl(const Text& path) { return "https://127.0.0.1:" + Env("CORVANEL_TEST_HTTPS_PORT") + path; }

AutomationValue CallMethod(RequestObject& object, const char* member, const std::vector<AutomationValue>& args) {
    return object.Invoke(member, MemberKind::Method, args);
}

AutomationValue GetProperty(RequestObject& object, const char* member) {
    return object.Invoke(member, MemberKind::PropertyGet, {});
}

AutomationValue PutOption(RequestObject& object, std::int32_t index, std::int32_t value) {
    return object.Invoke("Option", MemberKind::PropertyPut, {index, value});
}

AutomationValue StatusOfGet(RequestObject& object, const Text& url) {
    CallMethod(object, "Open", {Text("GET"), url, false});
    CallMethod(object, "Send", {Text()});
    return GetProperty(object, "Status");
}

void RealRequestTest::SetUp() {
    SystemRequestPlatform().Initialize();
    ASSERT_FALSE(Env("CORVANEL_TEST_HTTP_PORT").empty()) << "run through tests/servers/run_with_server.py --tls";
    ASSERT_FALSE(Env("CORVANEL_TEST_HTTPS_PORT").empty()) << "run through tests/servers/run_with_server.py --tls";
    seen_ = RecordedRequests(Env("CORVANEL_TEST_RECORD_DIR")).size();
}

void RealRequestTest::TearDown() { SystemRequestPlatform().Uninitialize(); }

std::vector<Recorded> RealRequestTest::NewRequests() const {
    return RecordedRequests(Env("CORVANEL_TEST_RECORD_DIR"), seen_);
}
