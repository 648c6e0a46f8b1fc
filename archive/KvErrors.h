#pragma once
// Exceptions of the archive library and its one table of texts.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kv {

// Text of a message code; an unknown code leaves Text as it was.
void KvLookupMessage(int code, std::string& text);
// Convenience form: empty when the code is unknown.
std::string KvMessage(int code);
int KvMessageCount();
int KvMessageCodeAt(int index);

class EKvException : public std::runtime_error {
 public:
  explicit EKvException(const std::string& msg, int code = 0) : std::runtime_error(msg), ErrorCode(code) {}
  int ErrorCode;
};

#define KV_SIMPLE_ERROR(Name, Parent, Code)                 \
  class Name : public Parent {                               \
   public:                                                   \
    Name() : Parent(KvMessage(Code), Code) {}                \
   protected:                                                \
    Name(const std::string& m, int c) : Parent(m, c) {}      \
  };

class EKvZipException : public EKvException { using EKvException::EKvException; };
class EKvCabException : public EKvException { using EKvException::EKvException; };
class EKvGzipException : public EKvException { using EKvException::EKvException; };

KV_SIMPLE_ERROR(EKvBadStream, EKvException, 21)
KV_SIMPLE_ERROR(EKvDuplicateName, EKvException, 7)
KV_SIMPLE_ERROR(EKvFileNotFound, EKvException, 25)
KV_SIMPLE_ERROR(EKvNoArchive, EKvException, 27)
KV_SIMPLE_ERROR(EKvUserAbort, EKvException, 9)
KV_SIMPLE_ERROR(EKvNoSuchDirectory, EKvException, 19)
KV_SIMPLE_ERROR(EKvUnhandledType, EKvException, 35)
KV_SIMPLE_ERROR(EKvSpanningNotSupported, EKvException, 36)
// A stored name that would land outside the target folder.
KV_SIMPLE_ERROR(EKvUnsafeName, EKvException, 520)
// Output that would not fit into the free space of its target.
KV_SIMPLE_ERROR(EKvNoDiskSpace, EKvException, 521)
// Extraction to files: the target was written by an earlier item of the same run, or it
// is a file the user may not write.
KV_SIMPLE_ERROR(EKvDuplicateTarget, EKvException, 530)
KV_SIMPLE_ERROR(EKvReadOnlyTarget, EKvException, 531)
// A TAR whose entry names together pass what a listing holds in memory.
KV_SIMPLE_ERROR(EKvTarNamesTooLong, EKvException, 532)
// A ZIP of more entries than its classic end record can count.
KV_SIMPLE_ERROR(EKvZipTooManyEntries, EKvZipException, 533)
KV_SIMPLE_ERROR(EKvZipBadSpanStream, EKvZipException, 13)
KV_SIMPLE_ERROR(EKvZipBadCRC, EKvZipException, 23)
KV_SIMPLE_ERROR(EKvZipInvalid, EKvZipException, 28)
KV_SIMPLE_ERROR(EKvZipInvalidFactor, EKvZipException, 6)
KV_SIMPLE_ERROR(EKvZipInvalidLFH, EKvZipException, 26)
KV_SIMPLE_ERROR(EKvZipInvalidMethod, EKvZipException, 2)
KV_SIMPLE_ERROR(EKvZipInvalidPassword, EKvZipException, 4)
KV_SIMPLE_ERROR(EKvZipNoExtraction, EKvZipException, 3)
KV_SIMPLE_ERROR(EKvZipNoInsertion, EKvZipException, 5)
KV_SIMPLE_ERROR(EKvZipSpanOverwrite, EKvZipException, 15)
KV_SIMPLE_ERROR(EKvZipVersion, EKvZipException, 1)
KV_SIMPLE_ERROR(EKvReadError, EKvZipException, 29)
KV_SIMPLE_ERROR(EKvBBSSeekOutsideBuffer, EKvZipException, 41)
KV_SIMPLE_ERROR(EKvBBSInvalidOrigin, EKvZipException, 42)
KV_SIMPLE_ERROR(EKvNoCabinetDll, EKvCabException, 50)
KV_SIMPLE_ERROR(EKvFCIFileOpenError, EKvCabException, 51)
KV_SIMPLE_ERROR(EKvFCIFileReadError, EKvCabException, 52)
KV_SIMPLE_ERROR(EKvFCIFileWriteError, EKvCabException, 53)
KV_SIMPLE_ERROR(EKvFCIFileCloseError, EKvCabException, 54)
KV_SIMPLE_ERROR(EKvFCIFileSeekError, EKvCabException, 55)
KV_SIMPLE_ERROR(EKvFCIFileDeleteError, EKvCabException, 56)
KV_SIMPLE_ERROR(EKvFCIAddFileError, EKvCabException, 57)
KV_SIMPLE_ERROR(EKvFCICreateError, EKvCabException, 58)
KV_SIMPLE_ERROR(EKvFDICopyError, EKvCabException, 61)
KV_SIMPLE_ERROR(EKvFDICreateError, EKvCabException, 62)
KV_SIMPLE_ERROR(EKvInvalidCabFile, EKvCabException, 64)
KV_SIMPLE_ERROR(EKvGzipBadCRC, EKvGzipException, 401)
KV_SIMPLE_ERROR(EKvGzipBadFileSize, EKvGzipException, 402)
KV_SIMPLE_ERROR(EKvGzipInvalid, EKvGzipException, 400)
#undef KV_SIMPLE_ERROR

