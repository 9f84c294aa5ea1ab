// Listing, showing and exporting database records as text. Fields are read
// with the databases' named operations and the shared field encodings.
#include "db_tool/db_text.h"

#include <cstdio>

#include "base/terminal.h"
#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::string_view kCsvLineEnd = "\r\n";

// The fields of one user record that the listings show.
struct UserView {
  std::int32_t id = 0;
  std::string name;
  std::int32_t squad_id = 0;
  std::string squad;  // empty when the SquadID names no squad
  std::int32_t score_id = 0;
  ScoreFields scores;
  std::int32_t mac = 0;
  std::string ip;
  std::string last_played;
};

std::int32_t IntField(const UserDatabase& users, std::int32_t id,
                      UserField field) {
  return BytesToInt32(users.GetUserField(id, field));
}

UserView ViewOf(const ZoneDatabases& dbs, std::int32_t id) {
  const UserDatabase& users = dbs.users;
  UserView v;
  v.id = id;
  v.name = TrimAtNul(users.GetUserField(id, UserField::kName));
  v.squad_id = IntField(users, id, UserField::kSquadID);
  v.squad = TrimAtNul(dbs.squads.GetSquadField(v.squad_id, SquadField::kName));
  v.score_id = IntField(users, id, UserField::kScoreID);
  v.scores = ScoreFieldsOf(dbs.scores.GetScoreRecord(v.score_id));
  v.mac = IntField(users, id, UserField::kMacID);
  v.ip = IpText(users.GetUserField(id, UserField::kIP));
  v.last_played = DateText(users.GetUserField(id, UserField::kLastDatePlayed));
  return v;
}

std::string ScoreTexts(const ScoreFields& s, std::string_view separator) {
  std::string text;
  for (std::int64_t value : {std::int64_t{s.win}, std::int64_t{s.loss},
                             std::int64_t{s.ratio}, std::int64_t{s.kill_points},
                             std::int64_t{s.flag_points}, s.TotalPoints()}) {
    text += separator;
    text += DecimalText(value);
  }
  return text;
}

// Joins fields with commas and ends the row.
std::string CsvRow(std::initializer_list<std::string> fields) {
  std::string row;
  for (const std::string& field : fields) {
    if (!row.empty()) row += ',';
    row += field;
  }
  row += kCsvLineEnd;
  return row;
}

}  // namespace

std::string ListHeader() {
  return "UserID\tName\tSquadID\tSquad\tMacID\tIP\tLastDatePlayed\tWin\tLoss\t"
         "Ratio\tKillPoints\tFlagPoints\tTotalPoints\n";
}

std::string ListLine(const ZoneDatabases& dbs, std::int32_t id) {
  const UserView v = ViewOf(dbs, id);
  return DecimalText(v.id) + "\t" + EscapeControlBytes(v.name) + "\t" +
         DecimalText(v.squad_id) + "\t" + EscapeControlBytes(v.squad) + "\t" +
         DecimalText(v.mac) + "\t" + v.ip + "\t" + v.last_played +
         ScoreTexts(v.scores, "\t") + "\n";
}

std::string JsonLine(const ZoneDatabases& dbs, std::int32_t id) {
  const UserView v = ViewOf(dbs, id);
  const ScoreFields& s = v.scores;
  return "{\"user_id\":" + DecimalText(v.id) +
         ",\"name\":" + JsonString(v.name) +
         ",\"squad_id\":" + DecimalText(v.squad_id) +
         ",\"squad\":" + JsonString(v.squad) +
         ",\"score_id\":" + DecimalText(v.score_id) +
         ",\"mac_id\":" + DecimalText(v.mac) + ",\"ip\":" + JsonString(v.ip) +
         ",\"last_date_played\":" + JsonString(v.last_played) +
         ",\"win\":" + DecimalText(s.win) + ",\"loss\":" + DecimalText(s.loss) +
         ",\"ratio\":" + DecimalText(s.ratio) +
         ",\"kill_points\":" + DecimalText(s.kill_points) +
         ",\"flag_points\":" + DecimalText(s.flag_points) +
         ",\"total_points\":" + DecimalText(s.TotalPoints()) + "}\n";
}

