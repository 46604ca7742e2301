// errno texts: strerror's text for every value, known or not, whichever strerror_r
// variant the C library has.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "lib/error_text.h"

TEST(ErrorText, IsStrerrorsTextForKnownAndUnknownValues)
{
    for (int error : {ENOENT, ECONNREFUSED, EACCES, 9999}) {
        const std::string expected = std::strerror(error);
        char text[256];
        EXPECT_EQ(qavo::errorText(error, text), expected) << error;
        char small[4];
        const char *shortened = qavo::errorText(error, small);
        ASSERT_NE(shortened, nullptr);
        EXPECT_EQ(expected.rfind(shortened, 0), 0u) << "not a prefix of the text: " << shortened;
    }
}
