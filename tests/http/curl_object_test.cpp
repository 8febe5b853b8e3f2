// What only the libcurl request object is asked to do: its certificate
// authorities, the proxy environment, tunnels, Abort from another thread, and
// refusing what it cannot send.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "http/curl_options.h"
#include "tests/http/real_request_fixture.h"

namespace {

using CurlObjectTest = RealRequestTest;

const AutomationValue kFailed{};

Text ProxyAddress() { return "127.0.0.1:" + Env("CORVANEL_TEST_HTTP_PORT"); }

// Sets an environment variable (or removes it, for null) for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old) old_ = old;
        Set(value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }

private:
    void Set(const char* value) const {
        if (value) {
            setenv(name_, value, 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<Text> old_;
};

TEST_F(CurlObjectTest, CertificateIsCheckedAgainstTheAuthoritiesTheObjectWasMadeWith) {
    struct Case {
        const char* what;
        Text authorities;
        bool ignoreErrors;
        AutomationValue status;
    };
    const Case cases[] = {
        {"the system's store", "", false, kFailed},
        {"the system's store, certificate errors ignored", "", true, 200},
        {"the server's own certificate", Env("CORVANEL_TEST_CA_PEM"), false, 200},
        {"a file that is not there", "/nonexistent/authorities.pem", false, kFailed},
    };
    ASSERT_FALSE(Env("CORVANEL_TEST_CA_PEM").empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseCertificateAuthorityFile(c.authorities);
        std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
        // Taken back at once: the object keeps what held when it was made.
        UseCertificateAuthorityFile("");
        ASSERT_TRUE(object);
        CallMethod(*object, "Open", {Text("GET"), HttpsUrl("/echo"), false});
        if (c.ignoreErrors) PutOption(*object, 4, 0x3300);
        CallMethod(*object, "Send", {Text()});
        EXPECT_EQ(GetProperty(*object, "Status"), c.status);
    }
}

// Without SetProxy libcurl reads http_proxy and no_proxy; SetProxy 1 goes
// direct, and SetProxy 2 sends every request to its proxy, whatever no_proxy says.
TEST_F(CurlObjectTest, ProxyComesFromTheEnvironmentUnlessTheObjectSetsOne) {
    struct Case {
        const char* what;
        std::optional<std::int32_t> setting;
        const char* noProxy;
        bool proxied;
    };
    const Case cases[] = {
        {"environment", std::nullopt, nullptr, true},
        {"environment, host in no_proxy", std::nullopt, "127.0.0.1", false},
        {"SetProxy 1", 1, nullptr, false},
        {"SetProxy 2, host in no_proxy", 2, "127.0.0.1", true},
    };
    const Text url = "http://127.0.0.1:9/echo";  // nothing listens on port 9: only the proxy answers
    const ScopedEnv httpProxy("http_proxy", ProxyAddress().c_str());
    const ScopedEnv upperNoProxy("NO_PROXY", nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedEnv noProxy("no_proxy", c.noProxy);
        const std::size_t before = NewRequests().size();
        std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
        ASSERT_TRUE(object);
        if (c.setting) CallMethod(*object, "SetProxy", {*c.setting, ProxyAddress()});
        EXPECT_EQ(StatusOfGet(*object, url), c.proxied ? AutomationValue(200) : kFailed);
        const std::vector<Recorded> requests = NewRequests();
        ASSERT_EQ(requests.size(), before + (c.proxied ? 1 : 0));
        if (c.proxied) {
            EXPECT_EQ(requests.back().requestLine, "GET " + url + " HTTP/1.1");
        }
    }
}

TEST_F(CurlObjectTest, HttpsThroughTheProxyTunnelsAndKeepsTheCredentialsFromTheOrigin) {
    std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
    ASSERT_TRUE(object);
    CallMethod(*object, "SetProxy", {2, ProxyAddress()});
    CallMethod(*object, "Open", {Text("GET"), HttpsUrl("/echo"), false});
    PutOption(*object, 4, 0x3300);
    CallMethod(*object, "SetRequestHeader", {Text("Proxy-Authorization"), Text("Basic dXNlcjpwYXNz")});
    CallMethod(*object, "SetRequestHeader", {Text("X-Origin"), Text("1")});
    CallMethod(*object, "Send", {Text()});
    EXPECT_EQ(GetProperty(*object, "Status"), AutomationValue(200));
    const std::vector<Recorded> requests = NewRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestLine, "CONNECT 127.0.0.1:" + Env("CORVANEL_TEST_HTTPS_PORT") + " HTTP/1.1");
    EXPECT_EQ(requests[0].Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_EQ(requests[0].Header("X-Origin"), std::nullopt);
    EXPECT_EQ(requests[1].requestLine, "GET /echo HTTP/1.1");
    EXPECT_EQ(requests[1].Header("Proxy-Authorization"), std::nullopt);
    EXPECT_EQ(requests[1].Header("X-Origin"), "1");
}

TEST_F(CurlObjectTest, AbortEndsASendThatWaitsAndIsHarmlessOtherwise) {
    std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
    ASSERT_TRUE(object);
    CallMethod(*object, "Abort");
    CallMethod(*object, "SetTimeouts", {0, 0, 0, 0});  // no time-out ends the wait
    CallMethod(*object, "Open", {Text("GET"), Url("/hang"), false});
    std::thread sender([&object] { CallMethod(*object, "Send", {Text()}); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (NewRequests().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(NewRequests().size(), 1u);
    CallMethod(*object, "Abort");
    sender.join();
    EXPECT_EQ(GetProperty(*object, "Status"), kFailed);
    EXPECT_EQ(StatusOfGet(*object, Url("/echo")), AutomationValue(200));
}

TEST_F(CurlObjectTest, HeadersThatCannotBeSentAsGivenAreRefused) {
    std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
    ASSERT_TRUE(object);
    CallMethod(*object, "Open", {Text("GET"), Url("/echo"), false});
    const std::pair<Text, Text> refused[] = {
        {"", "1"},
        {"X-Bad\r\nX-Injected", "1"},
        {"X-Bad", "1\r\nX-Injected: 1"},
        {"X-Bad", "1\nX-Injected: 1"},
        {"X-Bad: 1\r", "1"},
    };
    for (const auto& [name, value] : refused) CallMethod(*object, "SetRequestHeader", {name, value});
    CallMethod(*object, "SetRequestHeader", {Text("X-Good"), Text("1")});
    CallMethod(*object, "Send", {Text()});
    const std::vector<Recorded> requests = NewRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("X-Good"), "1");
    EXPECT_EQ(requests[0].Header("X-Bad"), std::nullopt);
    EXPECT_EQ(requests[0].Header("X-Injected"), std::nullopt);
}

TEST_F(CurlObjectTest, OpenRefusesWhatItCannotSend) {
    const std::vector<AutomationValue> refused[] = {
        {Text("GET"), Text("ftp://127.0.0.1/echo"), false},
        {Text("GET"), Text("127.0.0.1/echo"), false},
        {Text("GET"), Url("/echo"), true},  // asynchronous
        {Text(""), Url("/echo"), false},
        {Text("G T"), Url("/echo"), false},
    };
    for (const std::vector<AutomationValue>& args : refused) {
        std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
        ASSERT_TRUE(object);
        CallMethod(*object, "Open", args);
        CallMethod(*object, "Send", {Text()});
        EXPECT_EQ(GetProperty(*object, "Status"), kFailed) << std::get<Text>(args[1]);
    }
    EXPECT_EQ(NewRequests().size(), 0u);
}

}  // namespace
