// Stored-password encryption and Base64. The ciphertexts were computed once,
// independently of this code (MD5 of the pass phrase as an RC4 key, in a few
// lines of Python), so both platforms must produce exactly these bytes.
#include <gtest/gtest.h>

#include <string>

#include "xlib/XString.h"

namespace {
std::string Bytes(const XString& s) { return std::string(s.GetBuffer(), s.GetLength()); }

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

XString FromBytes(const std::string& bytes) {
    XString s;
    s.AppendData(bytes.data(), static_cast<unsigned>(bytes.size()));
    return s;
}
}  // namespace

TEST(XStringCrypt, CiphertextMatchesIndependentVectors) {
    struct Case {
        const char* phrase;
        std::string plain;
        const char* base64;
    } cases[] = {
        {"secret", "hello", "/nmUs9Q="},
        {"MgPassPhrase0X", "alice@example.com", "xY0uju5g7nM6yUhLsNWAu60="},
        {"k", std::string("\x00\x01\x02\xff", 4), "gYOAXQ=="},
        {"mEaDoW-8gLoW#71q0U", "alice", "TfLWeVA="},
        {"mEaDoW-8gLoW#71q0P", "Pa55 word!", "TL9SbU3oK+UPKQ=="},
        {"mEaDoW-8gLoW#71q1U", "bob", "31b2"},
    };
    for (const Case& c : cases) {
        XString s = FromBytes(c.plain);
        ASSERT_TRUE(s.Encrypt(c.phrase, 2)) << c.phrase << ": " << s.GetErrorMessage();
        EXPECT_EQ(s.GetLength(), c.plain.size()) << c.phrase;
        s.EncodeBase64();
        EXPECT_EQ(Bytes(s), c.base64) << c.phrase;
        s.DecodeBase64();
        ASSERT_TRUE(s.Decrypt(c.phrase, 2));
        EXPECT_EQ(Bytes(s), c.plain) << c.phrase;
    }
}

// The key stream runs on across the 1000-byte blocks: bytes on both sides of
// each block boundary, and a length that is a whole number of blocks.
TEST(XStringCrypt, BlocksFormOneStream) {
    std::string plain;
    for (int i = 0; i < 10; ++i)
        for (int b = 0; b < 256; ++b) plain += static_cast<char>(b);
    XString s = FromBytes(plain);
    ASSERT_TRUE(s.Encrypt("pass phrase", 2));
    const std::string c = Bytes(s);
    ASSERT_EQ(c.size(), 2560u);
    EXPECT_EQ(Hex(c.substr(0, 8)), "aed7a7e88e67b2bc");
    EXPECT_EQ(Hex(c.substr(996, 8)), "43b82d32111e2ceb");
    EXPECT_EQ(Hex(c.substr(1996, 8)), "6c3fd949b5d5337c");
    EXPECT_EQ(Hex(c.substr(2552, 8)), "399470fd740ad082");
    ASSERT_TRUE(s.Decrypt("pass phrase", 2));
    EXPECT_EQ(Bytes(s), plain);

    XString zeros = FromBytes(std::string(1000, '\0'));
    ASSERT_TRUE(zeros.Encrypt("x", 2));
    ASSERT_EQ(zeros.GetLength(), 1000u);
    EXPECT_EQ(Hex(Bytes(zeros).substr(992)), "3b42a5a6f0a6066a");
}

TEST(XStringCrypt, EdgeCases) {
    XString s("some text");
    ASSERT_TRUE(s.Encrypt("right", 2));
    XString wrong = s;
    ASSERT_TRUE(wrong.Decrypt("wrong", 2));
    EXPECT_NE(Bytes(wrong), "some text");
    ASSERT_TRUE(s.Decrypt("right", 2));
    EXPECT_EQ(Bytes(s), "some text");

    // Only algorithm 2 is defined; an empty string stays empty.
    for (int algorithm : {0, 1, 3, -1}) {
        XString t("plain");
        EXPECT_TRUE(t.Encrypt("p", algorithm));
        EXPECT_TRUE(t.Decrypt("p", algorithm));
        EXPECT_EQ(Bytes(t), "plain") << algorithm;
    }
    XString empty;
    EXPECT_TRUE(empty.Encrypt("p", 2));
    EXPECT_TRUE(empty.IsEmpty());

    // A missing pass phrase fails with its text and leaves the string alone.
    XString t("plain");
    EXPECT_FALSE(t.Encrypt(nullptr, 2));
    EXPECT_STREQ(t.GetErrorMessage(), "Error: in XString::Encrypt password is NULL.");
    EXPECT_FALSE(t.Decrypt(nullptr, 2));
    EXPECT_STREQ(t.GetErrorMessage(), "Error: in XString::Decrypt password is NULL.");
    EXPECT_EQ(Bytes(t), "plain");
    // The next success empties the error slot.
    EXPECT_TRUE(t.Encrypt("p", 2));
    EXPECT_STREQ(t.GetErrorMessage(), "");
}

TEST(XStringBase64, EncodesAndDecodes) {
    struct Case {
        std::string bytes;
        const char* text;
    } cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA=="},
        {std::string("\x00\xff\xfe", 3), "AP/+"},
        {std::string("\xfb\xff", 2), "+/8="},
    };
    for (const Case& c : cases) {
        XString s = FromBytes(c.bytes);
        s.EncodeBase64();
        EXPECT_EQ(Bytes(s), c.text);
        s.DecodeBase64();
        EXPECT_EQ(Bytes(s), c.bytes) << c.text;
    }
}

// Decoding stops at "=" or at any character outside the alphabet; what
// follows is ignored, and a last group of n characters gives n - 1 bytes.
TEST(XStringBase64, DecodingStopsAtTheFirstStranger) {
    struct Case {
        const char* text;
        std::string bytes;
    } cases[] = {
        {"YWJj\r\n", "abc"},
        {"YWJj\r\nYWJj", "abc"},
        {"YWI=YWJj", "ab"},
        {"YWJjZA", "abcd"},
        {"YWJjZ", "abc"},
        {"YW", "a"},
        {"Y", ""},
        {"*YWJj", ""},
        {"YW Jj", "a"},
    };
    for (const Case& c : cases) {
        XString s(c.text);
        s.DecodeBase64();
        EXPECT_EQ(Bytes(s), c.bytes) << c.text;
    }
}
