// The hand-over between two starts of the program: the packet a second start sends to the
// running instance, and the single-instance check that decides which process goes on.
//
// Packet layout (little-endian, no gaps), n = text bytes:
//   0   8  UID      sender's process identifier (32-bit value, zero-extended)
//   8   1  Typ      TIPCType
//   9   8  IntData
//   17  1  text kind: 2 = UTF-16LE (sent), 1 = single-byte text (accepted when received)
//   18  n  text, no byte-order mark, no terminating code unit
//   18+n 1 a 0 byte
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TInstanceChannelClient;

enum TIPCType : uint8_t {
  ipcUnknown = 0,
  ipcParams = 1,  // the text is a command line, one argument per line
  ipcData = 2
};

struct TIPCMessage {
  int64_t UID = 0;
  TIPCType Typ = ipcUnknown;
  int64_t IntData = 0;
  std::u16string StrData;
};

constexpr size_t cIPCHeaderSize = 18;
constexpr size_t cIPCMinPacketSize = cIPCHeaderSize + 1;
constexpr uint8_t cIPCTextAnsi = 1;
constexpr uint8_t cIPCTextUtf16 = 2;

// The program's own lock identifier and the window class name a second start looks for.
inline constexpr std::u16string_view cQuillonInstanceLockID = u"{7D92BE43-29D2-4241-AE23-81F56F6401EB}";
inline constexpr std::u16string_view cQuillonMainWindowClass = u"Twnd_quillon_Main";

// This process's identifier as it goes into UID.
int64_t IPCProcessID();

// The packet for a message, with UID = IPCProcessID().
std::vector<uint8_t> BuildIPCPacket(TIPCType ATyp, std::u16string_view AText, int64_t AIntData);
// Same with an explicit UID.
std::vector<uint8_t> BuildIPCPacket(int64_t AUID, TIPCType ATyp, std::u16string_view AText,
                                    int64_t AIntData);

// Decodes a received packet. The packet comes from another process and is not trusted:
// nothing is read outside [aData, aData + aSize). A packet that is shorter than 19 bytes,
// lacks its final 0 byte, or has an odd UTF-16 text length decodes to a message of type
// ipcUnknown with no text, which receivers ignore. Single-byte text is taken as
// Windows-1252. A text kind other than 1 or 2 gives an empty StrData.
TIPCMessage ReadIPCMessage(const uint8_t* aData, size_t aSize);
TIPCMessage ReadIPCMessage(const std::vector<uint8_t>& aPacket);

// The receiving side's parse of a hand-over: the arguments of an ipcParams packet, one per
// line, in order; nothing for any other packet. The caller opens those that name existing
// files (not directories).
std::vector<std::u16string> ReceivedArguments(const std::vector<uint8_t>& aPacket);

// The text a second start hands over: each argument followed by CR LF, then stripped of
// leading and trailing characters up to code 32.
std::u16string JoinHandOverArguments(const std::vector<std::u16string>& AArguments);

// Builds the packet and delivers it over ATarget with ASender as the sender argument and
// tag 0; returns once the receiver has handled it (true) or when the channel failed or
// timed out (false).
bool SendIPCMessage(int64_t ASender, TInstanceChannelClient& ATarget, TIPCType ATyp,
                    std::u16string_view AText, int64_t AIntData);

// True when another instance holds the lock ALockID (this process must then end). The
// first caller that gets the lock keeps it until the process ends. When another instance
// runs and AActivate is set, it is asked to come to the front and, with ASendArguments and
// at least one argument in AArguments (the process arguments after the program path), is
// handed them as one ipcParams packet. A running instance that cannot be reached (still
// starting, or hung past the time-out) gets nothing; the result is still true.
bool CheckRunningInstance(std::u16string_view ALockID, std::u16string_view AWndClassName,
                          bool AActivate, bool ASendArguments, int64_t ASender, bool AGlobal,
                          const std::vector<std::u16string>& AArguments);
