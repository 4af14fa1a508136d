#include "exchange/legacy.h"

#include <glib.h>
#include <mdbtools.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "exchange/decoder.h"
#include "store/bulk.h"
#include "store/clientfile.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fields.h"

namespace exchange {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBindSize = 1 << 18;  // a memo of 64 K Big5 bytes, as UTF-8 of Latin-1

[[noreturn]] void refuse(const fs::path& jet, const std::string& what) {
    throw ConvertError(jet.string() + " 無法轉換：" + what);
}

bool hasJetSignature(std::ifstream& in, std::array<char, 0x20>& head) {
    in.read(head.data(), head.size());
    const std::string_view sig(head.data() + 4, 15);
    return in.gcount() == 0x20 && (sig == "Standard Jet DB" || sig == "Standard ACE DB");
}

// Checks what libmdb would otherwise trust: the signature and a whole number of pages.
void checkJetFile(const fs::path& jet) {
    std::ifstream in(jet, std::ios::binary);
    if (!in) refuse(jet, "檔案不存在或無法讀取。");
    std::array<char, 0x20> head{};
    if (!hasJetSignature(in, head)) refuse(jet, "這不是舊程式的 Jet 資料庫（.mdb）檔。");
    const auto version = static_cast<unsigned char>(head[0x14]);
    const std::uintmax_t page = version == 0 ? 2048 : 4096;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(jet, ec);
    if (ec || size < 2 * page || size % page != 0)
        refuse(jet, "檔案不完整（長度不是整數頁，可能被截斷）。");
}

struct MdbCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using Jet = std::unique_ptr<MdbHandle, MdbCloser>;
using JetTable = std::unique_ptr<MdbTableDef, TableFree>;

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

// libmdb decodes Jet 3 text by the code page it finds. Asked for Latin-1 it hands the bytes over
// one for one, so that this program decodes them itself and finds the ones that do not decode.
Jet openJet(const fs::path& jet) {
    const char* before = std::getenv("MDB_JET3_CHARSET");
    const std::optional<std::string> kept =
        before ? std::optional<std::string>(before) : std::nullopt;
    setVariable("MDB_JET3_CHARSET", "ISO-8859-1");
    Jet h(mdb_open(jet.string().c_str(), MDB_NOFLAGS));
    setVariable("MDB_JET3_CHARSET", kept ? kept->c_str() : nullptr);
    if (!h) refuse(jet, "無法開啟這個 Jet 資料庫。");
    if (h->f->db_passwd[0]) refuse(jet, "資料庫設有密碼（已加密），請先在 Access 中取消密碼。");
    if (!mdb_read_catalog(h.get(), MDB_TABLE))
        refuse(jet, "無法讀取資料表目錄（檔案已損壞或已加密）。");
    return h;
}

JetTable findTable(MdbHandle* h, std::string_view name) {
    for (unsigned i = 0; i < h->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(h->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry) &&
            store::sameName(entry->object_name, name)) {
            JetTable t(mdb_read_table(entry));
            if (t && mdb_read_columns(t.get())) return t;
        }
    }
    return nullptr;
}

std::string columnName(MdbTableDef* t, unsigned c) {
    return static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c))->name;
}

// Jet 3 text, as Latin-1 read back to its bytes, decoded from the file's code page; a byte that
// does not decode becomes U+FFFD and `bad` is set.
class Jet3Text {
  public:
    explicit Jet3Text(unsigned codePage)
        : decoder_("CP" + std::to_string(codePage ? codePage : 950)) {}

    std::string decode(std::string_view latin1, bool& bad) {
        std::string bytes;
        for (std::size_t i = 0; i < latin1.size(); ++i) {
            const auto c = static_cast<unsigned char>(latin1[i]);
            if (c < 0x80 || i + 1 == latin1.size()) {
                bytes += static_cast<char>(c);
            } else {  // two-byte UTF-8 of a code point up to U+00FF
                bytes += static_cast<char>(((c & 0x03) << 6) | (latin1[i + 1] & 0x3F));
                ++i;
            }
        }
        std::string out;
        if (!decoder_.decode(bytes, out)) bad = true;
        return out;
    }

  private:
    Decoder decoder_;
};

