// The squad commands. The zone learns a player's squad only when he enters,
// so most replies ask him to reenter. Every refusal is one reply and changes
// nothing.
#include "commands/squad_commands.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/numbers.h"
#include "commands/command_context.h"
#include "commands/paging.h"
#include "db/encoding.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Squad names and passwords are 24-byte fields; a listing gives a name as
// many columns.
constexpr std::size_t kTextWidth = 24;

SquadDatabase& Squads(CommandContext& ctx) { return ctx.zone.databases.squads; }
UserDatabase& Users(CommandContext& ctx) { return ctx.zone.databases.users; }

// An argument split at its first ":": without one, the whole text is the
// first value and the second is empty.
struct ColonSplit {
  std::string_view first;
  std::string_view second;
  bool has_colon = false;
};

ColonSplit SplitAtColon(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {.first = text};
  return {.first = text.substr(0, colon),
          .second = text.substr(colon + 1),
          .has_colon = true};
}

// Fields of a squad or user record; a record that does not exist reads as
// empty text and number 0.
std::string SquadText(CommandContext& ctx, std::int32_t id, SquadField field) {
  return std::string(TrimAtNul(Squads(ctx).GetSquadField(id, field)));
}
std::string SquadName(CommandContext& ctx, std::int32_t id) {
  return SquadText(ctx, id, SquadField::kName);
}
std::string SquadPassword(CommandContext& ctx, std::int32_t id) {
  return SquadText(ctx, id, SquadField::kPassword);
}
std::int32_t SquadOwner(CommandContext& ctx, std::int32_t id) {
  return BytesToInt32(Squads(ctx).GetSquadField(id, SquadField::kOwner));
}
bool SquadExists(CommandContext& ctx, std::int32_t id) {
  return id >= 1 && id <= Squads(ctx).SquadCount();
}

std::string UserName(CommandContext& ctx, std::int32_t user_id) {
  return std::string(
      TrimAtNul(Users(ctx).GetUserField(user_id, UserField::kName)));
}
std::int32_t UserSquad(CommandContext& ctx, std::int32_t user_id) {
  return BytesToInt32(Users(ctx).GetUserField(user_id, UserField::kSquadID));
}
void SetUserSquad(CommandContext& ctx, std::int32_t user_id,
                  std::int32_t squad_id) {
  Users(ctx).SetUserField(user_id, UserField::kSquadID, Int32ToBytes(squad_id));
}
std::int32_t CallerSquad(CommandContext& ctx) {
  return UserSquad(ctx, ctx.player.UserID);
}

// True when the caller's record owns the squad. Owners below 1 are nobody,
// and a SquadID that names no squad reads owner 0, so a caller whose record
// was deleted (UserID 0) owns nothing.
bool OwnsSquad(CommandContext& ctx, std::int32_t squad_id) {
  const std::int32_t owner = SquadOwner(ctx, squad_id);
  return owner >= 1 && owner == ctx.player.UserID;
}

// The caller's SquadID when it names a squad; otherwise replies "You are not
// in a squad" and returns 0.
std::int32_t CallerSquadOrReply(CommandContext& ctx) {
  const std::int32_t squad_id = CallerSquad(ctx);
  if (SquadExists(ctx, squad_id)) return squad_id;
  ctx.Reply("You are not in a squad");
  return 0;
}

// "7. " + rest: the numbered lines of this family.
std::string Numbered(std::int64_t number, std::string_view rest) {
  return DecimalText(number) + ". " + std::string(rest);
}

std::string Blanks(std::int64_t count) {
  return std::string(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)),
                     ' ');
}

// `text` padded with blanks to the name column's width, then one blank.
std::string Column(std::string_view text) {
  return std::string(text) +
         Blanks(static_cast<std::int64_t>(kTextWidth) -
                static_cast<std::int64_t>(text.size())) +
         " ";
}

// Width of the SquadID column: the digits of SquadCount.
std::int64_t IdWidth(CommandContext& ctx) {
  return static_cast<std::int64_t>(
      DecimalText(Squads(ctx).SquadCount()).size());
}

// The listing header: the name column starts at width + 2, the next one at
// width + 27.
std::string ListingHeader(std::int64_t width, std::string_view next) {
  return Blanks(width) + "  Squad Name" + Blanks(14) + " " + std::string(next);
}

