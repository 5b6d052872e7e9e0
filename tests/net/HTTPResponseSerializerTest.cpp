#include "net/HTTPResponseSerializer.h"

#include "platform/http/HTTPURLResponse.h"
#include "platform/http/URLError.h"

#include <gtest/gtest.h>

using net::HTTPResponseSerializer;

namespace {

std::shared_ptr<const http::URLResponse> httpResponse(int status, const std::string& contentType)
{
    std::map<std::string, std::string> fields;
    if (!contentType.empty())
        fields["Content-Type"] = contentType;
    return std::make_shared<http::HTTPURLResponse>("http://127.0.0.1/x", status, fields, -1);
}

TEST(HTTPResponseSerializerTest, AcceptsTheTwoHundredsOnlyByDefault)
{
    auto serializer = HTTPResponseSerializer::serializer();
    for (int status : { 200, 204, 299 }) {
        std::optional<core::Error> error;
        EXPECT_TRUE(serializer->validateResponse(httpResponse(status, "text/plain"), std::string("x"), &error)) << status;
        EXPECT_FALSE(error);
    }
    for (int status : { 199, 300, 404 }) {
        std::optional<core::Error> error;
        EXPECT_FALSE(serializer->validateResponse(httpResponse(status, "text/plain"), std::string("x"), &error)) << status;
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, -1011);
    }
    EXPECT_EQ(serializer->validateResponse(httpResponse(302, ""), std::nullopt, nullptr), false);
}

TEST(HTTPResponseSerializerTest, ResponsesThatAreNotHTTPAreAlwaysValid)
{
    auto serializer = HTTPResponseSerializer::serializer();
    serializer->setAcceptableContentTypes(std::set<std::string> { "application/zip" });
    std::optional<core::Error> error;
    auto file = std::make_shared<http::URLResponse>("file:///tmp/x.txt", "text/plain", 3);
    EXPECT_TRUE(serializer->validateResponse(file, std::string("abc"), &error));
    EXPECT_TRUE(serializer->validateResponse(nullptr, std::nullopt, &error));
    EXPECT_FALSE(error);
}

TEST(HTTPResponseSerializerTest, ContentTypeRuleNeedsABodyToMakeAnError)
{
    auto serializer = HTTPResponseSerializer::serializer();
    serializer->setAcceptableContentTypes(std::set<std::string> { "application/zip" });
    EXPECT_TRUE(serializer->validateResponse(httpResponse(200, "application/zip; charset=binary"), std::string("PK"), nullptr));

    std::optional<core::Error> error;
    EXPECT_FALSE(serializer->validateResponse(httpResponse(200, "text/html"), std::string(), &error));
    EXPECT_FALSE(error);
    EXPECT_FALSE(serializer->validateResponse(httpResponse(200, "text/html"), std::nullopt, &error));
    EXPECT_FALSE(error);
    // A missing type is not an acceptable one.
    EXPECT_FALSE(serializer->validateResponse(httpResponse(200, ""), std::string("x"), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, -1016);
    EXPECT_EQ(error->localizedDescription, "Request failed: unacceptable content-type: ");

    // Without a body, a bad status makes its error alone.
    error.reset();
    EXPECT_FALSE(serializer->validateResponse(httpResponse(503, "text/html"), std::nullopt, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, -1011);
    EXPECT_EQ(error->localizedDescription, "Request failed: service unavailable (503)");
    EXPECT_FALSE(error->underlying);
    EXPECT_FALSE(error->userInfo.contains(net::OperationFailingURLResponseDataErrorKey));
    EXPECT_EQ(error->userInfo.at(http::URLErrorFailingURLErrorKey), "http://127.0.0.1/x");
}

TEST(HTTPResponseSerializerTest, ResponseObjectIsTheBodyWhateverTheVerdict)
{
    auto serializer = HTTPResponseSerializer::serializer();
    std::optional<core::Error> error;
    EXPECT_EQ(serializer->responseObjectForResponse(httpResponse(500, "text/html"), std::string("oops"), &error), "oops");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, net::URLResponseSerializationErrorDomain);
    EXPECT_EQ(error->userInfo.at(net::OperationFailingURLResponseDataErrorKey), "oops");

    serializer->setAcceptableStatusCodes(std::nullopt);
    error.reset();
    EXPECT_EQ(serializer->responseObjectForResponse(httpResponse(500, "text/html"), std::string("oops"), &error), "oops");
    EXPECT_FALSE(error);
}

}
