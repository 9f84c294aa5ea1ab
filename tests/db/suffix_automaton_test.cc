// The suffix automaton against std::string::find on texts grown at random,
// over small alphabets (many repeats, many clones) and over all 256 bytes.
#include "db/suffix_automaton.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tallyhall {
namespace {

struct Alphabet {
  const char* name;
  std::string bytes;
};

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

std::string RandomText(std::mt19937& random, const std::string& alphabet,
                       std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(alphabet[random() % alphabet.size()]);
  }
  return text;
}

TEST(SuffixAutomatonTest, AnswersAsFindOnTextsGrownAtRandom) {
  const Alphabet alphabets[] = {
      {"ab", "ab"},
      {"names and delimiters", "abAB<>,"},
      {"all bytes", AllBytes()},
  };
  for (const Alphabet& alphabet : alphabets) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      std::mt19937 random(seed);
      SuffixAutomaton automaton;
      std::string text;
      while (text.size() < 1500) {
        const std::string piece =
            RandomText(random, alphabet.bytes, random() % 12);
        automaton.Append(piece);
        text += piece;
        ASSERT_EQ(automaton.size(), text.size());
        for (int q = 0; q < 20; ++q) {
          // Half of the patterns are taken from the text, half are random.
          std::string pattern;
          if (q % 2 == 0 && !text.empty()) {
            const std::size_t from = random() % text.size();
            pattern = text.substr(from, random() % 30);
          } else {
            pattern = RandomText(random, alphabet.bytes, random() % 7);
          }
          ASSERT_EQ(automaton.Contains(pattern),
                    text.find(pattern) != std::string::npos)
              << alphabet.name << " seed " << seed << " text size "
              << text.size() << " pattern '" << pattern << "'";
        }
      }
      EXPECT_FALSE(automaton.Contains(text + "a"));
      EXPECT_TRUE(automaton.Contains(text));
    }
  }
}

TEST(SuffixAutomatonTest, EmptyPatternOccursAndNulIsAByte) {
  SuffixAutomaton automaton;
  EXPECT_TRUE(automaton.Contains(""));  // as std::string().find("") == 0
  EXPECT_FALSE(automaton.Contains("a"));
  automaton.Append(std::string("<a\0b>", 5));
  EXPECT_TRUE(automaton.Contains(std::string("a\0b", 3)));
  EXPECT_FALSE(automaton.Contains(std::string("a\0\0", 3)));
  EXPECT_FALSE(automaton.Contains("ab"));
  EXPECT_FALSE(automaton.Contains("A"));  // case-sensitive
}

}  // namespace
}  // namespace tallyhall
