#include "common/TextWrap.h"

#include "common/SvgCanvas.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace meldrix {
namespace {

std::vector<std::string> split(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : std::string(text) + " ") {
        if (c != ' ') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

std::string joinWithBlanks(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// Random texts of narrow and wide letters, blanks doubled now and then, at random widths: every
// line fits (or holds one character), starts and ends without a blank, keeps every character in
// order, and breaks where the next word would not fit.
TEST(TextWrap, LinesFitKeepEveryCharacterAndBreakAsLateAsTheyCan)
{
    std::mt19937 random(26); // the same texts on every run
    const SvgCanvas measure({ 0, 0 });
    const std::string letters = "iIlW.m0123456789-,\xB0";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int count = std::uniform_int_distribution(0, 8)(random);
        for (int n = 0; n < count; ++n) {
            text += std::string(std::uniform_int_distribution(1, 2)(random) == 1 ? 1 : 2, ' ');
            const int length = std::uniform_int_distribution(1, 16)(random);
            for (int i = 0; i < length; ++i)
                text += letters[std::uniform_int_distribution<std::size_t>(0, letters.size() - 1)(
                    random)];
        }
        const int width = std::uniform_int_distribution(1, 200)(random);
        SCOPED_TRACE("'" + text + "' in " + std::to_string(width) + " px");

        const auto lines = WrapText(measure, text, width);
        ASSERT_FALSE(lines.empty());
        const std::vector<std::string> words = split(text);
        // Walks the words through the lines: each line's pieces are the next words, or the
        // next part of a word too wide for any line.
        std::size_t w = 0;
        std::size_t offset = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.size() > 1) {
                EXPECT_LE(measure.textSize(line).width, width) << line;
            }
            for (const std::string& piece : split(line)) {
                ASSERT_LT(w, words.size()) << line;
                ASSERT_EQ(words[w].substr(offset, piece.size()), piece) << line;
                offset += piece.size();
                if (offset == words[w].size()) {
                    ++w;
                    offset = 0;
                }
            }
            EXPECT_EQ(line, joinWithBlanks(split(line))) << "blanks at an end, or doubled";
            // A whole word that would have fitted on this line is not on the next.
            if (i + 1 < lines.size() && offset == 0) {
                const std::string& next = words[w];
                if (measure.textSize(next).width <= width) {
                    EXPECT_GT(measure.textSize(line + " " + next).width, width)
                        << line << " | " << next;
                }
            }
        }
        EXPECT_EQ(w, words.size());
    }
}

} // namespace
} // namespace meldrix
