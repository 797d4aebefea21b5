#pragma once
// Reading a gzip-compressed file as a stream.

#include <streambuf>
#include <string>
#include <vector>

struct gzFile_s;

namespace ovalon {

/// The decompressed bytes of a gzip file, read through zlib as they are needed. A file that is
/// not compressed is read as it stands.
class GzipFileBuffer : public std::streambuf {
 public:
  explicit GzipFileBuffer(const std::string& path);
  ~GzipFileBuffer() override;
  GzipFileBuffer(const GzipFileBuffer&) = delete;
  GzipFileBuffer& operator=(const GzipFileBuffer&) = delete;

  /// False when the file could not be opened; Error() says why.
  bool IsOpen() const { return m_file != nullptr; }
  /// Why the file could not be opened or read; empty while all is well.
  const std::string& Error() const { return m_error; }
  /// Compressed bytes read so far, for the share of the file read.
  long long CompressedOffset() const;

 protected:
  int_type underflow() override;

 private:
  ::gzFile_s* m_file = nullptr;
  std::vector<char> m_buffer;
  std::string m_error;
};

}  // namespace ovalon
