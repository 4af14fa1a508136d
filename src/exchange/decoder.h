#pragma once

#include <string>
#include <string_view>

namespace exchange {

// Text in a code page ("CP950" for Big5) turned into UTF-8 through iconv; a byte that does not
// decode becomes U+FFFD, so nothing is dropped silently.
class Decoder {
  public:
    // An unknown code page falls back to CP950, the old program's.
    explicit Decoder(const std::string& codePage);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // False when some byte did not decode.
    bool decode(std::string_view in, std::string& out);

  private:
    void* cd_;  // iconv_t
};

}  // namespace exchange
