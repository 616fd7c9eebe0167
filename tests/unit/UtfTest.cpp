#include <gtest/gtest.h>

#include "data/Utf.h"

namespace {

TEST(Utf, ConvertsBothWaysIncludingCharactersOutsideTheBasicPlane) {
    const std::u16string text = u"Temp\u00e9rature \u6e29\u5ea6 \U0001F321";
    const std::string utf8 = "Temp\xc3\xa9rature \xe6\xb8\xa9\xe5\xba\xa6 \xf0\x9f\x8c\xa1";
    EXPECT_EQ(ToUtf8(text), utf8);
    EXPECT_EQ(FromUtf8(utf8), text);
}

TEST(Utf, ReplacesWhatCannotBeConvertedInsteadOfCuttingTheTextShort) {
    EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
              "a\xef\xbf\xbd"
              "b");
    EXPECT_EQ(FromUtf8("a\xff"
                       "b"),
              u"a\ufffdb");
    EXPECT_EQ(FromUtf8("a\xe6\xb8"), u"a\ufffd");
    // An overlong form of "/" is not read as "/".
    EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\ufffd");
}

}  // namespace
