#include "net/SecurityPolicy.h"

#include <strings.h>

namespace net {

std::shared_ptr<SecurityPolicy> SecurityPolicy::defaultPolicy()
{
    return policyWithPinningMode(SSLPinningMode::None);
}

std::shared_ptr<SecurityPolicy> SecurityPolicy::policyWithPinningMode(SSLPinningMode mode)
{
    return std::shared_ptr<SecurityPolicy>(new SecurityPolicy(mode));
}

bool SecurityPolicy::evaluateServerTrust(const ServerTrust& trust, const std::string& domain) const
{
    if (m_allowInvalidCertificates)
        return true;
    if (!trust.chainVerified)
        return false;
    // Pinned certificates or keys are not supported: a pinning policy has nothing to match.
    if (m_pinningMode != SSLPinningMode::None)
        return false;
    return !m_validatesDomainName || strcasecmp(trust.host.c_str(), domain.c_str()) == 0;
}

}
