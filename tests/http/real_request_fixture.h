// The platform's real request object (WinHTTP's on Windows and under Wine,
// the libcurl one on Linux) against the recording server on 127.0.0.1 that
// run_with_server.py started around the test program.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "http/http_request.h"
#include "tests/http/recorded_requests.h"

// The objects fall short of one another in a few places, named where a test
// meets one; such a test holds for the others and says so for that one.
enum class TestedObject { Windows, Wine, Curl };
TestedObject ObjectUnderTest();

Text Url(const Text& path);
Text HttpsUrl(const Text& path);

// Member calls as HttpRequest makes them.
AutomationValue CallMethod(RequestObject& object, const char* member, const std::vector<AutomationValue>& args = {});
AutomationValue GetProperty(RequestObject& object, const char* member);
AutomationValue PutOption(RequestObject& object, std::int32_t index, std::int32_t value);
// Opens a GET of the URL, sends it and reads the status: nothing when it failed.
AutomationValue StatusOfGet(RequestObject& object, const Text& url);

// Holds the platform's initialisation (COM's) around each test, so a test can
// make and drive objects of its own.
class RealRequestTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The requests that reached the server since the test began.
    std::vector<Recorded> NewRequests() const;

private:
    std::size_t seen_ = 0;
};
