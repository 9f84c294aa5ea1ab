// The suffix automaton against std::string::find on texts grown at random,
// over small alphabets (many repeats, many clones) and over all 256 bytes.
#include "db/suffix_automaton.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tallyhall {
namespace {

std::string RandomText(std::mt19937& random, const std::string& alphabet,
                       std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(alphabet[random() % alphabet.size()]);
  }
  return text;
}

TEST(SuffixAutomatonTest, AnswersAsFindOnTextsGrownAtRandom) {
  std::string all_bytes(256, '\0');
  for (int b = 0; b < 256; ++b) all_bytes[b] = static_cast<char>(b);
  // Two letters, names with delimiters, and every byte (NUL included).
  for (const std::string& alphabet :
       {std::string("ab"), std::string("abAB<>,"), all_bytes}) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      std::mt19937 random(seed);
      SuffixAutomaton automaton;
      std::string text;
      while (text.size() < 1500) {
        const std::string piece = RandomText(random, alphabet, random() % 12);
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
            pattern = RandomText(random, alphabet, random() % 7);
          }
          ASSERT_EQ(automaton.Contains(pattern),
                    text.find(pattern) != std::string::npos)
              << alphabet.size() << " letters, seed " << seed << " text size "
              << text.size() << " pattern '" << pattern << "'";
        }
      }
      EXPECT_FALSE(automaton.Contains(text + "a"));
      EXPECT_TRUE(automaton.Contains(text));
    }
  }
}

TEST(SuffixAutomatonTest, EmptyPatternOccursEvenInAnEmptyText) {
  EXPECT_TRUE(SuffixAutomaton().Contains(""));  // as std::string().find("")
}

}  // namespace
}  // namespace tallyhall
