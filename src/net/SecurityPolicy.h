#pragma once
#include <memory>
#include <string>

namespace net {

enum class SSLPinningMode { None = 0, PublicKey = 1, Certificate = 2 };

// Whether a server's certificate chain is to be trusted for a host. Chain verification itself is
// done by the transport against the system's certificate store; the policy decides on its verdict.
class SecurityPolicy {
public:
    struct ServerTrust {
        std::string host;
        bool chainVerified = false;
    };

    // No pinning, invalid certificates refused, the domain name checked.
    static std::shared_ptr<SecurityPolicy> defaultPolicy();
    static std::shared_ptr<SecurityPolicy> policyWithPinningMode(SSLPinningMode mode);

    SSLPinningMode pinningMode() const { return m_pinningMode; }
    bool allowInvalidCertificates() const { return m_allowInvalidCertificates; }
    void setAllowInvalidCertificates(bool allow) { m_allowInvalidCertificates = allow; }
    bool validatesDomainName() const { return m_validatesDomainName; }
    void setValidatesDomainName(bool validates) { m_validatesDomainName = validates; }

    bool evaluateServerTrust(const ServerTrust& trust, const std::string& domain) const;

private:
    explicit SecurityPolicy(SSLPinningMode mode) : m_pinningMode(mode) { }

    SSLPinningMode m_pinningMode;
    bool m_allowInvalidCertificates = false;
    bool m_validatesDomainName = true;
};

}
