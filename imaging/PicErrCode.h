#pragma once
// Status-code texts of the imaging library and the exceptions of the picture component.
#include <QString>
#include <stdexcept>

// The text of an imaging status code: 1 gives "", 0 "Function not successful", the main range
// 1..-400 and the extended range -901..-916 their table texts, anything else
// "Undefined Error: " followed by the code.
QString ErrorCodeText(int code);

// Base of the component's exceptions; what() is the UTF-8 message.
class EPicException : public std::runtime_error {
 public:
  explicit EPicException(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// Raised by TPicImage operations when the library returns a status other than 1 (and method
// errors are on), and for the refusals "Image not allocated", "Processing not allowed",
// "Animation" and invalid property values, which raise whatever method errors say.
class EPicImageError : public EPicException {
 public:
  using EPicException::EPicException;
};

// Invalid scroll steps (the class library's range error).
class ERangeError : public EPicException {
 public:
  using EPicException::EPicException;
};

// Feed-load calls in the wrong order (the class library's invalid-operation error).
class EInvalidOperation : public EPicException {
 public:
  using EPicException::EPicException;
};
