// The three page rules at their edges.
#include "commands/paging.h"

#include <gtest/gtest.h>

#include "commands/command_context.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

std::vector<int> FilteredPage(int entries, std::int32_t page) {
  std::vector<int> shown;
  FilteredPager pager(page);
  for (int entry = 1; entry <= entries && !pager.Done(); ++entry) {
    if (pager.Take()) shown.push_back(entry);
  }
  return shown;
}

TEST(PagingTest, RangePagesHoldFortyEntriesWithinTheCount) {
  EXPECT_EQ(RangePage(1, 100).first, 1);
  EXPECT_EQ(RangePage(1, 100).last, 40);
  EXPECT_EQ(RangePage(3, 100).first, 81);
  EXPECT_EQ(RangePage(3, 100).last, 100);
  EXPECT_GT(RangePage(4, 100).first, RangePage(4, 100).last);
  EXPECT_GT(RangePage(-1, 100).first, RangePage(-1, 100).last);
  EXPECT_GT(RangePage(2147483647, 100).first, RangePage(2147483647, 100).last);
  EXPECT_GT(RangePage(-2147483647 - 1, 100).first,
            RangePage(-2147483647 - 1, 100).last);
}

TEST(PagingTest, FilteredPageOneHoldsThirtyNineAndLaterPagesForty) {
  std::vector<int> first = FilteredPage(45, 1);
  ASSERT_EQ(first.size(), 39u);
  EXPECT_EQ(first.back(), 39);
  std::vector<int> second = FilteredPage(45, 2);
  ASSERT_EQ(second.size(), 6u);
  EXPECT_EQ(second.front(), 40);
  std::vector<int> third = FilteredPage(200, 3);
  ASSERT_EQ(third.size(), 40u);
  EXPECT_EQ(third.front(), 80);
  EXPECT_EQ(third.back(), 119);
  EXPECT_TRUE(FilteredPage(45, 0).empty());
  EXPECT_TRUE(FilteredPage(45, -3).empty());
}

class TextPagingTest : public OnePlayerTest {
 protected:
  std::vector<std::string> Page(std::string_view text, std::int32_t page) {
    CommandContext ctx = Context(1);
    ReplyTextPage(ctx, text, page);
    return RepliesTo(1, 5);
  }
};

TEST_F(TextPagingTest, PiecesOfSeventyFortyAPage) {
  std::string text;
  for (int i = 0; i < 2801; ++i)
    text.push_back(static_cast<char>('a' + i % 26));
  std::vector<std::string> first = Page(text, 1);
  ASSERT_EQ(first.size(), 40u);
  EXPECT_EQ(first[0], text.substr(0, 70));
  EXPECT_EQ(first[39], text.substr(2730, 70));
  std::vector<std::string> second = Page(text, 2);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0], text.substr(2800));
  EXPECT_TRUE(Page(text, 3).empty());
  EXPECT_TRUE(Page(text, 0).empty());
  EXPECT_TRUE(Page("", 1).empty());
}

}  // namespace
}  // namespace tallyhall
