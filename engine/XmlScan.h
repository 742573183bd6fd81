// Run scans for the reader's token loop: how far the code units of a decoded block go on being
// taken as they are, in text and in quoted attribute values. Eight code units are tested at a
// time with SSE2 where the machine has it; the plain loops do the same one code unit at a time.
// Tests and fuzz harnesses choose the path at run time and check that every input reads alike
// with the vector scans, the plain ones, and the reader's general scan alone.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// smVector: the reader's fast paths with vector scans where the machine has them (the default);
// smPlain: the fast paths with the plain loops; smGeneral: no fast path, every token through
// the general scan.
enum TXMLScanMode : uint8_t { smVector, smPlain, smGeneral };

namespace XmlScanDetail {
extern TXMLScanMode gMode;

// The code units below the space other than the tab, and U+FFFE and U+FFFF: what XML forbids
// or what needs a look of its own (CR and LF).
inline bool IsControl(char16_t c) { return (c < 0x20 && c != 0x09) || c >= 0xFFFE; }

#if defined(__SSE2__)
// Lanes (as byte pairs) of v that are control units. The bias turns the unsigned order into the
// signed order SSE2 compares in.
inline __m128i ControlLanes(__m128i v) {
  const __m128i biased = _mm_xor_si128(v, _mm_set1_epi16(static_cast<short>(0x8000)));
  const __m128i low = _mm_cmplt_epi16(biased, _mm_set1_epi16(static_cast<short>(0x8020)));
  const __m128i high = _mm_cmpgt_epi16(biased, _mm_set1_epi16(static_cast<short>(0x7FFD)));
  const __m128i tab = _mm_cmpeq_epi16(v, _mm_set1_epi16(0x09));
  return _mm_or_si128(_mm_andnot_si128(tab, low), high);
}
#endif
}  // namespace XmlScanDetail

// For tests; not meant to change while a document is read.
void XmlScanSetMode(TXMLScanMode aMode);
TXMLScanMode XmlScanMode();
inline bool XmlFastPaths() { return XmlScanDetail::gMode != smGeneral; }

// The first code unit in [p, end) that text does not take as it is: control units, "&", "<",
// ">" and "]"; end when there is none.
inline const char16_t* XmlTextRunEnd(const char16_t* p, const char16_t* end) {
  using namespace XmlScanDetail;
#if defined(__SSE2__)
  if (gMode == smVector) {
    const __m128i amp = _mm_set1_epi16(u'&'), lt = _mm_set1_epi16(u'<'), gt = _mm_set1_epi16(u'>'),
                  rsb = _mm_set1_epi16(u']');
    for (; end - p >= 8; p += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i stop = _mm_or_si128(_mm_cmpeq_epi16(v, amp), _mm_cmpeq_epi16(v, lt));
      stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi16(v, gt), _mm_cmpeq_epi16(v, rsb)));
      stop = _mm_or_si128(stop, ControlLanes(v));
      if (const int mask = _mm_movemask_epi8(stop)) return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    }
  }
#endif
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (c == u'&' || c == u'<' || c == u'>' || c == u']' || IsControl(c)) break;
  }
  return p;
}

// The first code unit in [p, end) that a value quoted by aQuote does not take as it is: control
// units, "&", "<" and the quote; end when there is none.
inline const char16_t* XmlValueRunEnd(const char16_t* p, const char16_t* end, char16_t aQuote) {
  using namespace XmlScanDetail;
#if defined(__SSE2__)
  if (gMode == smVector) {
    const __m128i amp = _mm_set1_epi16(u'&'), lt = _mm_set1_epi16(u'<'),
                  quote = _mm_set1_epi16(static_cast<short>(aQuote));
    for (; end - p >= 8; p += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i stop = _mm_or_si128(_mm_cmpeq_epi16(v, amp), _mm_cmpeq_epi16(v, lt));
      stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi16(v, quote), ControlLanes(v)));
      if (const int mask = _mm_movemask_epi8(stop)) return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    }
  }
#endif
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (c == aQuote || c == u'&' || c == u'<' || IsControl(c)) break;
  }
  return p;
}
