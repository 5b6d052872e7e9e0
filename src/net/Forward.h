#pragma once

namespace net {
class HTTPRequestOperation;
class HTTPResponseSerializer;
class SecurityPolicy;
class URLConnectionOperation;
}
