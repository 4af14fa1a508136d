#include "exchange/csvimport.h"

#include <csv.h>

#include "exchange/decoder.h"
#include "store/dates.h"
#include "store/fields.h"
#include "store/text.h"

namespace exchange {

namespace {

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

bool fromBig5(std::string_view in, std::string& out) {
    return Decoder("CP950").decode(in, out);
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Rows as libcsv hands them over, each checked as soon as it is complete: the header first,
// then the clients (a large file is never held twice).
struct Reader {
    CheckedImport checked;
    std::vector<int> fieldOf;  // the field of each column, -1 for none
    bool header = true, anyField = false;
    std::vector<std::string> row;
    long line = 1, rowLine = 1;

    void takeHeader() {
        fieldOf.assign(row.size(), -1);
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string name = trimmed(row[c]);
            for (int f = 0; f < store::kFieldCount; ++f) {
                const auto i = static_cast<std::size_t>(f);
                if (store::sameName(name, store::kFieldNames[i]) || name == store::kFieldTitles[i])
                    fieldOf[c] = f;
            }
            if (fieldOf[c] < 0)
                checked.ignoredColumns.push_back(name);
            else
                anyField = true;
        }
    }

    void takeClient() {
        if (row.size() == 1 && row[0].empty()) return;  // a blank line
        if (row.size() != fieldOf.size()) {
            checked.refused.push_back({rowLine, "有 " + std::to_string(row.size()) +
                                                    " 個欄位，標題行有 " +
                                                    std::to_string(fieldOf.size()) + " 個"});
            return;
        }
        ClientValues client(store::kFieldCount);
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (fieldOf[c] < 0) continue;
            const auto f = static_cast<std::size_t>(fieldOf[c]);
            std::string& value = row[c];
            const int limit = store::kFieldWidths[f];
            if (limit > 0 && store::text::big5Width(value) > limit)
                return refuse(std::string(store::kFieldNames[f]) + " 超過 " +
                              std::to_string(limit) + " 個位元組");
            if (store::dates::isDateField(store::kFieldNames[f]) && !value.empty()) {
                auto kept = store::dates::check(value);
                if (!kept)
                    return refuse(std::string(store::kFieldNames[f]) + " 的日期「" + value +
                                  "」型態不正確");
                value = std::move(*kept);
            }
            client[f] = std::move(value);
        }
        checked.clients.push_back(std::move(client));
    }

    void refuse(std::string reason) { checked.refused.push_back({rowLine, std::move(reason)}); }
};

void onField(void* data, std::size_t size, void* reader) {
    auto& r = *static_cast<Reader*>(reader);
    r.row.emplace_back(static_cast<const char*>(data), size);
    for (char c : r.row.back()) r.line += c == '\n';
}

void onRow(int, void* reader) {
    auto& r = *static_cast<Reader*>(reader);
    r.header ? r.takeHeader() : r.takeClient();
    r.header = false;
    r.row.clear();
    r.rowLine = ++r.line;
}

}  // namespace

Detected detectEncoding(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF" || validUtf8(bytes)) return {Encoding::Utf8, true};
    std::string ignored;
    if (fromBig5(bytes, ignored)) return {Encoding::Big5, true};
    return {Encoding::Utf8, false};
}

CheckedImport readClientsCsv(std::string_view bytes, Encoding encoding) {
    std::string text;
    if (encoding == Encoding::Big5)
        fromBig5(bytes, text);
    else
        text = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes;
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_APPEND_NULL);
    Reader reader;
    const bool ok =
        csv_parse(&parser, text.data(), text.size(), onField, onRow, &reader) == text.size() &&
        csv_fini(&parser, onField, onRow, &reader) == 0;
    const std::string problem = ok ? std::string() : csv_strerror(csv_error(&parser));
    csv_free(&parser);
    if (!ok)
        throw ImportError("這不是可以讀的 CSV 檔（第 " + std::to_string(reader.line) + " 行附近：" +
                          problem + "）。");
    if (reader.header) throw ImportError("檔案是空的。");
    if (!reader.anyField)
        throw ImportError("第一行沒有任何欄位名稱（例如 NO、NAME 或 代號、姓名）。");
    return std::move(reader.checked);
}

std::string refusalReport(const CheckedImport& checked) {
    std::string report;
    for (const auto& r : checked.refused)
        report += "第 " + std::to_string(r.line) + " 行：" + r.reason + "\n";
    return report;
}

}  // namespace exchange
