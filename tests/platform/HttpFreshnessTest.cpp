#include "HttpFreshness.h"

#include <gtest/gtest.h>

#include <ostream>

using platform::HttpFreshness;
using platform::HttpHeaders;

namespace {

constexpr double kNow = 1'000'000'000; // 2001-09-09 01:46:40 UTC

struct ExpiryCase {
    const char* name;
    HttpHeaders headers;
    double expires;
};

// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const ExpiryCase& c, std::ostream* out)
{
    *out << c.name;
}

class HttpFreshnessExpiryTest : public testing::TestWithParam<ExpiryCase> { };

TEST_P(HttpFreshnessExpiryTest, ExpiresWhenTheAnswerSays)
{
    EXPECT_EQ(HttpFreshness::fromHeaders(GetParam().headers, kNow).expires, GetParam().expires);
}

INSTANTIATE_TEST_SUITE_P(Answers, HttpFreshnessExpiryTest,
    testing::Values(ExpiryCase { "MaxAge", { { "Cache-Control", "public, max-age=60" } }, kNow + 60 },
        ExpiryCase { "MaxAgeBeforeExpires",
            { { "expires", "Sun, 09 Sep 2001 02:46:40 GMT" }, { "cache-control", "max-age=5" } }, kNow + 5 },
        ExpiryCase { "Expires", { { "Expires", "Sun, 09 Sep 2001 02:46:40 GMT" } }, kNow + 3600 },
        ExpiryCase { "UnreadableExpires", { { "Expires", "0" } }, kNow },
        ExpiryCase { "NoCache", { { "Cache-Control", "no-cache, max-age=600" } }, kNow },
        ExpiryCase { "Silent", { { "Content-Type", "image/png" } }, kNow + 7 * 24 * 3600 }),
    [](const auto& info) { return info.param.name; });

} // namespace
