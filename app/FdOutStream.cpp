#include "app/FdOutStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "util/Errors.h"

namespace kelmora {

TFdOutStream::TBuffer::TBuffer(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
    setp(data_.data(), data_.data() + data_.size());
}

void TFdOutStream::TBuffer::WritePending() {
    const char* next = pbase();
    while (next < pptr()) {
        const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            // What could not be written is dropped, so that unwinding does not try again.
            setp(data_.data(), data_.data() + data_.size());
            throw EKelmoraError("cannot write to " + name_ + ": " + std::strerror(error));
        }
        next += written;
    }
    setp(data_.data(), data_.data() + data_.size());
}

TFdOutStream::TBuffer::int_type TFdOutStream::TBuffer::overflow(int_type ch) {
    WritePending();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int TFdOutStream::TBuffer::sync() {
    WritePending();
    return 0;
}

TFdOutStream::TFdOutStream(int fd, std::string name)
    : std::ostream(nullptr), buffer_(fd, std::move(name)) {
    rdbuf(&buffer_);
    // The buffer's exception reaches the writer instead of turning into a silent badbit.
    exceptions(std::ios::badbit);
}

}  // namespace kelmora
