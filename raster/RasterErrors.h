#pragma once
// The raster library's exceptions; their texts are fixed English messages that callers catch.
#include <stdexcept>
#include <string>

namespace kalvora::raster {

// The general exception class ("Invalid SrcRect", "SrcRect is empty!", ...).
class ERasterException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EBitmapException : public ERasterException {
 public:
  using ERasterException::ERasterException;
};
class ESrcInvalidException : public ERasterException {
 public:
  using ERasterException::ERasterException;
};
class ENestedException : public ERasterException {
 public:
  using ERasterException::ERasterException;
};
class ETransformNotImplemented : public ERasterException {
 public:
  using ERasterException::ERasterException;
};
// The class library's list error (an absent pointer-map entry).
class EListError : public ERasterException {
 public:
  using ERasterException::ERasterException;
};

}  // namespace kalvora::raster
