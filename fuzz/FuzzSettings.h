// Reader settings taken from one input byte, so that every harness reaches the same corners
// (strict and tolerant, references kept or expanded, reading past the document element, each
// line-break mode, no declaration) with one mapping. Bits 0-5 are used; the harnesses own bits 6-7.
#pragma once

#include <cstdint>

#include "XmlReadWrite.h"

inline void ApplyFuzzSettings(TXMLReaderSettings& aSettings, uint8_t aFlags) {
  aSettings.SetStrictXML(aFlags & 1);
  aSettings.SetExpandEntities(aFlags & 2);
  aSettings.SetBreakReading(aFlags & 4 ? brNone : brAfterDocumentElement);
  aSettings.SetLineBreak(static_cast<TXMLLineBreak>((aFlags >> 3) & 3));
  aSettings.SetRecognizeXMLDeclaration(!(aFlags & 32));
}
