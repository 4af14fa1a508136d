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
    const auto cd = static_cast<iconv_t>(cd_);
    out.assign(in.size() * 3 + 16, '\0');
    char* from = const_cast<char*>(in.data());
    std::size_t fromLeft = in.size(), done = 0;
    bool clean = true;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // Each round converts what it can; the last (no input) writes what the converter still holds,
    // such as a Vietnamese base letter that waits for a combining mark.
    for (bool flushed = false; !flushed;) {
        char* to = out.data() + done;
        std::size_t toLeft = out.size() - done;
        const bool last = fromLeft == 0;
        const std::size_t result = last ? iconv(cd, nullptr, nullptr, &to, &toLeft)
                                        : iconv(cd, &from, &fromLeft, &to, &toLeft);
        const int error = errno;
        done = static_cast<std::size_t>(to - out.data());
        if (result != static_cast<std::size_t>(-1)) {
            flushed = last;
        } else if (error == E2BIG) {
            out.resize(out.size() * 2);
        } else {  // EILSEQ or EINVAL: this byte does not decode
            clean = false;
            ++from, --fromLeft;
            if (out.size() - done < 3) out.resize(out.size() * 2);
            for (char b : {'\xEF', '\xBF', '\xBD'}) out[done++] = b;
        }
    }
    out.resize(done);
    return clean;
}

}  // namespace exchange
