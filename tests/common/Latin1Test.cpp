#include "common/Latin1.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

struct SystemTextCase {
    std::string bytes;
    bool valid; //!< valid UTF-8
    std::string utf8; //!< systemTextToUtf8
    std::string latin1; //!< utf8ToLatin1Shown
};

class SystemTextTest : public ::testing::TestWithParam<SystemTextCase> { };

// A file name is UTF-8 on a current system; bytes that are not are an older system's Latin-1.
TEST_P(SystemTextTest, ReadsUtf8AsUtf8AndAnythingElseAsLatin1)
{
    const SystemTextCase& c = GetParam();
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
    EXPECT_EQ(systemTextToUtf8(c.bytes), c.utf8);
    EXPECT_EQ(utf8ToLatin1Shown(c.utf8), c.latin1);
}

INSTANTIATE_TEST_SUITE_P(Names, SystemTextTest,
    ::testing::Values(SystemTextCase { "Rig", true, "Rig", "Rig" },
        SystemTextCase { "Pr\xC3\xBC"
                         "fung",
            true,
            "Pr\xC3\xBC"
            "fung",
            "Pr\xFC"
            "fung" },
        SystemTextCase { "Pr\xFC"
                         "fung",
            false,
            "Pr\xC3\xBC"
            "fung",
            "Pr\xFC"
            "fung" },
        // Beyond Latin-1: the canvas shows a question mark.
        SystemTextCase { "\xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true,
            "\xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "? ? ?" },
        // Overlong, surrogate, beyond U+10FFFF, cut short, a lone continuation byte.
        SystemTextCase { "\xC0\xAF", false, "\xC3\x80\xC2\xAF", "\xC0\xAF" },
        SystemTextCase { "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xC2\x80", "\xED\xA0\x80" },
        SystemTextCase {
            "\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", "\xF4\x90\x80\x80" },
        SystemTextCase { "a\xC3", false, "a\xC3\x83", "a\xC3" },
        SystemTextCase { "\x80", false, "\xC2\x80", "\x80" }));

} // namespace
} // namespace meldrix
