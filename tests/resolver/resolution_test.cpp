// Why a link gave no direct link, as the console program reports it: every place a route can
// end without one, and the status of the answer that ended it.
#include <gtest/gtest.h>

#include "resolver/resolver.h"
#include "tests/resolver/scripted_object.h"

namespace {

struct FailureCase {
    const char* name;
    Text link;
    std::vector<ScriptedAnswer> answers;  // the service's, one per request; none left: no answer
    ResolveFailure failure;
    std::int32_t status;
};

class ResolutionTest : public testing::TestWithParam<FailureCase> {};

TEST_P(ResolutionTest, TellsWhyNoDirectLinkCameOut) {
    const FailureCase& c = GetParam();
    auto service = std::make_shared<ScriptedObject>();
    service->answers.assign(c.answers.begin(), c.answers.end());
    ResolverSession session{service, {}};
    const Resolution resolution = ResolveShareLink(c.link, session);
    EXPECT_EQ(resolution.failure, c.failure);
    EXPECT_EQ(resolution.status, c.status);
    EXPECT_EQ(resolution.directLink.empty(), c.failure != ResolveFailure::None) << resolution.directLink;
    EXPECT_TRUE(service->answers.empty()) << "answers left unasked";
}

const Text kMoved = "https://onedrive.live.com/?redeem=UmVkZWVt&id=A%211";
const ScriptedAnswer kToken = {200, "", R"({"token":"T1"})"};
ScriptedAnswer Redirect(const Text& target) { return {302, "Location: " + target, ""}; }

const FailureCase kCases[] = {
    {"PersonalLinkResolvesLocally",
     "https://onedrive.live.com/redir?resid=A!1&authkey=!K&x",
     {},
     ResolveFailure::None,
     0},
    {"PersonalLinkWithoutResid", "https://onedrive.live.com/redir?id=A!1&authkey=!K&x", {}, ResolveFailure::NoItem, 0},
    {"UserPartAsksNothing", "http://1drv.ms:x@127.0.0.1:8/u/s!A", {}, ResolveFailure::NoItem, 0},
    {"ShortLinkUnanswered", "https://1drv.ms/u/s!A", {}, ResolveFailure::NoAnswer, 0},
    {"ShortLinkNotFound", "https://1drv.ms/u/s!A", {{404, "", "gone"}}, ResolveFailure::ServiceAnswer, 404},
    {"RedirectToAnotherHost",
     "https://1drv.ms/u/s!A",
     {Redirect("https://example.com/?resid=A&authkey=K&")},
     ResolveFailure::ServiceAnswer,
     302},
    {"RedirectWithAnEscape",
     "https://1drv.ms/u/s!A",
     {Redirect("https://onedrive.live.com/redir?resid=A\x1B[2J&authkey=K&")},
     ResolveFailure::ServiceAnswer,
     302},
    {"BusinessPageWithoutPathFromAShortLink",
     "https://1drv.ms/w/s!A",
     {Redirect("https://c-my.sharepoint.com/personal/a/_layouts/15/Doc.aspx?sourcedoc={1}")},
     ResolveFailure::ServiceAnswer,
     302},
    {"TokenRefused", kMoved, {{400, "", R"({"error":"bad app"})"}}, ResolveFailure::ServiceAnswer, 400},
    {"TokenUnanswered", kMoved, {}, ResolveFailure::NoAnswer, 0},
    {"ItemUnanswered", kMoved, {kToken}, ResolveFailure::NoAnswer, 0},
    {"ItemNotFound",
     kMoved,
     {kToken, {404, "", R"({"error":{"code":"itemNotFound"}})"}},
     ResolveFailure::ServiceAnswer,
     404},
    {"RefusedAgainAfterAFreshToken",
     kMoved,
     {kToken, {401, "", ""}, kToken, {401, "", ""}},
     ResolveFailure::ServiceAnswer,
     401},
    {"Folder",
     kMoved,
     {kToken, {200, "", R"({"id":"A!2","name":"Photos","folder":{"childCount":3}})"}},
     ResolveFailure::Folder,
     200},
    {"PlainHttpDownloadUrl",
     kMoved,
     {kToken, {200, "", R"({"id":"A!3","@content.downloadUrl":"http://a/x"})"}},
     ResolveFailure::ServiceAnswer,
     200},
    {"ItemAnswerThatIsNoJson", kMoved, {kToken, {200, "", "<html>"}}, ResolveFailure::ServiceAnswer, 200},
};

INSTANTIATE_TEST_SUITE_P(Failures, ResolutionTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