// One Jet table read row by row into an INSERT of the new file.
class TableCopy {
  public:
    TableCopy(const fs::path& jet, MdbTableDef* table, std::vector<int> order)
        : jet_(jet), table_(table), order_(std::move(order)) {
        buffers_.assign(table->num_cols, std::vector<char>(kBindSize));
        lengths_.assign(table->num_cols, 0);
        fields_.resize(std::max<std::size_t>(table->num_cols, 256));
        for (unsigned c = 0; c < table->num_cols; ++c)
            mdb_bind_column(table, static_cast<int>(c) + 1, buffers_[c].data(), &lengths_[c]);
        mdb_rewind_table(table);
    }
    // Reads the next row: its values in the new table's column order, nothing for NULL.
    bool next(std::vector<std::optional<std::string_view>>& values) {
        if (!mdb_fetch_row(table_)) return false;
        int start = 0;
        std::size_t size = 0;
        mdb_find_row(table_->entry->mdb, static_cast<int>(table_->cur_row) - 1, &start, &size);
        mdb_crack_row(table_, start, size, fields_.data());
        values.assign(order_.size(), std::nullopt);
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const auto c = static_cast<std::size_t>(order_[i]);
            if (fields_[c].is_null) continue;
            const auto length = static_cast<std::size_t>(std::max(lengths_[c], 0));
            // libmdb cuts a value at the buffer's end: one that fills it may have lost its end.
            if (length + 1 >= kBindSize)
                refuse(jet_, std::string("資料表 ") + table_->name + " 有一個值超過 " +
                                 std::to_string(kBindSize / 1024) + " KB，無法完整轉換。");
            values[i] = std::string_view(buffers_[c].data(), length);
        }
        return true;
    }

  private:
    const fs::path& jet_;
    MdbTableDef* table_;
    std::vector<int> order_;  // the Jet column of each new column
    std::vector<std::vector<char>> buffers_;
    std::vector<int> lengths_;
    std::vector<MdbField> fields_;  // as libmdb cracks a row: each column's null flag
};

}  // namespace

bool isJetFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, 0x20> head{};
    return in && hasJetSignature(in, head);
}

std::optional<fs::path> legacyBeside(const fs::path& clientFile) {
    std::error_code ec;
    const fs::path folder = clientFile.parent_path().empty() ? "." : clientFile.parent_path();
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (store::sameName(entry.path().filename().string(), "velkard.mdb") &&
            entry.is_regular_file(ec))
            return entry.path();
    return std::nullopt;
}

std::string summary(const ConvertReport& report) {
    std::string text = "轉換完成：";
    for (const auto& t : report.tables)
        text += "\n  " + t.name + "：" + std::to_string(t.rows) + " 筆";
    if (report.undecoded.empty()) return text + "\n所有資料都已完整轉換。";
    text += "\n\n下列 " + std::to_string(report.undecoded.size()) +
            " 個值有無法解讀的位元組，已以 \uFFFD 代替（客戶代號、欄位）：";
    for (std::size_t i = 0; i < report.undecoded.size() && i < 20; ++i)
        text += "\n  " +
                (report.undecoded[i].code.empty() ? std::string("—") : report.undecoded[i].code) +
                "  " + report.undecoded[i].field;
    if (report.undecoded.size() > 20) text += "\n  ⋯";
    return text;
}

fs::path keptName(const fs::path& file, const std::tm& when) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, ".bak-%Y%m%d-%H%M%S", &when);
    return file.string() + stamp;
}

