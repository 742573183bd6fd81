#include "XmlScan.h"

namespace XmlScanDetail {
TXMLScanMode gMode = smVector;
}

void XmlScanSetMode(TXMLScanMode aMode) { XmlScanDetail::gMode = aMode; }
TXMLScanMode XmlScanMode() { return XmlScanDetail::gMode; }