// A listing row up to its third column: the SquadID right-aligned in
// `width`, ". ", the squad's name in its column.
std::string ListingRow(CommandContext& ctx, std::int64_t width,
                       std::int32_t squad_id) {
  const std::string id_text = DecimalText(squad_id);
  return Blanks(width - static_cast<std::int64_t>(id_text.size())) + id_text +
         ". " + Column(SquadName(ctx, squad_id));
}

// Reads the new owner from `owner_text`, stores it as the squad's owner and
// tells the caller; below 1 the squad is owned by nobody. An owner above
// UserCount is refused with "UserID is out of bounds".
void ChangeOwnerOrReply(CommandContext& ctx, std::int32_t squad_id,
                        std::string_view owner_text,
                        std::string_view made_owner_text) {
  const std::int32_t owner = ctx.Number(owner_text);
  if (owner > Users(ctx).UserCount()) {
    ctx.Reply("UserID is out of bounds");
    return;
  }
  Squads(ctx).SetSquadField(squad_id, SquadField::kOwner, Int32ToBytes(owner));
  ctx.Reply(Numbered(
      owner, owner < 1 ? std::string("Squad ownership is lost")
                       : UserName(ctx, owner) + std::string(made_owner_text)));
}

// Members of the dissolved squad leave it; members of every later squad
// follow their squad one place down. One walk over the User Database.
void RenumberMembers(CommandContext& ctx, std::int32_t dissolved) {
  const std::int32_t count = Users(ctx).UserCount();
  for (std::int32_t user_id = 1; user_id <= count; ++user_id) {
    const std::int32_t squad_id = UserSquad(ctx, user_id);
    if (squad_id == dissolved) {
      SetUserSquad(ctx, user_id, 0);
    } else if (squad_id > dissolved) {
      SetUserSquad(ctx, user_id, squad_id - 1);
    }
  }
}

}  // namespace

// ?squadcreate (name):(password)
void HandleSquadCreate(CommandContext& ctx, std::string_view args) {
  const ColonSplit split = SplitAtColon(WithoutLeadingBlanks(args));
  if (Squads(ctx).FindSquad(split.first) != 0) {
    ctx.Reply("Squad already exists");
    return;
  }
  const std::int32_t squad_id =
      Squads(ctx).AppendSquad(split.first, split.second, ctx.player.UserID);
  SetUserSquad(ctx, ctx.player.UserID, squad_id);
  ctx.Reply(
      "Squad successfully created and joined.  Reenter for it to take effect");
}

// ?squadjoin (name):(password)
void HandleSquadJoin(CommandContext& ctx, std::string_view args) {
  const ColonSplit split = SplitAtColon(WithoutLeadingBlanks(args));
  const std::int32_t squad_id = Squads(ctx).FindSquad(split.first);
  if (squad_id == 0) {
    ctx.Reply("Squad unknown in Squad Database");
    return;
  }
  // The owner rejoins without the password.
  if (PadField(split.second, kTextWidth) !=
          Squads(ctx).GetSquadField(squad_id, SquadField::kPassword) &&
      !OwnsSquad(ctx, squad_id)) {
    ctx.Reply("Invalid squad password");
    return;
  }
  SetUserSquad(ctx, ctx.player.UserID, squad_id);
  ctx.Reply("Squad successfully joined.  Reenter for it to take effect");
}

// ?squadleave: the owner stays the owner.
void HandleSquadLeave(CommandContext& ctx, std::string_view) {
  const std::int32_t squad_id = CallerSquad(ctx);
  if (squad_id == 0) {
    ctx.Reply("You are not in a squad");
    return;
  }
  SetUserSquad(ctx, ctx.player.UserID, 0);
  ctx.Reply(Numbered(squad_id, SquadName(ctx, squad_id) + " " +
                                   SquadPassword(ctx, squad_id) +
                                   " You left your current squad.  Reenter "
                                   "for it to take effect"));
  if (OwnsSquad(ctx, squad_id)) ctx.Reply("You are still the owner");
}

// ?squaddissolve (SquadID): only the owner; AccountOp status does not help.
void HandleSquadDissolve(CommandContext& ctx, std::string_view args) {
  const std::string_view text = WithoutLeadingBlanks(args);
  if (!IsNumeric(text)) {
    ctx.Reply("Format: ?squaddissolve (SquadID)");
    return;
  }
  const std::int32_t squad_id = ctx.Number(text);
  if (!OwnsSquad(ctx, squad_id)) {
    ctx.Reply("You are not the owner of the squad");
    return;
  }
  ctx.Reply(Numbered(squad_id, SquadName(ctx, squad_id) + " " +
                                   SquadPassword(ctx, squad_id) +
                                   " Squad dissolved.  Reenter for it to take "
                                   "effect"));
  RenumberMembers(ctx, squad_id);
  Squads(ctx).RemoveSquad(squad_id);
}

