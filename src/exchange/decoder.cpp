#include "exchange/decoder.h"

#include <iconv.h>

#include <cerrno>

namespace exchange {

Decoder::Decoder(const std::string& codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "CP950");
    cd_ = cd;
}

Decoder::~Decoder() {
    iconv_close(static_cast<iconv_t>(cd_));
}

bool Decoder::decode(std::string_view in, std::string& out) {
    out.assign(in.size() * 3 + 4, '\0');  // three bytes out for each byte in at most
    char* from = const_cast<char*>(in.data());
    std::size_t fromLeft = in.size(), toLeft = out.size();
    char* to = out.data();
    bool clean = true;
    iconv(static_cast<iconv_t>(cd_), nullptr, nullptr, nullptr, nullptr);
    while (fromLeft > 0 && iconv(static_cast<iconv_t>(cd_), &from, &fromLeft, &to, &toLeft) ==
                               static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) break;
        clean = false;  // EILSEQ or EINVAL: this byte does not decode
        ++from, --fromLeft;
        for (char b : {'\xEF', '\xBF', '\xBD'}) *to++ = b, --toLeft;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return clean;
}

}  // namespace exchange
