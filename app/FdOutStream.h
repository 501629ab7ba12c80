#pragma once

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace kelmora {

// An output stream over a file descriptor whose failed write raises EKelmoraError
// "cannot write to <name>: <reason>". std::cout only remembers that something failed, and a
// caller who forgets to look reports a lost answer as success; here the failure cannot be
// overlooked and carries the system's reason (a full disk, a closed descriptor).
class TFdOutStream : public std::ostream {
  public:
    TFdOutStream(int fd, std::string name);
    TFdOutStream(const TFdOutStream&) = delete;
    TFdOutStream& operator=(const TFdOutStream&) = delete;

  private:
    class TBuffer : public std::streambuf {
      public:
        TBuffer(int fd, std::string name);

      protected:
        int_type overflow(int_type ch) override;
        int sync() override;

      private:
        void WritePending();

        int fd_;
        std::string name_;
        std::array<char, 1 << 16> data_{};
    };

    TBuffer buffer_;
};

}  // namespace kelmora
