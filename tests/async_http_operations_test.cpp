// SPDX-License-Identifier: MIT
// The operations of the blocking HTTP client that the downloader does not
// use (headers, a body into a file, closing the connection) and calls made
// out of order: each fails cleanly and leaves the client usable.
#include <gtest/gtest.h>

#include <cstdio>

#include "download/CAsyncHttp.h"
#include "support/common.h"
#include "support/http_server.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

class Client : public CAsyncHttp {
public:
    int waitForCompletion(HANDLE event) override
    {
        const DWORD result = WaitForSingleObject(event, 3000);
        return result == WAIT_OBJECT_0 ? done : result == WAIT_TIMEOUT ? timedOut : failed;
    }
};

}  // namespace

TEST(CAsyncHttpOperations, FailCleanlyOutOfOrderAndStoreABodyInAFile)
{
    HttpServer server("127.0.91.11");
    const std::string body = patternBytes(60000);
    server.on("/picture", {200, body});
    TempDir dir;

    Client client;
    EXPECT_FALSE(client.openRequest("/picture")) << "no connection yet";
    EXPECT_FALSE(client.readToString()) << "no request yet";
    EXPECT_FALSE(client.addHeaders("X-Early: 1"));
    ASSERT_TRUE(client.open());
    HINTERNET session = client.internet;
    EXPECT_TRUE(client.open());
    EXPECT_EQ(client.internet, session) << "one session per client";
    ASSERT_TRUE(client.connect("127.0.91.11"));

    ASSERT_TRUE(client.openRequest("/picture"));
    EXPECT_TRUE(client.addHeaders("X-Late: 1\r\n"));
    const std::string path = dir / "picture";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(client.readToFile(file));
    std::fclose(file);
    EXPECT_TRUE(readFile(path) == body);

    // A file that takes no bytes stops the reading with a failure.
    ASSERT_TRUE(client.openRequest("/picture"));
    FILE* readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(client.readToFile(readOnly));
    std::fclose(readOnly);
    EXPECT_TRUE(readFile(path) == body);

    // Without its connection the client opens no request until it connects again.
    client.closeConnection();
    EXPECT_EQ(client.connection, nullptr);
    EXPECT_FALSE(client.openRequest("/picture"));
    ASSERT_TRUE(client.connect("127.0.91.11"));
    ASSERT_TRUE(client.openRequest("/picture"));
    EXPECT_TRUE(client.readToString());
    EXPECT_TRUE(client.response == body);
    EXPECT_EQ(server.requests(), 3);
}
