#include "net/SecurityPolicy.h"

#include <gtest/gtest.h>

using net::SecurityPolicy;

TEST(SecurityPolicyTest, DefaultPolicyTrustsOnlyAVerifiedChainForItsOwnHost)
{
    auto policy = SecurityPolicy::defaultPolicy();
    EXPECT_EQ(policy->pinningMode(), net::SSLPinningMode::None);
    EXPECT_FALSE(policy->allowInvalidCertificates());
    EXPECT_TRUE(policy->evaluateServerTrust({ "content.example", true }, "Content.Example"));
    EXPECT_FALSE(policy->evaluateServerTrust({ "content.example", false }, "content.example"));
    EXPECT_FALSE(policy->evaluateServerTrust({ "other.example", true }, "content.example"));

    policy->setValidatesDomainName(false);
    EXPECT_TRUE(policy->evaluateServerTrust({ "other.example", true }, "content.example"));
    policy->setAllowInvalidCertificates(true);
    EXPECT_TRUE(policy->evaluateServerTrust({ "other.example", false }, "content.example"));
}

TEST(SecurityPolicyTest, PinningWithoutPinsTrustsNothing)
{
    auto policy = SecurityPolicy::policyWithPinningMode(net::SSLPinningMode::Certificate);
    EXPECT_FALSE(policy->evaluateServerTrust({ "content.example", true }, "content.example"));
}
