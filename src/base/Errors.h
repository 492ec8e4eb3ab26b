#pragma once
// Errors that travel up to an operation's error guard. Their message is the
// exact text the message log shows after "Error: [".
#include <stdexcept>
#include <string>

namespace kelvo {

class EKelvoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read beyond the data of a byte buffer.
class EStreamReadError : public EKelvoError {
 public:
  EStreamReadError() : EKelvoError("Stream read error") {}
};

// A file that cannot be opened for reading.
class EFOpenError : public EKelvoError {
 public:
  explicit EFOpenError(const std::string& path) : EKelvoError("Cannot open file " + path) {}
};

// A file that cannot be created or replaced.
class EFCreateError : public EKelvoError {
 public:
  explicit EFCreateError(const std::string& path) : EKelvoError("Cannot create file " + path) {}
};

}  // namespace kelvo