// ?squadgrant (UserID): any member may take a squad that nobody owns.
void HandleSquadGrant(CommandContext& ctx, std::string_view args) {
  if (!IsNumeric(args)) {
    ctx.Reply("Format: ?squadgrant (UserID)");
    return;
  }
  const std::int32_t squad_id = CallerSquadOrReply(ctx);
  if (squad_id == 0) return;
  const std::int32_t owner = SquadOwner(ctx, squad_id);
  if (owner >= 1 && owner != ctx.player.UserID) {
    ctx.Reply("You are not the owner of the squad you are currently in");
    return;
  }
  ChangeOwnerOrReply(ctx, squad_id, args,
                     " Player was made the owner of your squad");
}

// ?squadpassword (SquadID):(new password)
void HandleSquadPassword(CommandContext& ctx, std::string_view args) {
  const std::size_t colon = args.find(':');
  const bool changing = colon != std::string_view::npos;
  std::int32_t squad_id = 0;
  if (changing) {
    // The SquadID stands between the argument's first character (the blank
    // after the word) and the ":".
    const std::size_t skip = std::min<std::size_t>(1, colon);
    squad_id = ctx.Number(args.substr(skip, colon - skip));
  } else if (IsNumeric(args)) {
    squad_id = ctx.Number(args);
  } else {
    // A SquadID that names no squad reads as an empty squad owned by
    // nobody: only an AccountOp passes the owner test below.
    squad_id = CallerSquad(ctx);
    if (squad_id == 0) {
      ctx.Reply("You are not in a squad");
      return;
    }
  }
  const std::string name = SquadName(ctx, squad_id);
  if (!ctx.Holds(Level::kAccountOp) && !OwnsSquad(ctx, squad_id)) {
    ctx.Reply(Numbered(squad_id, name + " You are not the owner of the squad"));
    return;
  }
  // An AccountOp passes the owner test for any number: a squad that does not
  // exist reads as empty and the write below changes nothing.
  const std::string password = SquadPassword(ctx, squad_id);
  if (!changing) {
    ctx.Reply(Numbered(squad_id, "Squad password is " + password));
    return;
  }
  const std::string_view new_password = args.substr(colon + 1);
  Squads(ctx).SetSquadField(squad_id, SquadField::kPassword, new_password);
  ctx.Reply(Numbered(squad_id, name + " " + password +
                                   " Squad password changed to " +
                                   std::string(new_password)));
}

// ?squadkick (UserID): an owner may kick himself and stays the owner.
void HandleSquadKick(CommandContext& ctx, std::string_view args) {
  const std::int32_t squad_id = CallerSquad(ctx);
  if (squad_id == 0) {
    ctx.Reply("You are not in a squad");
    return;
  }
  // A SquadID that names no squad has owner 0, which nobody is.
  if (!OwnsSquad(ctx, squad_id)) {
    ctx.Reply("You are not the owner of the squad you are currently in");
    return;
  }
  const std::int32_t target = ctx.Number(args);
  if (target < 1 || target > Users(ctx).UserCount()) {
    ctx.Reply("UserID is out of bounds");
    return;
  }
  if (UserSquad(ctx, target) != squad_id) {
    ctx.Reply("Player is not in your squad.");
    return;
  }
  SetUserSquad(ctx, target, 0);
  ctx.Reply(Numbered(
      target, UserName(ctx, target) + " Player was removed from your squad"));
}

