// The packet interpreter's branches, sequence numbers and the framing of the
// messages the server sends.
#include "net/interpreter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/failure.h"
#include "db/encoding.h"
#include "net/messages.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

class ConnectionTest : public CoreTest {};

TEST_F(ConnectionTest, ConnectRequestIsEchoedInBothForms) {
  Receive(ZoneAddress(1), Hex("00 01 a1 b2 c3 d4 01 00"));
  Receive(ZoneAddress(1), Hex("00 01 01 00"));
  EXPECT_EQ(
      TakeSent(ZoneAddress(1)),
      (std::vector<std::string>{Hex("00 02 a1 b2 c3 d4"), Hex("00 02 01 00")}));
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(ConnectionTest, OtherPacketFromUnknownSenderIsAnsweredWithDisconnect) {
  Receive(ZoneAddress(1), Hex("00 05 01 02"));
  Receive(ZoneAddress(1), Hex("00 04 01 02 03 04"));
  Receive(ZoneAddress(1), Hex("ff"));
  // A connection request ends in 01 00.
  Receive(ZoneAddress(1), Hex("00 01 a1 b2 c3 d4 02 00"));
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>(4, Hex("00 07")));
  EXPECT_TRUE(TakeLines().empty());
}

// Answering a Disconnect would let two servers (or any service that answers
// from its port) bounce Disconnects for ever after one spoofed datagram.
TEST_F(ConnectionTest, DisconnectFromUnknownSenderGetsNoAnswer) {
  for (const std::string& datagram : {Hex("00 07"), Hex("00 07 00 00 00 00")}) {
    Receive(ZoneAddress(1), datagram);
    EXPECT_TRUE(TakeSent(ZoneAddress(1)).empty()) << datagram.size();
  }
  EXPECT_TRUE(TakeLines().empty());
  Receive(ZoneAddress(1), Hex("00 06"));
  EXPECT_EQ(TakeSent(ZoneAddress(1)), std::vector<std::string>{Hex("00 07")});
}

TEST_F(ConnectionTest, ZoneLoginMessageFromConnectedZoneIsOnlyAcknowledged) {
  LoginZone(1);
  ReceiveReliable(ZoneAddress(1), Hex("01 02 03"), 0x01020304);
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{Hex("00 04 04 03 02 01")});
  EXPECT_EQ(core_.zones().ZoneCount(), 1);
}

TEST_F(ConnectionTest, AcknowledgementFromZoneIsIgnored) {
  LoginZone(1);
  TakeLines();
  Receive(ZoneAddress(1), Hex("00 04 00 00 00 00"));
  EXPECT_TRUE(TakeSent(ZoneAddress(1)).empty());
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(ConnectionTest, UnrecognizedConnectionEventIsLoggedAndRecorded) {
  LoginZone(1, "Main");
  TakeLines();
  clock_.Set({.year = 2026,
              .month = 3,
              .day = 4,
              .hour = 5,
              .minute = 6,
              .second = 7});
  const std::string datagram = Hex("00 0e 0a 0b 0c 0d ff 00 41");
  Receive(ZoneAddress(1), datagram);
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{Hex("00 04 0a 0b 0c 0d")});
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{"Main(ServerID:1 GroupID:1 ScoreID:1) "
                                     "Unrecognized connection event 14"});
  EXPECT_EQ(ReadFile(folder_.File("unknownconnectionevent.14")),
            "2026-03-04    05:06:07      " + datagram + "\r\n");
}

TEST_F(ConnectionTest, ConnectRequestFromConnectedZoneIsAnUnrecognizedEvent) {
  LoginZone(1, "Main");
  TakeLines();
  Receive(ZoneAddress(1), Hex("00 01 01 00"));
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{Hex("00 04 01 00")});
  EXPECT_EQ(
      TakeLines().back(),
      "Main(ServerID:1 GroupID:1 ScoreID:1) Unrecognized connection event 1");
  EXPECT_EQ(core_.zones().ZoneCount(), 1);
}

TEST_F(ConnectionTest, UnknownUserEventIsAcknowledgedLoggedAndRecorded) {
  LoginZone(1, "Main");
  TakeLines();
  ReceiveReliable(ZoneAddress(1), Hex("30 99"), 5);
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{Hex("00 04 05 00 00 00")});
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{
                "Main(ServerID:1 GroupID:1 ScoreID:1) Unknown user event 48"});
  const std::string record = ReadFile(folder_.File("unknownuserevent.48"));
  EXPECT_EQ(record.substr(28), Hex("00 03 05 00 00 00 30 99") + "\r\n");
  ReceiveReliable(ZoneAddress(1), Hex("30"), 6);
  EXPECT_EQ(ReadFile(folder_.File("unknownuserevent.48")).size(),
            record.size() * 2 - 1);
}

