// The three ways a listing is cut into pages. Every paged listing ends with
// the reply "Page " + the page number used; a page number of 0 means 1.
#ifndef TALLYHALL_COMMANDS_PAGING_H_
#define TALLYHALL_COMMANDS_PAGING_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyhall {

struct CommandContext;

inline constexpr std::int32_t kPageLines = 40;
inline constexpr std::size_t kTextPiece = 70;

// The page asked for in `text`: its leading number, 0 read as 1.
std::int32_t PageNumber(CommandContext& ctx, std::string_view text);

// The footer "Page " + page.
void ReplyPageFooter(CommandContext& ctx, std::int32_t page);

// Range paging: the entry numbers of page `page` among 1..count, 40 a page.
// `first` > `last` when the page lists nothing (pages below 1 included).
struct PageRange {
  std::int64_t first = 1;
  std::int64_t last = 0;
};
PageRange RangePage(std::int32_t page, std::int32_t count);

// Filtered paging: feed each entry that passes the listing's test, in table
// order. Page 1 holds the first 39 passing entries and every later page 40.
class FilteredPager {
 public:
  explicit FilteredPager(std::int32_t page) : page_(page) {}
  // Counts one passing entry; true when it belongs on the requested page.
  bool Take();
  // True once the walk has passed the requested page and may stop.
  bool Done() const { return counter_ > page_; }

 private:
  std::int32_t page_;
  std::int32_t counter_ = 1;
  std::int32_t line_ = 0;
};

// Text paging: sends pieces of 70 characters of `text` for page `page`
// (40 pieces a page), stopping at the first empty piece.
void ReplyTextPage(CommandContext& ctx, std::string_view text,
                   std::int32_t page);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_PAGING_H_
