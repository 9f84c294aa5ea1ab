// Range, filtered and text paging of listings.
#include "commands/paging.h"

#include <algorithm>

#include "commands/command_context.h"
#include "db/encoding.h"

namespace tallyhall {

std::int32_t PageNumber(CommandContext& ctx, std::string_view text) {
  const std::int32_t page = ctx.Number(text);
  return page == 0 ? 1 : page;
}

void ReplyPageFooter(CommandContext& ctx, std::int32_t page) {
  ctx.Reply("Page " + DecimalText(page));
}

PageRange RangePage(std::int32_t page, std::int32_t count) {
  const std::int64_t first = (std::int64_t{page} - 1) * kPageLines + 1;
  const std::int64_t last =
      std::min<std::int64_t>(std::int64_t{page} * kPageLines, count);
  return {std::max<std::int64_t>(first, 1), last};
}

bool FilteredPager::Take() {
  ++line_;
  if (line_ == kPageLines) {
    ++counter_;
    line_ = 0;
  }
  return counter_ == page_;
}

void ReplyTextPage(CommandContext& ctx, std::string_view text,
                   std::int32_t page) {
  if (page < 1) return;
  const std::int64_t first_piece = (std::int64_t{page} - 1) * kPageLines;
  for (std::int64_t piece = first_piece; piece < first_piece + kPageLines;
       ++piece) {
    const auto offset = static_cast<std::uint64_t>(piece) * kTextPiece;
    if (offset >= text.size()) break;
    ctx.Reply(text.substr(offset, kTextPiece));
  }
}

}  // namespace tallyhall