// A zone, or a sender spoofing one, must not fill the disk.
TEST_F(ConnectionTest, EventRecordFileStopsGrowingAtOneMebibyte) {
  LoginZone(1, "Main");
  const std::string path = folder_.File("unknownuserevent.48");
  const std::size_t record = 28 + 7 + 2;  // stamps, datagram, CR LF
  WriteFile(path, std::string((1 << 20) - record, 'x'));
  TakeLines();
  const std::string event =
      "Main(ServerID:1 GroupID:1 ScoreID:1) Unknown user "
      "event 48";
  const std::string full =
      "Main(ServerID:1 GroupID:1 ScoreID:1) Event record file "
      "unknownuserevent.48 is full (1 MiB); further events are not recorded";
  const std::vector<std::vector<std::string>> lines_per_event = {
      {event}, {event, full}, {event}};
  for (const auto& lines : lines_per_event) {
    ReceiveReliable(ZoneAddress(1), Hex("30"), 5);
    EXPECT_EQ(TakeLines(), lines);
    EXPECT_EQ(std::filesystem::file_size(path), 1u << 20);
  }
  ReceiveReliable(ZoneAddress(1), Hex("31"), 6);
  EXPECT_EQ(ReadFile(folder_.File("unknownuserevent.49")).size(), record);
}

TEST_F(ConnectionTest, FailureToRecordAnEventIsLoggedAndHandlingGoesOn) {
  LoginZone(1, "Main");
  TakeLines();
  std::filesystem::create_directory(folder_.File("unknownuserevent.48"));
  ReceiveReliable(ZoneAddress(1), Hex("30"), 5);
  EXPECT_EQ(TakeLines().back(), "File access error 75");
  ReceiveReliable(ZoneAddress(1), Hex("31"), 6);
  EXPECT_EQ(TakeLines().front(),
            "Main(ServerID:1 GroupID:1 ScoreID:1) Unknown user event 49");
}

TEST_F(ConnectionTest, SequenceNumbersStartAtZeroAndWrapAfterMaximum) {
  const std::int32_t id = LoginZone(1);
  for (int i = 0; i < 3; ++i) SendPlayerMessage(core_, id, 9, "x");
  std::vector<std::string> sent = TakeSent(ZoneAddress(1));
  ASSERT_EQ(sent.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(DecodeReliable(sent[static_cast<std::size_t>(i)])->sequence, i);
  }
  Zone(id).SendSequence = 2147483647;
  EXPECT_EQ(NextSequence(Zone(id)), Hex("ff ff ff 7f"));
  EXPECT_EQ(NextSequence(Zone(id)), Hex("00 00 00 00"));
}

TEST_F(ConnectionTest, SendOperationsFrameTheirMessagesExactly) {
  LoginZone(1);
  LoginZone(2);
  SendPlayerMessage(core_, 1, 0x01020304, "Hi");
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{
                Hex("00 03 00 00 00 00 09 04 03 02 01 48 69 00")});
  SendChannelMessage(core_, 2, "Bob", 7, 3, "yo");
  EXPECT_EQ(TakeSent(ZoneAddress(2)),
            std::vector<std::string>{Hex(
                "00 03 00 00 00 00 0a 07 00 00 00 03 42 6f 62 3e 20 79 6f")});
  SendZoneBroadcast(core_, "A");
  EXPECT_EQ(TakeSent(ZoneAddress(1)),
            std::vector<std::string>{
                Hex("00 03 01 00 00 00 03 b8 0b 00 00 02 00 41 00")});
  EXPECT_EQ(TakeSent(ZoneAddress(2)),
            std::vector<std::string>{
                Hex("00 03 01 00 00 00 03 b8 0b 00 00 02 00 41 00")});
}

TEST_F(ConnectionTest, MessageToZoneOutsideTableIsACaughtFailure) {
  LoginZone(1);
  TakeLines();
  EXPECT_FALSE(
      RunStep(core_.terminal(), [&] { SendPlayerMessage(core_, 2, 1, "x"); }));
  EXPECT_FALSE(
      RunStep(core_.terminal(), [&] { SendPlayerMessage(core_, 0, 1, "x"); }));
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>(2, "Subscript out of range 9"));
  EXPECT_TRUE(TakeSent(ZoneAddress(1)).empty());
}

TEST_F(ConnectionTest, ShortAndOddDatagramsNeverCrash) {
  LoginZone(1);
  for (const std::string& datagram :
       {Hex("00"), Hex("00 03"), Hex("00 03 01"), Hex("00 03 01 02 03 04"),
        Hex("00 03 01 02 03 04 04"), Hex("00 03 01 02 03 04 05"),
        Hex("00 03 01 02 03 04 07 ff ff ff ff"), Hex("00 03 01 02 03 04 13"),
        Hex("00 03 01 02 03 04 0e"), Hex("00 03 01 02 03 04 10 01")}) {
    Receive(ZoneAddress(1), datagram);
  }
  EXPECT_EQ(core_.zones().ZoneCount(), 1);
}

}  // namespace
}  // namespace tallyhall
