#include "cli/outputfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/reportcommand.h"

namespace ovalon {

bool OutputFile::WriteBuffered() {
  const char* next = pbase();
  while (next < pptr() && m_error == 0) {
    const ssize_t written = ::write(m_descriptor, next, pptr() - next);
    if (written >= 0) {
      next += written;
    } else if (errno != EINTR) {
      m_error = errno;
    }
  }
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  return m_error == 0;
}

OutputFile::int_type OutputFile::overflow(int_type c) {
  if (m_error != 0 || !WriteBuffered()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int OutputFile::sync() { return m_error == 0 && WriteBuffered() ? 0 : -1; }

int FinishOutput(std::ostream& out, const OutputFile& file, std::ostream& err, int status) {
  out.flush();
  if (file.Error() == 0 && out) return status;
  err << "ovalon-report: cannot write the output: "
      << std::strerror(file.Error() != 0 ? file.Error() : EIO) << '\n';
  return ReportWriteError;
}

}  // namespace ovalon
