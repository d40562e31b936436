// The download's own reading of URLs and header lines, without a network:
// the parts of a URL, the percent-encoding of its path, and which headers
// of which answer count.
#include "devices/download.h"

#include <gtest/gtest.h>

TEST(ParseUrl, SplitsSchemeHostPortAndPath)
{
    struct Case {
        std::string text, scheme, host;
        int port;
        std::string path;
    };
    const Case cases[] = {
        { "exemplo.com.br", "HTTP", "exemplo.com.br", 80, "/" },
        { "https://exemplo.com.br", "HTTPS", "exemplo.com.br", 443, "/" },
        { "Http://h:8080?q=1", "HTTP", "h", 8080, "/?q=1" },
        { "h/a/b?c=d", "HTTP", "h", 80, "/a/b?c=d" },
        { "ftp://h/x", "FTP", "h", 80, "/x" },
        { "http://[::1]:81/x", "HTTP", "::1", 81, "/x" },
        { "https://[::1]", "HTTPS", "::1", 443, "/" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        palavrino::devices::UrlRec u;
        ASSERT_TRUE(palavrino::devices::ParseUrl(c.text, u));
        EXPECT_EQ(u.scheme, c.scheme);
        EXPECT_EQ(u.host, c.host);
        EXPECT_EQ(u.port, c.port);
        EXPECT_EQ(u.path, c.path);
    }
    palavrino::devices::UrlRec u;
    for (const char* bad : { "h:x/", "h:0/", "h:65536", "http://", "http://[::1/", "[::1]x/" })
        EXPECT_FALSE(palavrino::devices::ParseUrl(bad, u)) << bad;
    // The path is cut at 999 characters.
    ASSERT_TRUE(palavrino::devices::ParseUrl("h/" + std::string(2000, 'a'), u));
    EXPECT_EQ(u.path.size(), 999u);
}

TEST(EncodeUrlPath, EncodesTheUnsafeBytesAndKeepsEscapes)
{
    using palavrino::devices::EncodeUrlPath;
    EXPECT_EQ(EncodeUrlPath("/a b_c~d"), "/a%20b%5Fc%7Ed");
    EXPECT_EQ(EncodeUrlPath("/\"<>[\\]^`{|}"), "/%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D");
    EXPECT_EQ(EncodeUrlPath("/p?x=1&y=2:3#f"), "/p?x=1&y=2:3#f");
    EXPECT_EQ(EncodeUrlPath("/a\xE7\xE3o\x7F\x01"), "/a%E7%E3o%7F%01");
    // An escape already there stays; a lone percent sign is encoded.
    EXPECT_EQ(EncodeUrlPath("/a%20b%zz%4"), "/a%20b%25zz%254");
    EXPECT_EQ(EncodeUrlPath("/%"), "/%25");
}

TEST(ResponseHead, ReadsTheHeadersOfTheLastAnswer)
{
    palavrino::devices::ResponseHead h;
    for (const char* line : { "HTTP/1.1 301 Moved", "location:  http://x/y ", "Content-Length: 5" })
        h.Line(line);
    EXPECT_EQ(h.status, "301");
    EXPECT_EQ(h.location, "http://x/y");
    EXPECT_EQ(h.content_length, 5);
    EXPECT_EQ(h.content_type, "???");
    for (const char* line : { "HTTP/2 200", "CONTENT-TYPE: text/html; charset=utf-8", "content-length: dez" })
        h.Line(line);
    EXPECT_EQ(h.status, "200");
    EXPECT_EQ(h.location, "");
    EXPECT_EQ(h.content_type, "text/html; charset=utf-8");
    EXPECT_EQ(h.content_length, -1);
}