// ?squadmembers (page) (squad name): without a name, the caller's squad.
void HandleSquadMembers(CommandContext& ctx, std::string_view args) {
  const std::string_view text = WithoutLeadingBlanks(args);
  const std::size_t blank = text.find(' ');
  const bool has_page = blank != std::string_view::npos;
  const std::int32_t page =
      PageNumber(ctx, has_page ? text.substr(0, blank) : std::string_view{});
  const std::string_view name = has_page ? text.substr(blank + 1) : text;
  // The caller's own squad is taken by its SquadID: another squad may carry
  // the same name.
  std::int32_t squad_id = 0;
  if (!name.empty()) {
    squad_id = Squads(ctx).FindSquad(name);
  } else if (SquadExists(ctx, CallerSquad(ctx))) {
    squad_id = CallerSquad(ctx);
  }
  if (squad_id == 0) {
    ctx.Reply("Squad unknown in Squad Database");
    return;
  }
  ctx.Reply("Members of squad " + SquadName(ctx, squad_id));
  const std::int32_t owner = SquadOwner(ctx, squad_id);
  FilteredPager pager(page);
  const std::int32_t count = Users(ctx).UserCount();
  for (std::int32_t user_id = 1; user_id <= count && !pager.Done(); ++user_id) {
    if (UserSquad(ctx, user_id) != squad_id || !pager.Take()) continue;
    ctx.Reply(Numbered(user_id, UserName(ctx, user_id) +
                                    (user_id == owner ? " - Owner" : "")));
  }
  ReplyPageFooter(ctx, page);
}

// ?squadid
void HandleSquadId(CommandContext& ctx, std::string_view) {
  const std::int32_t squad_id = CallerSquad(ctx);
  ctx.Reply(squad_id == 0 ? std::string("You are not in a squad")
                          : "SquadID:" + DecimalText(squad_id));
}

// ?squaddatabase (page)
void HandleSquadDatabase(CommandContext& ctx, std::string_view args) {
  const std::int64_t width = IdWidth(ctx);
  ctx.Reply(ListingHeader(width, "Owner" + Blanks(19) + " Status"));
  const std::int32_t page = PageNumber(ctx, args);
  const PageRange range = RangePage(page, Squads(ctx).SquadCount());
  for (std::int64_t id = range.first; id <= range.last; ++id) {
    const auto squad_id = static_cast<std::int32_t>(id);
    ctx.Reply(ListingRow(ctx, width, squad_id) +
              Column(UserName(ctx, SquadOwner(ctx, squad_id))) +
              (SquadPassword(ctx, squad_id).empty() ? "Public" : "Private"));
  }
  ReplyPageFooter(ctx, page);
}

// ?squadowner (SquadID):(new UserID)
void HandleSquadOwner(CommandContext& ctx, std::string_view args) {
  const ColonSplit split = SplitAtColon(WithoutLeadingBlanks(args));
  const std::int32_t squad_id = ctx.Number(split.first);
  if (!SquadExists(ctx, squad_id)) {
    ctx.Reply("SquadID is out of bounds");
    return;
  }
  if (!split.has_colon) {
    const std::int32_t owner = SquadOwner(ctx, squad_id);
    ctx.Reply(Numbered(owner, UserName(ctx, owner)));
    return;
  }
  ChangeOwnerOrReply(ctx, squad_id, split.second,
                     " Player was made the owner of the squad");
}

// ?squadown (page)
void HandleSquadOwn(CommandContext& ctx, std::string_view args) {
  const std::int64_t width = IdWidth(ctx);
  ctx.Reply(ListingHeader(width, "Squad Password"));
  const std::int32_t page = PageNumber(ctx, args);
  FilteredPager pager(page);
  const std::int32_t count = Squads(ctx).SquadCount();
  for (std::int32_t squad_id = 1; squad_id <= count && !pager.Done();
       ++squad_id) {
    if (!OwnsSquad(ctx, squad_id) || !pager.Take()) continue;
    ctx.Reply(ListingRow(ctx, width, squad_id) + SquadPassword(ctx, squad_id));
  }
  ReplyPageFooter(ctx, page);
}

// ?squadname (SquadID):(new name): without a SquadID, the caller's squad.
void HandleSquadName(CommandContext& ctx, std::string_view args) {
  const std::string_view text = WithoutLeadingBlanks(args);
  const ColonSplit split = SplitAtColon(text);
  const std::int32_t squad_id =
      text.empty() ? CallerSquad(ctx) : ctx.Number(split.first);
  if (!SquadExists(ctx, squad_id)) {
    ctx.Reply("SquadID is out of bounds");
    return;
  }
  if (!split.has_colon) {
    ctx.Reply(Numbered(squad_id, SquadName(ctx, squad_id)));
    return;
  }
  if (!ctx.Holds(Level::kAccountOp) && !OwnsSquad(ctx, squad_id)) {
    ctx.Reply("You are not the owner of the squad");
    return;
  }
  // Another squad may already carry the new name.
  Squads(ctx).SetSquadField(squad_id, SquadField::kName, split.second);
  ctx.Reply(
      "Squad name changed. Squad members must reenter for it to take effect");
}

}  // namespace tallyhall
