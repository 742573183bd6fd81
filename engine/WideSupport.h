// Shared ground of the engine: the error class tree, the format function, the persistent
// base and conversions between the UTF-16 text used inside and the UTF-8 used at the edges
// (messages, command line, file names).
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// The general error: every error the system raises derives from it and carries one of the
// fixed English message texts.
class EGeneralError : public std::exception {
public:
  explicit EGeneralError(std::u16string aMessage);
  const std::u16string& Message() const noexcept { return FMessage; }
  void SetMessage(std::u16string aMessage);
  const char* what() const noexcept override { return FWhat.c_str(); }

private:
  std::u16string FMessage;
  std::string FWhat;  // UTF-8 copy, so what() never allocates
};

// Errors of containers and streams that the platform library raises in the original design.
class EListError : public EGeneralError { using EGeneralError::EGeneralError; };
class EArgumentOutOfRange : public EGeneralError { using EGeneralError::EGeneralError; };
class EAssertionFailed : public EGeneralError { using EGeneralError::EGeneralError; };
class EStreamError : public EGeneralError { using EGeneralError::EGeneralError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };

// The format function: fills %s with a text and %d with a number, in order; "%%" is a
// literal percent sign. Missing arguments leave the placeholder as it stands, surplus
// arguments are ignored, so a wrong call never throws while an error is being built.
using TFormatArg = std::variant<std::u16string_view, int64_t>;
std::u16string Format(std::u16string_view aFormat, std::initializer_list<TFormatArg> aArgs);

// Base of classes that can copy the state of another object of their kind.
class TPersistent {
public:
  virtual ~TPersistent() = default;
  // Raises EGeneralError when aSource is of a kind this object cannot take.
  virtual void Assign(const TPersistent& aSource);
};

// Conversions at the edges. Invalid input never throws: ill-formed UTF-8 and lone
// surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view aText);
std::string Utf16ToUtf8(std::u16string_view aText);

std::u16string IntToStr(int64_t aValue);
