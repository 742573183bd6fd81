#include "Corvane_IPC.h"

#include "Corvane_CmdLine.h"
#include "QtText.h"
#include "SingleInstance.h"

#include <QString>

#include <memory>
#include <unistd.h>

namespace {

// Windows-1252 for 0x80..0x9F; the five unassigned bytes keep their own code.
constexpr char16_t cCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutLE(std::vector<uint8_t>& aOut, uint64_t aValue, int aBytes) {
  for (int i = 0; i < aBytes; ++i) aOut.push_back(uint8_t(aValue >> (8 * i)));
}

uint64_t GetLE(const uint8_t* aData, int aBytes) {
  uint64_t v = 0;
  for (int i = 0; i < aBytes; ++i) v |= uint64_t(aData[i]) << (8 * i);
  return v;
}


}  // namespace

int64_t IPCProcessID() {
  static const int64_t pid = int64_t(uint32_t(::getpid()));
  return pid;
}

std::vector<uint8_t> BuildIPCPacket(TIPCType ATyp, std::u16string_view AText, int64_t AIntData) {
  return BuildIPCPacket(IPCProcessID(), ATyp, AText, AIntData);
}

std::vector<uint8_t> BuildIPCPacket(int64_t AUID, TIPCType ATyp, std::u16string_view AText,
                                    int64_t AIntData) {
  std::vector<uint8_t> packet;
  packet.reserve(cIPCMinPacketSize + 2 * AText.size());
  PutLE(packet, uint64_t(AUID), 8);
  packet.push_back(uint8_t(ATyp));
  PutLE(packet, uint64_t(AIntData), 8);
  packet.push_back(cIPCTextUtf16);
  for (char16_t c : AText) PutLE(packet, c, 2);
  packet.push_back(0);
  return packet;
}

TIPCMessage ReadIPCMessage(const uint8_t* aData, size_t aSize) {
  TIPCMessage msg;
  if (!aData || aSize < cIPCMinPacketSize || aData[aSize - 1] != 0) return msg;
  const uint8_t kind = aData[17];
  const size_t textBytes = aSize - cIPCMinPacketSize;
  if (kind == cIPCTextUtf16 && textBytes % 2 != 0) return msg;

  msg.UID = int64_t(GetLE(aData, 8));
  msg.Typ = TIPCType(aData[8]);
  msg.IntData = int64_t(GetLE(aData + 9, 8));
  const uint8_t* text = aData + cIPCHeaderSize;
  if (kind == cIPCTextUtf16) {
    msg.StrData.resize(textBytes / 2);
    for (size_t i = 0; i < msg.StrData.size(); ++i) msg.StrData[i] = char16_t(GetLE(text + 2 * i, 2));
  } else if (kind == cIPCTextAnsi) {
    msg.StrData.resize(textBytes);
    for (size_t i = 0; i < textBytes; ++i) {
      const uint8_t b = text[i];
      msg.StrData[i] = (b >= 0x80 && b < 0xA0) ? cCp1252High[b - 0x80] : char16_t(b);
    }
  }
  return msg;
}

TIPCMessage ReadIPCMessage(const std::vector<uint8_t>& aPacket) {
  return ReadIPCMessage(aPacket.data(), aPacket.size());
}

std::vector<std::u16string> ReceivedArguments(const std::vector<uint8_t>& aPacket) {
  const TIPCMessage msg = ReadIPCMessage(aPacket);
  if (msg.Typ != ipcParams) return {};
  const TCommandLine cmd(std::u16string_view(msg.StrData));
  return cmd.ParamList();
}

std::u16string JoinHandOverArguments(const std::vector<std::u16string>& AArguments) {
  std::u16string text;
  for (const std::u16string& arg : AArguments) {
    text += arg;
    text += u"\r\n";
  }
  return TrimControlAndBlanks(text);
}

bool SendIPCMessage(int64_t ASender, TInstanceChannelClient& ATarget, TIPCType ATyp,
                    std::u16string_view AText, int64_t AIntData) {
  return ATarget.CopyData(ASender, 0, BuildIPCPacket(ATyp, AText, AIntData));
}

bool CheckRunningInstance(std::u16string_view ALockID, std::u16string_view AWndClassName,
                          bool AActivate, bool ASendArguments, int64_t ASender, bool AGlobal,
                          const std::vector<std::u16string>& AArguments) {
  // Held until the process ends; never released, like the lock it stands for.
  static std::vector<std::unique_ptr<TSingleInstanceLock>> processLocks;

  auto lock = std::make_unique<TSingleInstanceLock>();
  const TLockResult result = lock->Acquire(ToQString(ALockID), AGlobal);
  if (result == lrAcquired) {
    processLocks.push_back(std::move(lock));
    return false;
  }
  if (result == lrFailed) return false;  // could not tell: go on as the running instance

  if (AActivate) {
    TInstanceChannelClient target;
    if (target.Connect(ToQString(AWndClassName))) {
      target.Activate();
      if (ASendArguments && !AArguments.empty())
        SendIPCMessage(ASender, target, ipcParams, JoinHandOverArguments(AArguments), 0);
    }
  }
  return true;
}
