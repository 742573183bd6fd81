// UTF-16 text between the Qt-free layers (std::u16string) and Qt (QString). Both hold UTF-16
// code units, so the conversion is a copy of the units, lone surrogates included; this is the
// lowest folder that uses Qt, so every Qt layer above converts here.
#pragma once

#include <QString>

#include <string>
#include <string_view>

inline QString ToQString(std::u16string_view aText) {
  return QString(reinterpret_cast<const QChar*>(aText.data()), static_cast<qsizetype>(aText.size()));
}

// The units of aText in place, valid while aText lives unchanged.
inline std::u16string_view U16View(QStringView aText) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(aText.utf16()), static_cast<size_t>(aText.size()));
}

inline std::u16string ToU16(QStringView aText) {
  return std::u16string(U16View(aText));
}
