#pragma once
// Standard output of ovalon-report: a buffer that writes to a file descriptor and remembers why
// a write failed, so that lost output is never reported as success.

#include <array>
#include <iosfwd>
#include <streambuf>

namespace ovalon {

/// A write-only stream buffer over a file descriptor, written with write(2). After the first
/// failed write it keeps its errno and refuses every further write, so the stream using it goes
/// bad. A broken pipe is not special here: unless SIGPIPE is ignored, the signal ends the
/// process quietly before write(2) can fail.
class OutputFile : public std::streambuf {
 public:
  explicit OutputFile(int descriptor) : m_descriptor(descriptor) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// The errno of the first failed write, or 0.
  int Error() const { return m_error; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool WriteBuffered();

  int m_descriptor;
  int m_error = 0;
  std::array<char, 65536> m_buffer;
};

/// Flushes `out`, which writes through `file`. When any write failed, writes
/// "ovalon-report: cannot write the output: <reason>" to `err` and returns the write-error exit
/// status, whatever `status` was; otherwise returns `status`.
int FinishOutput(std::ostream& out, const OutputFile& file, std::ostream& err, int status);

}  // namespace ovalon