class EKvVMSInvalidOrigin : public EKvZipException {
 public:
  explicit EKvVMSInvalidOrigin(int origin);
};
class EKvVMSErrorOpenSwap : public EKvZipException {
 public:
  explicit EKvVMSErrorOpenSwap(const std::string& name);
};
class EKvVMSSeekFail : public EKvZipException {
 public:
  explicit EKvVMSSeekFail(const std::string& name);
};
class EKvVMSReadFail : public EKvZipException {
 public:
  EKvVMSReadFail(int count, const std::string& name);
};
class EKvVMSWriteFail : public EKvZipException {
 public:
  EKvVMSWriteFail(int count, const std::string& name);
};
class EKvBBSReadTooManyBytes : public EKvZipException {
 public:
  explicit EKvBBSReadTooManyBytes(int count);
};
class EKvBBSWriteTooManyBytes : public EKvZipException {
 public:
  explicit EKvBBSWriteTooManyBytes(int count);
};

// Stream errors: read and write errors are the "filer" family; open and create
// errors stand beside them so a classification can tell them apart.
class EKvFilerError : public std::runtime_error { using std::runtime_error::runtime_error; };
class EKvStreamReadError : public EKvFilerError { using EKvFilerError::EKvFilerError; };
class EKvStreamWriteError : public EKvFilerError {
 public:
  explicit EKvStreamWriteError(const std::string& m, int err = 0) : EKvFilerError(m), Errno(err) {}
  int Errno;
};
class EKvFileOpenError : public std::runtime_error {
 public:
  EKvFileOpenError(const std::string& m, int err) : std::runtime_error(m), Errno(err) {}
  int Errno;
};
class EKvFileCreateError : public std::runtime_error {
 public:
  EKvFileCreateError(const std::string& m, int err) : std::runtime_error(m), Errno(err) {}
  int Errno;
};

enum TKvErrorClass { ecTamsor, ecInOutError, ecFilerError, ecFileCreateError, ecFileOpenError, ecCabError, ecOther };

// Sorts any exception into an error class and code (std::system_error is the in-out error).
void KvClassifyException(const std::exception* e, TKvErrorClass& errorClass, int& errorCode);

// printf-style formatting of a table text.
std::string KvFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

class TKvBaseComponent {
 public:
  virtual ~TKvBaseComponent() = default;
  std::string Version() const { return "3.04"; }
  void SetVersion(const std::string&) {}
};

}  // namespace kv