std::string ShowRecord(const ZoneDatabases& dbs, std::int32_t id) {
  const UserView v = ViewOf(dbs, id);
  const UserDatabase& users = dbs.users;
  std::string text = "UserID: " + DecimalText(v.id) + "\n";
  text += "Name: " + EscapeControlBytes(v.name) + "\n";
  text += "SquadID: " + DecimalText(v.squad_id);
  if (!v.squad.empty()) text += " (" + EscapeControlBytes(v.squad) + ")";
  text += "\nScoreID: " + DecimalText(v.score_id) + "\n";
  text += "Scores (Win Loss Ratio KillPoints FlagPoints TotalPoints):" +
          ScoreTexts(v.scores, " ") + "\n";
  const std::string block = users.GetUserField(id, UserField::kDataBlock);
  text += "DataBlock:\n";
  for (std::size_t at = 0; at < block.size(); at += 32) {
    text += "  " + HexText(block.substr(at, 32)) + "\n";
  }
  text +=
      "Created: " + TimeStampText(users.GetUserField(id, UserField::kCreated)) +
      "\n";
  text += "IP: " + v.ip + "\n";
  text += "MacID: " + DecimalText(v.mac) + "\n";
  text += "LastDatePlayed: " + v.last_played + "\n";
  text += "UsageTotal: " +
          DecimalText(IntField(users, id, UserField::kUsageTotal)) + "\n";
  return text;
}

std::string JsonString(std::string_view bytes) {
  std::string text = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char escape[7];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      text += escape;
    } else {
      text += static_cast<char>(c);
    }
  }
  return text + "\"";
}

std::string CsvField(std::string_view bytes) {
  bool quote = !bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' ');
  for (unsigned char c : bytes) {
    if (c == ',' || c == '"' || c < 0x20 || c == 0x7f) quote = true;
  }
  if (!quote) return std::string(bytes);
  std::string field = "\"";
  for (char c : bytes) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

std::string CsvText(std::string_view bytes, bool raw) {
  const bool formula =
      !bytes.empty() && (bytes.front() == '=' || bytes.front() == '+' ||
                         bytes.front() == '-' || bytes.front() == '@');
  if (raw || !formula) return CsvField(bytes);
  return CsvField("'" + std::string(bytes));
}

std::string UserCsv(const UserDatabase& users, bool raw) {
  std::string csv =
      CsvRow({"UserID", "Name", "SquadID", "ScoreID", "DataBlock", "Created",
              "IP", "MacID", "LastDatePlayed", "UsageTotal"});
  for (std::int32_t id = 1; id <= users.UserCount(); ++id) {
    csv += CsvRow(
        {DecimalText(id),
         CsvText(TrimAtNul(users.GetUserField(id, UserField::kName)), raw),
         DecimalText(IntField(users, id, UserField::kSquadID)),
         DecimalText(IntField(users, id, UserField::kScoreID)),
         HexText(users.GetUserField(id, UserField::kDataBlock)),
         TimeStampText(users.GetUserField(id, UserField::kCreated)),
         IpText(users.GetUserField(id, UserField::kIP)),
         DecimalText(IntField(users, id, UserField::kMacID)),
         DateText(users.GetUserField(id, UserField::kLastDatePlayed)),
         DecimalText(IntField(users, id, UserField::kUsageTotal))});
  }
  return csv;
}

std::string SquadCsv(const SquadDatabase& squads, bool raw) {
  std::string csv = CsvRow({"SquadID", "Name", "Password", "Owner"});
  for (std::int32_t id = 1; id <= squads.SquadCount(); ++id) {
    csv += CsvRow(
        {DecimalText(id),
         CsvText(TrimAtNul(squads.GetSquadField(id, SquadField::kName)), raw),
         CsvText(TrimAtNul(squads.GetSquadField(id, SquadField::kPassword)),
                 raw),
         DecimalText(
             BytesToInt32(squads.GetSquadField(id, SquadField::kOwner)))});
  }
  return csv;
}

std::string ScoreCsv(const ScoreDatabase& scores) {
  std::string csv = CsvRow({"ScoreID", "Win", "Loss", "Ratio", "KillPoints",
                            "FlagPoints", "TotalPoints"});
  for (std::int32_t id = 1; id <= scores.ScoreCount(); ++id) {
    std::string values =
        ScoreTexts(ScoreFieldsOf(scores.GetScoreRecord(id)), ",");
    csv += DecimalText(id) + values + std::string(kCsvLineEnd);
  }
  return csv;
}

std::string TimeStampText(std::string_view packed) {
  int parts[6] = {};
  for (std::size_t i = 0; i < 6; ++i) {
    parts[i] = BytesToInt16(FieldAt(packed, 2 * i, 2));
  }
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts[0],
                parts[1], parts[2], parts[3], parts[4], parts[5]);
  return text;
}

}  // namespace tallyhall
