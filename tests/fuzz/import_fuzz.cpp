// libFuzzer target for the files FILE IMPORT reads: the input read as vCard and as CSV in both
// encodings. Any input may be refused with an ImportError; nothing may crash or throw anything
// else, and every client that passes holds text the client table can store, within its widths.
// Seeds: tests/data/vcard and any CSV, which the fuzzer damages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/vcardimport.h"
#include "store/fields.h"
#include "store/text.h"

namespace {

void check(const exchange::CheckedImport& checked) {
    for (const auto& client : checked.clients)
        for (int f = 0; f < store::kFieldCount; ++f)
            if (const auto& v = client[static_cast<std::size_t>(f)];
                v && (!store::text::storable(*v) || exchange::overWidth(f, *v)))
                std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = [&](auto how) {
        try {
            check(how());
        } catch (const exchange::ImportError&) {
        }
    };
    read([&] { return exchange::readClientsVcard(bytes); });
    read([&] { return exchange::readClientsCsv(bytes, exchange::Encoding::Utf8); });
    read([&] { return exchange::readClientsCsv(bytes, exchange::Encoding::Big5); });
    return 0;
}
