#include "exchange/csvimport.h"

#include <csv.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "exchange/decoder.h"
#include "exchange/export.h"
#include "store/dates.h"
#include "store/fields.h"
#include "store/text.h"

namespace exchange {

namespace {

constexpr std::size_t kChunk = 1 << 20;  // parsed at a time, between two reports of progress

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Line breaks inside a quoted cell: LF, CR LF or a CR alone each count once.
long lineBreaks(std::string_view cell) {
    long n = 0;
    for (std::size_t i = 0; i < cell.size(); ++i)
        n += cell[i] == '\n' || (cell[i] == '\r' && (i + 1 == cell.size() || cell[i + 1] != '\n'));
    return n;
}

// Rows as libcsv hands them over, each checked as soon as it is complete: the header first,
// then the clients (a large file is never held twice). libcsv reports every line end outside a
// cell (CSV_REPALL_NL), so blank lines count and a refusal names the line the row begins on.
struct Reader {
    Reader(Encoding e, std::size_t k, const EachClient& c) : encoding(e), keep(k), each(c) {}
    Encoding encoding;
    std::size_t keep;
    const EachClient& each;
    Decoder big5{"CP950"};
    CheckedImport checked;
    std::vector<int> fieldOf;  // the field of each column, -1 for none
    bool header = true, anyField = false;
    std::optional<std::string> failure;  // why the file cannot be read; rows after it are left
    std::vector<std::string> row;
    long line = 1, rowLine = 1;
    int lastEnd = 0;  // the character that ended the row before, to count CR LF once

    // A cell as UTF-8: Big5 decoded, UTF-8 checked; why not, when it cannot be.
    std::optional<std::string> text(std::string& cell) {
        if (cell.find('\0') != std::string::npos) return "含有 NUL 字元";
        if (encoding == Encoding::Utf8) {
            if (!store::text::validUtf8(cell)) return "有不是 UTF-8 的位元組";
            return std::nullopt;
        }
        std::string decoded;
        if (!big5.decode(cell, decoded)) return "有不是 Big5 的位元組";
        cell = std::move(decoded);
        return std::nullopt;
    }

    void takeHeader() {
        fieldOf.assign(row.size(), -1);
        std::string twice;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (text(row[c])) {
                failure = "標題行有無法解讀的位元組（請確認文字編碼）";
                return;
            }
            const std::string name = trimmed(row[c]);
            for (int f = 0; f < store::kFieldCount; ++f) {
                const auto i = static_cast<std::size_t>(f);
                if (store::sameName(name, store::kFieldNames[i]) || name == store::kFieldTitles[i])
                    fieldOf[c] = f;
            }
            if (fieldOf[c] < 0) {
                checked.ignoredColumns.push_back(name);
                continue;
            }
            anyField = true;
            // Two columns for one field: which one holds the value is not for us to guess.
            const auto first = std::find(fieldOf.begin(), fieldOf.begin() + long(c), fieldOf[c]);
            if (first != fieldOf.begin() + long(c))
                twice += (twice.empty() ? "" : "；") +
                         std::string(store::kFieldNames[static_cast<std::size_t>(fieldOf[c])]) +
                         "（第 " + std::to_string(first - fieldOf.begin() + 1) + " 與第 " +
                         std::to_string(c + 1) + " 欄）";
        }
        if (!twice.empty())
            failure = "標題行有同一個欄位兩次：" + twice + "。請刪去不要的一欄再匯入";
    }

    void takeClient() {
        if (row.size() == 1 && row[0].empty()) return;  // a line of blanks
        if (row.size() != fieldOf.size())
            return refuse("有 " + std::to_string(row.size()) + " 個欄位，標題行有 " +
                          std::to_string(fieldOf.size()) + " 個");
        ClientValues client(store::kFieldCount);
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (fieldOf[c] < 0) continue;
            const auto f = static_cast<std::size_t>(fieldOf[c]);
            const std::string_view name = store::kFieldNames[f];
            std::string& value = row[c];
            if (auto why = text(value)) return refuse(std::string(name) + " " + *why);
            // The apostrophe this program's export puts before what a spreadsheet would run.
            if (value.size() > 1 && value[0] == '\'' &&
                csvGuarded(std::string_view(value).substr(1)))
                value.erase(0, 1);
            // A date first, as the editor keeps it (1999/12/31 becomes 88.12.31), then its width.
            if (store::isDateField(fieldOf[c]) && !value.empty()) {
                auto kept = store::dates::check(value);
                if (!kept) return refuse(std::string(name) + " 的日期「" + value + "」型態不正確");
                value = std::move(*kept);
            }
            if (auto why = overWidth(fieldOf[c], value)) return refuse(std::move(*why));
            client[f] = std::move(value);
        }
        if (each) each(checked.passed, client);
        ++checked.passed;
        if (checked.clients.size() < keep) checked.clients.push_back(std::move(client));
    }

    void refuse(std::string reason) { checked.refused.push_back({rowLine, std::move(reason)}); }

    void endRow(int end) {
        if (!row.empty() && !failure) header ? takeHeader() : takeClient();
        if (!row.empty()) header = false;
        // An LF right after the CR of an empty remainder is the same line end (CR LF).
        if ((end == '\r' || end == '\n') && !(end == '\n' && lastEnd == '\r' && row.empty()))
            ++line;
        lastEnd = end;
        row.clear();
    }
};

