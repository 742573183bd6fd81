#include "Corvane_IPC.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

// A copy in a heap block of exactly the packet's size, so that a read past the end is
// caught by the address sanitizer.
TIPCMessage ReadExact(const Bytes& aBytes) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[aBytes.size() ? aBytes.size() : 1]);
  std::copy(aBytes.begin(), aBytes.end(), block.get());
  return ReadIPCMessage(block.get(), aBytes.size());
}

TEST(IPCPacket, LayoutIsByteExact) {
  const Bytes packet = BuildIPCPacket(0x89ABCDEF, ipcParams, u"a\u4E00", -2);
  const Bytes expected = {
      0xEF, 0xCD, 0xAB, 0x89, 0x00, 0x00, 0x00, 0x00,  // UID, zero-extended
      0x01,                                            // ipcParams
      0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // IntData -2
      0x02,                                            // UTF-16LE
      0x61, 0x00, 0x00, 0x4E,                          // "a", U+4E00 (low byte 0)
      0x00};                                           // terminator
  EXPECT_EQ(packet, expected);
  EXPECT_EQ(BuildIPCPacket(1, ipcParams, u"", 0).size(), 19u);

  // The packet a second start sends carries this process's identifier.
  EXPECT_EQ(ReadIPCMessage(BuildIPCPacket(ipcParams, u"x", 0)).UID, IPCProcessID());
  EXPECT_GT(IPCProcessID(), 0);
}

TEST(IPCPacket, RoundTripKeepsEveryCodeUnit) {
  const std::u16string texts[] = {
      u"", u"a.xml\r\nb.xml", u"\u4E00\u0100\0x"s, u"\xD83D\xDE00", u"\xDC00 lone", std::u16string(70000, u'\u00FF')};
  for (const std::u16string& text : texts) {
    const TIPCMessage m = ReadExact(BuildIPCPacket(0xFFFFFFFF, ipcData, text, INT64_MIN));
    EXPECT_EQ(m.UID, 0xFFFFFFFFll);
    EXPECT_EQ(m.Typ, ipcData);
    EXPECT_EQ(m.IntData, INT64_MIN);
    EXPECT_EQ(m.StrData, text);
  }
}

TEST(IPCPacket, MalformedPacketsDecodeToNothing) {
  const Bytes good = BuildIPCPacket(7, ipcParams, u"ab", 3);
  Bytes noTerminator = good;
  noTerminator.pop_back();
  noTerminator.push_back('x');
  Bytes oddText = good;
  oddText.insert(oddText.end() - 1, 0x41);  // 2 code units and a stray byte
  const Bytes cases[] = {{}, {0}, Bytes(18, 0), noTerminator, oddText};
  for (const Bytes& bad : cases) {
    const TIPCMessage m = ReadExact(bad);
    EXPECT_EQ(m.Typ, ipcUnknown);
    EXPECT_TRUE(m.StrData.empty());
  }
  EXPECT_EQ(ReadIPCMessage(nullptr, 100).Typ, ipcUnknown);

  // Every cut of a valid packet but the whole is rejected, and none is read past its end.
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_EQ(ReadExact(Bytes(good.begin(), good.begin() + n)).Typ, ipcUnknown) << n;
  EXPECT_EQ(ReadExact(Bytes(good.begin(), good.end())).StrData, u"ab");
}

TEST(IPCPacket, TextKinds) {
  Bytes ansi = {1, 0, 0, 0, 0, 0, 0, 0, ipcParams, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'a', 0x80, 0xE9, 0x9F, 0};
  TIPCMessage m = ReadExact(ansi);
  EXPECT_EQ(m.Typ, ipcParams);
  EXPECT_EQ(m.StrData, u"a\u20AC\u00E9\u0178");  // single-byte text as Windows-1252

  Bytes unknownKind = BuildIPCPacket(1, ipcParams, u"ab", 0);
  unknownKind[17] = 9;
  m = ReadExact(unknownKind);
  EXPECT_EQ(m.Typ, ipcParams);  // the header still counts; the text is dropped
  EXPECT_TRUE(m.StrData.empty());
}

TEST(IPCHandOver, ArgumentsArriveInOrderAndOnlyFromParamsPackets) {
  using Strings = std::vector<std::u16string>;
  const std::u16string text = JoinHandOverArguments({u"  a.xml", u"b \u4E00.xml", u"-v", u"c.xml \t"});
  EXPECT_EQ(text, u"a.xml\r\nb \u4E00.xml\r\n-v\r\nc.xml");  // outer blanks and the last break go
  EXPECT_EQ(JoinHandOverArguments({}), u"");

  EXPECT_EQ(ReceivedArguments(BuildIPCPacket(ipcParams, text, 0)),
            (Strings{u"a.xml", u"b \u4E00.xml", u"-v", u"c.xml"}));
  EXPECT_TRUE(ReceivedArguments(BuildIPCPacket(ipcData, text, 0)).empty());
  EXPECT_TRUE(ReceivedArguments(BuildIPCPacket(ipcUnknown, text, 0)).empty());
  EXPECT_TRUE(ReceivedArguments(Bytes(5, 1)).empty());
}

}  // namespace