ConvertReport convertLegacy(const fs::path& jet, const fs::path& target,
                            const ConvertProgress& progress,
                            const std::optional<fs::path>& keepExistingAs) {
    std::error_code ec;
    if (fs::exists(target, ec) && !keepExistingAs)
        throw ConvertError("客戶資料檔 " + target.string() +
                           " 已經存在，不會覆蓋；要以轉換結果取代它，請加上 --replace。");
    checkJetFile(jet);
    Jet h = openJet(jet);
    const bool jet3 = h->f->jet_version == MDB_VER_JET3;

    // The client table with its twenty fields first (any column order, any letter case), then
    // its further columns; the other two tables as they are.
    struct Source {
        std::string name;
        JetTable table;
        std::vector<std::string> columns;  // the new table's columns
        std::vector<int> order;            // the Jet column of each
    };
    std::vector<Source> sources;
    JetTable clients = findTable(h.get(), store::kClientTable);
    if (!clients) refuse(jet, "缺少資料表 VELKARD。");
    {
        Source s{std::string(store::kClientTable), std::move(clients), {}, {}};
        std::vector<bool> used(s.table->num_cols, false);
        std::string missing;
        for (auto field : store::kFieldNames) {
            int found = -1;
            for (unsigned c = 0; c < s.table->num_cols && found < 0; ++c)
                if (store::sameName(columnName(s.table.get(), c), field))
                    found = static_cast<int>(c);
            if (found < 0) missing += (missing.empty() ? "" : "、") + std::string(field);
            s.columns.emplace_back(field);
            s.order.push_back(found);
            if (found >= 0) used[static_cast<std::size_t>(found)] = true;
        }
        if (!missing.empty()) refuse(jet, "資料表 VELKARD 缺少欄位 " + missing + "。");
        for (unsigned c = 0; c < s.table->num_cols; ++c)
            if (!used[c]) {
                s.columns.push_back(columnName(s.table.get(), c));
                s.order.push_back(static_cast<int>(c));
            }
        sources.push_back(std::move(s));
    }
    for (std::string_view name : {store::kLookupTable, store::kAuxTable}) {
        JetTable t = findTable(h.get(), name);
        Source s{std::string(name), std::move(t), {}, {}};
        if (s.table)
            for (unsigned c = 0; c < s.table->num_cols; ++c) {
                s.columns.push_back(columnName(s.table.get(), c));
                s.order.push_back(static_cast<int>(c));
            }
        else  // an old file without it: an empty table as a new client file has
            s.columns.emplace_back(name == store::kLookupTable ? store::kLookupColumn : "FIELD1");
        sources.push_back(std::move(s));
    }
    long total = 0;
    for (const auto& s : sources) total += s.table ? static_cast<long>(s.table->num_rows) : 0;

    mdb_set_bind_size(h.get(), kBindSize);
    Jet3Text big5(h->f->code_page);
    if (!target.parent_path().empty()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            throw ConvertError("無法建立資料夾 " + target.parent_path().string() + "：" +
                               ec.message());
    }
    const fs::path temp = store::bulk::tempFor(target);
    ConvertReport report;
    try {
        auto db = store::Database::create(temp);
        db->exec("PRAGMA journal_mode=DELETE");
        db->exec("BEGIN");
        long done = 0;
        for (auto& s : sources) {
            std::string create = "CREATE TABLE " + store::quoteName(s.name) + " (";
            std::string insert = "INSERT INTO " + store::quoteName(s.name) + " VALUES (";
            for (std::size_t i = 0; i < s.columns.size(); ++i) {
                create += (i ? ", " : "") + store::quoteName(s.columns[i]) + " TEXT";
                insert += i ? ", ?" : "?";
            }
            db->exec(create + ")");
            long rows = 0;
            if (s.table) {
                store::Statement write(*db, insert + ")");
                TableCopy copy(jet, s.table.get(), s.order);
                std::vector<std::optional<std::string_view>> values;
                std::string code;
                while (copy.next(values)) {
                    for (std::size_t i = 0; i < values.size(); ++i) {
                        if (!values[i]) {
                            write.bindNull(static_cast<int>(i) + 1);
                            continue;
                        }
                        bool bad = false;
                        const std::string text =
                            jet3 ? big5.decode(*values[i], bad) : std::string(*values[i]);
                        const bool clientTable = &s == &sources.front();
                        if (clientTable && i == 0) code = text;
                        if (bad)
                            report.undecoded.push_back(
                                {clientTable ? code : std::string(),
                                 clientTable ? s.columns[i] : s.name + "." + s.columns[i]});
                        write.bind(static_cast<int>(i) + 1, text);
                    }
                    write.step();
                    write.reset();
                    ++rows;
                    if (progress && (++done % 1000 == 0)) progress(done, total);
                }
                if (rows != static_cast<long>(s.table->num_rows))
                    refuse(jet, "已損壞：資料表 " + s.name + " 應有 " +
                                    std::to_string(s.table->num_rows) + " 筆，只讀得到 " +
                                    std::to_string(rows) + " 筆。");
            }
            report.tables.push_back({s.name, rows});
        }
        db->exec("COMMIT");
        if (progress) progress(total, total);
    } catch (const store::StoreError& e) {
        store::bulk::removeWithJournal(temp);
        throw ConvertError(std::string("無法寫入新的客戶資料檔：") + e.what());
    } catch (...) {
        store::bulk::removeWithJournal(temp);
        throw;
    }
    // The new file takes the target's name only now; what stood there is kept first.
    if (fs::exists(target, ec)) {
        fs::rename(target, *keepExistingAs, ec);
        if (ec) {
            store::bulk::removeWithJournal(temp);
            throw ConvertError("無法把 " + target.string() + " 改名為 " + keepExistingAs->string() +
                               "：" + ec.message());
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        store::bulk::removeWithJournal(temp);
        if (keepExistingAs) fs::rename(*keepExistingAs, target, ec);
        throw ConvertError("無法建立客戶資料檔 " + target.string() + "：" + ec.message());
    }
    return report;
}

}  // namespace exchange