void onField(void* data, std::size_t size, void* reader) {
    auto& r = *static_cast<Reader*>(reader);
    if (r.row.empty()) r.rowLine = r.line;
    r.row.emplace_back(static_cast<const char*>(data), size);
    r.line += lineBreaks(r.row.back());
    r.lastEnd = 0;
}

void onRow(int end, void* reader) {
    static_cast<Reader*>(reader)->endRow(end);
}

}  // namespace

Pieces piecesOf(std::string_view bytes) {
    return [bytes]() mutable {
        const std::string_view piece = bytes.substr(0, kChunk);
        bytes.remove_prefix(piece.size());
        return piece;
    };
}

Pieces filePieces(const std::filesystem::path& path) {
    auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*in) throw ImportError("無法開啟 " + path.string() + "。");
    auto piece = std::make_shared<std::string>();
    return [in, piece, path]() -> std::string_view {
        piece->resize(kChunk);
        in->read(piece->data(), static_cast<std::streamsize>(piece->size()));
        if (in->bad()) throw ImportError("讀到一半無法再讀：" + path.string() + "。");
        piece->resize(static_cast<std::size_t>(in->gcount()));
        return *piece;
    };
}

Detected detectEncoding(const std::function<Pieces()>& read) {
    // Checked a line at a time: a line end (CR or LF) is never part of a character in either
    // encoding, so the whole is valid exactly when every run of whole lines is.
    auto everyLine = [&](const auto& valid) {
        const Pieces pieces = read();
        std::string carried;  // the unfinished line of the piece before
        bool first = true;
        for (std::string_view piece = pieces();; piece = pieces()) {
            if (first && piece.substr(0, 3) == "\xEF\xBB\xBF") return 2;
            first = false;
            if (piece.empty()) return valid(std::string_view(carried)) ? 1 : 0;
            const std::size_t cut = piece.find_last_of("\r\n");
            if (cut == std::string_view::npos) {
                carried.append(piece);
                continue;
            }
            carried.append(piece.substr(0, cut + 1));
            if (!valid(std::string_view(carried))) return 0;
            carried.assign(piece.substr(cut + 1));
        }
    };
    const int utf8 =
        everyLine([](std::string_view lines) { return store::text::validUtf8(lines); });
    if (utf8) return {Encoding::Utf8, true};  // a byte-order mark too
    Decoder decoder("CP950");
    std::string ignored;
    if (everyLine([&](std::string_view lines) { return decoder.decode(lines, ignored); }))
        return {Encoding::Big5, true};
    return {Encoding::Utf8, false};
}

CheckedImport readClientsCsv(const Pieces& pieces, long total, Encoding encoding,
                             const store::bulk::Progress& progress, std::size_t keep,
                             const EachClient& each) {
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_APPEND_NULL | CSV_REPALL_NL) != 0)
        throw ImportError("無法讀取 CSV 檔（記憶體不足）。");
    const std::unique_ptr<csv_parser, void (*)(csv_parser*)> freed(&parser, csv_free);
    Reader reader(encoding, keep, each);
    bool ok = true;
    long done = 0;
    for (std::string_view piece = pieces(); ok && !piece.empty() && !reader.failure;
         piece = pieces()) {
        done += static_cast<long>(piece.size());
        // Big5 is parsed as it stands: none of its second bytes is a comma, quote or line end.
        if (done == static_cast<long>(piece.size()) && encoding == Encoding::Utf8 &&
            piece.substr(0, 3) == "\xEF\xBB\xBF")
            piece.remove_prefix(3);
        ok =
            csv_parse(&parser, piece.data(), piece.size(), onField, onRow, &reader) == piece.size();
        if (progress) progress(done, total);
    }
    ok = ok && csv_fini(&parser, onField, onRow, &reader) == 0;
    if (!ok)
        throw ImportError("這不是可以讀的 CSV 檔（第 " + std::to_string(reader.line) + " 行附近：" +
                          csv_strerror(csv_error(&parser)) + "）。");
    if (reader.failure) throw ImportError(*reader.failure + "。");
    if (reader.header) throw ImportError("檔案是空的。");
    if (!reader.anyField)
        throw ImportError("第一行沒有任何欄位名稱（例如 NO、NAME 或 代號、姓名）。");
    return std::move(reader.checked);
}

std::optional<std::string> overWidth(int field, std::string_view value) {
    const auto f = static_cast<std::size_t>(field);
    const int limit = store::kFieldWidths[f];
    if (limit <= 0 || store::text::big5Width(value) <= limit) return std::nullopt;
    return std::string(store::kFieldNames[f]) + " 超過 " + std::to_string(limit) + " 個位元組";
}

std::string refusalLine(const CheckedImport& checked, const CheckedImport::Refused& refused) {
    return "第 " + std::to_string(refused.line) + (checked.cards ? " 張：" : " 行：") +
           refused.reason;
}

std::string refusalReport(const CheckedImport& checked) {
    std::string report;
    for (const auto& r : checked.refused) report += refusalLine(checked, r) + "\n";
    return report;
}

}  // namespace exchange
