#include "input/gzipfile.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace ovalon {

namespace {

constexpr unsigned BufferBytes = 1 << 16;

}  // namespace

GzipFileBuffer::GzipFileBuffer(const std::string& path) : m_buffer(BufferBytes) {
  errno = 0;
  m_file = gzopen(path.c_str(), "rb");
  if (!m_file) m_error = errno != 0 ? std::strerror(errno) : "out of memory";
}

GzipFileBuffer::~GzipFileBuffer() {
  if (m_file) gzclose(m_file);
}

long long GzipFileBuffer::CompressedOffset() const { return m_file ? gzoffset(m_file) : 0; }

GzipFileBuffer::int_type GzipFileBuffer::underflow() {
  if (!m_file || !m_error.empty()) return traits_type::eof();
  const int read = gzread(m_file, m_buffer.data(), BufferBytes);
  if (read <= 0) {
    // The end of the data, or a fault: a file cut short ("unexpected end of file"), damaged
    // data, or a failed read.
    int code = Z_OK;
    const char* message = gzerror(m_file, &code);
    if (code == Z_ERRNO)
      m_error = std::strerror(errno);
    else if (code != Z_OK)
      m_error = message;
    return traits_type::eof();
  }
  setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + read);
  return traits_type::to_int_type(m_buffer[0]);
}

}  // namespace ovalon
