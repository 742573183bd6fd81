// The first two bytes choose the default encoding and the block size; the rest is the
// document. Every code unit is read, with undo, look-back, errors and an encoding switch mixed in.
#include <cstddef>
#include <cstdint>

#include "TextReadWrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2) return 0;
  static const int kCodePages[] = {65001, 1200, 1201, 65000, 20127, 0, 932, 1251, 936};
  int codePage = kCodePages[aData[0] % (sizeof kCodePages / sizeof *kCodePages)];
  int32_t block = 1 + aData[1] % 64;
  TTextReader reader(block);
  reader.InitBuffer(aData + 2, static_cast<int64_t>(aSize - 2), EncodingFromCodePage(codePage));
  reader.SetErrorHandling(ehRaiseAndEat);
  char16_t c;
  unsigned step = aData[0];
  while (reader.ReadNextChar(c)) {
    switch (++step % 11) {
      case 0: reader.UndoRead(); break;
      case 4: (void)reader.ReadPreviousString(30, true); break;
      case 7: if (c == u'<') reader.RaiseException(TXMLParseErrorInvalidStructure::ClassType(), u"x"); break;
      case 9: if (c == u'?' && reader.FilePosition() < 64) reader.SetEncoding(TEncoding::UTF8()); break;
    }
  }
  return 0;
}
