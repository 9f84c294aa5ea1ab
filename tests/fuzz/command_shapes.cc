// Command texts of every command word and the libFuzzer dictionary.
#include "fuzz/command_shapes.h"

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "fuzz/fuzz_traffic.h"
#include "net/messages.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {

std::vector<std::string> CommandShapes() {
  // Typed by Warden (UserID 1, owner of squad 1 and in it, every level),
  // in this order, which keeps his levels and his record to the end; UserID
  // 40 is nobody present, MacID 1001 is Warden's in zone one.
  return {"?squadcreate Hawks:hawkpw",
          "?squadcreate Squad 7:taken",
          "?squadjoin Squad 4:pw4",
          "?squadjoin Squad 5",
          "?squadleave",
          "?squaddissolve 1",
          "?squadgrant 5",
          "?squadgrant 0",
          "?squadpassword 1:newpw",
          "?squadpassword 1:",
          "?squadpassword 2",
          "?squadpassword",
          "?squadkick 62",
          "?squadmembers 1 Squad 1",
          "?squadmembers Squad 2",
          "?squadid",
          "?scoreid",
          "?squaddatabase 2",
          "?squadowner 3:7",
          "?squadowner 3",
          "?squadown 1",
          "?squadname 1:Renamed",
          "?squadname 1",
          "?chat=lobby,ops",
          "?chat",
          "?find Keeper",
          "?find 1001",
          "?find 10.1.2.3",
          "?top10",
          "?top20 win",
          "?top 30 kill",
          "?top10 ratio",
          "?top10 loss",
          "?top10 flag",
          "?scoreown 1",
          "?scoreswap player 4",
          "?scoreswap",
          "?scoreadd 10.1.2.3:4242:Newcomer",
          "?scoreadd 10.2.1.8:1002:Player 8",
          "?scoreedit 40 1 2 3 4 5",
          "?scoreedit 40 40000 -1 2.5 &H10 9",
          "?scoredelete 250",
          "?scoreall 2",
          "?scorefind 1 player 40",
          "?version",
          "?about",
          "?misc",
          "?bhelp",
          "?listoppassword",
          "?listop 1",
          "?login heraldicfern",
          "?bset Misc:Greeting:Hello",
          "?bset Passwords:SysOpPassword:newpw",
          "?bget Misc:AutoSave",
          "?zonelist 1",
          "?zoneplayers 2 1",
          "?zoneplayers 1",
          "?save",
          "?autosave 00:00:30",
          "?autosave 00:10:00",
          "?greeting default",
          "?greeting off",
          "?greeting Welcome",
          "?username 40:Renamed",
          "?username 40",
          "?infodump 2",
          "?infopage 1 player 40",
          "?info player 40",
          "?aliasx2 1",
          "?aliaspage 1 1001",
          "?alias 1001",
          "?zonerecycle 2",
          "?zonereset 2",
          "?zoneclose 2",
          "?scoredelete 1",
          "?logoff mas"};
}

namespace {

// One dictionary line: the bytes quoted, with \xHH for every byte that is
// not printable ASCII and for the quote and the backslash.
std::string DictionaryLine(std::string_view bytes) {
  std::string line = "\"";
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\') {
      line += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      line += hex;
    }
  }
  return line + "\"\n";
}

}  // namespace

std::string DictionaryText() {
  std::string text =
      "# Written by make_seeds: command shapes alone and as whole chunks "
      "typed\n# by zone one's SysOp, fault instructions, framing.\n";
  const std::string chunk_start = std::string(kChunkSeparator) + '\0';
  for (const std::string& shape : CommandShapes()) {
    text += DictionaryLine(shape);
    text += DictionaryLine(chunk_start + Reliable(0, CommandMessage(1, shape)));
  }
  for (const unsigned char selector :
       {kWriteFaultSelector, kReadFaultSelector}) {
    for (const FaultFile file : {FaultFile::kUser, FaultFile::kSquad,
                                 FaultFile::kScore, FaultFile::kSettings}) {
      text += DictionaryLine(std::string(kChunkSeparator) +
                             FileFaultChunk(selector, file, 0, ENOSPC, 3));
    }
  }
  text += DictionaryLine(
      std::string(kChunkSeparator) +
      FileFaultChunk(kWriteFaultSelector, FaultFile::kUser, 0, ENOSPC, 0));
  text += DictionaryLine(std::string(kChunkSeparator) +
                         static_cast<char>(kTickSelector));
  text += DictionaryLine(chunk_start + std::string(kDisconnect));
  text += DictionaryLine(kChunkSeparator);
  text += DictionaryLine(Reliable(0, CommandMessage(1, "")));
  return text;
}

}  // namespace tallyhall
