// MD5 against the RFC 1321 test suite, plus the ways input can be split.
#include <gtest/gtest.h>

#include <string>

#include "qavo/md5.h"

namespace {

std::string hex(const unsigned char digest[16])
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 16; ++i) {
        s += digits[digest[i] >> 4];
        s += digits[digest[i] & 15];
    }
    return s;
}

std::string md5Pieces(const std::string &text, size_t piece)
{
    MD5Context context;
    MD5Init(&context);
    for (size_t at = 0; at < text.size(); at += piece)
        MD5Update(&context, reinterpret_cast<const unsigned char *>(text.data() + at),
                  std::min(piece, text.size() - at));
    unsigned char digest[16];
    MD5Final(digest, &context);
    return hex(digest);
}

TEST(Md5, Rfc1321TestSuite)
{
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto &[text, digest] : suite) {
        EXPECT_EQ(md5Pieces(text, text.size() + 1), digest) << '"' << text << '"';
        // Fed in small pieces the digest must not change.
        EXPECT_EQ(md5Pieces(text, 7), digest) << '"' << text << "\" in pieces";
    }
}

TEST(Md5, PaddingBoundariesAndLongInput)
{
    // 55, 56 and 64 bytes sit at the padding edges; a million 'a' crosses many blocks.
    EXPECT_EQ(md5Pieces(std::string(55, 'a'), 100), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(md5Pieces(std::string(56, 'a'), 100), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(md5Pieces(std::string(64, 'a'), 100), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(md5Pieces(std::string(1000000, 'a'), 4096), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, FinalClearsTheContext)
{
    MD5Context context;
    MD5Init(&context);
    MD5Update(&context, reinterpret_cast<const unsigned char *>("abc"), 3);
    unsigned char digest[16];
    MD5Final(digest, &context);
    const auto *bytes = reinterpret_cast<const unsigned char *>(&context);
    for (size_t i = 0; i < sizeof context; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

} // namespace

TEST(Md5, EmptyUpdatesWithoutBytesChangeNothing)
{
    // A caller with nothing to hash may pass no buffer at all; the sanitizer build stops
    // on any null pointer that reaches memcpy.
    for (size_t before : {size_t(0), size_t(3), size_t(64)}) {
        const std::string text(before, 'x');
        MD5Context context;
        MD5Init(&context);
        MD5Update(&context, nullptr, 0);
        MD5Update(&context, reinterpret_cast<const unsigned char *>(text.data()), text.size());
        MD5Update(&context, nullptr, 0);
        unsigned char digest[16];
        MD5Final(digest, &context);
        EXPECT_EQ(md5Pieces(text, 7), hex(digest)) << before;
    }
}
