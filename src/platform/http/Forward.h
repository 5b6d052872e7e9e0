#pragma once

namespace http {
class HTTPURLResponse;
class OutputStream;
class URLConnection;
class URLConnectionDelegate;
class URLRequest;
class URLResponse;
}
