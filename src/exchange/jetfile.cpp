#include "exchange/jetfile.h"

#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>

#include "exchange/decoder.h"
#include "exchange/legacy.h"
#include "store/fields.h"

namespace exchange::jet {

namespace {

namespace fs = std::filesystem;

constexpr int kOffsetMask = 0x1FFF;  // a row's offset; the bits above flag deleted or moved rows

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
    std::error_code ec;
    if (!fs::is_regular_file(jet, ec)) refuse(jet, "檔案不存在，或不是一般的檔案。");
    std::ifstream in(jet, std::ios::binary);
    if (!in) refuse(jet, "檔案不存在或無法讀取。");
    std::array<char, 0x20> head{};
    if (!hasJetSignature(in, head)) refuse(jet, "這不是舊程式的 Jet 資料庫（.mdb）檔。");
    const auto version = static_cast<unsigned char>(head[0x14]);
    const std::uintmax_t page = version == 0 ? 2048 : 4096;
    const std::uintmax_t size = fs::file_size(jet, ec);
    if (ec || size < 2 * page || size % page != 0)
        refuse(jet, "檔案不完整（長度不是整數頁，可能被截斷）。");
}

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

std::string typeName(int type) {
    switch (type) {
        case MDB_OLE:
            return "OLE 物件";
        case MDB_BINARY:
            return "二進位";
        case MDB_COMPLEX:
            return "附件";
        default:
            return "型態 " + std::to_string(type);
    }
}

// The bytes a fixed-size type's text is made from; 0 for a type read otherwise.
int fixedSize(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
            return 4;
        case MDB_FLOAT:
            return 4;
        case MDB_DOUBLE:
        case MDB_DATETIME:
        case MDB_MONEY:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return 0;
    }
}

bool readable(int type) {
    return type == MDB_TEXT || type == MDB_MEMO || type == MDB_BOOL || fixedSize(type) > 0;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Jet 4 text: UTF-16LE, or "compressed" (FF FE, then runs of one-byte Latin-1 characters and of
// UTF-16 units, each zero byte switching between them). Surrogate pairs become one character; a
// lone surrogate or a cut unit becomes U+FFFD and sets `bad`.
std::string fromJet4(std::string_view bytes, bool& bad) {
    std::vector<char16_t> units;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto pair = [&](std::size_t i) {
        return static_cast<char16_t>(byte(i) | (byte(i + 1) << 8));
    };
    std::size_t i = 0;
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        bool compressed = true;
        for (i = 2; i < bytes.size();) {
            if (byte(i) == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(byte(i++));
            } else if (i + 1 < bytes.size()) {
                units.push_back(pair(i));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (; i + 1 < bytes.size(); i += 2) units.push_back(pair(i));
    }
    std::string out;
    if (i < bytes.size()) {
        bad = true;  // half a unit at the end
        units.push_back(0xFFFD);
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char16_t u = units[k];
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units.size() && units[k + 1] >= 0xDC00 &&
            units[k + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[++k] - 0xDC00));
        } else if (u >= 0xD800 && u < 0xE000) {
            bad = true;
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

namespace detail {

struct FileState {
    fs::path path;
    MdbHandle* mdb = nullptr;
    bool jet3 = false;
    Decoder codePage;

    FileState(const fs::path& p, MdbHandle* h)
        : path(p),
          mdb(h),
          jet3(h->f->jet_version == MDB_VER_JET3),
          codePage("CP" + std::to_string(h->f->code_page ? h->f->code_page : 950)) {}
    ~FileState() { mdb_close(mdb); }

    // Text as the file keeps it. A NUL character is marked like a byte that does not decode:
    // neither the client file nor a server keeps one.
    std::string text(std::string_view bytes, bool& bad) {
        std::string out;
        if (!jet3)
            out = fromJet4(bytes, bad);
        else if (!codePage.decode(bytes, out))
            bad = true;
        for (std::size_t at; (at = out.find('\0')) != std::string::npos; bad = true)
            out.replace(at, 1, "\uFFFD");
        return out;
    }

    // A name as libmdb hands it over: Jet 3 names were asked for as Latin-1 (see the
    // constructor), so their bytes are taken back and decoded with the file's code page.
    std::string name(const char* latin1) {
        if (!jet3) return latin1;
        std::string bytes;
        for (const char* p = latin1; *p; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c >= 0x80 && p[1]) {  // two-byte UTF-8 of a code point up to U+00FF
                bytes += static_cast<char>(((c & 0x03) << 6) | (p[1] & 0x3F));
                ++p;
            } else {
                bytes += static_cast<char>(c);
            }
        }
        bool bad = false;
        return text(bytes, bad);
    }
};

struct TableState {
    FileState& file;
    MdbTableDef* def;
    std::string name;
    std::vector<Column> columns;
    std::vector<MdbField> fields;
    std::vector<std::optional<std::string>> values;
    std::vector<char> undecoded;
    int needed = 1;  // columns a row must hold
    long read = 0;

    TableState(FileState& f, MdbTableDef* t) : file(f), def(t), name(t->name) {
        fields.resize(std::max<std::size_t>(t->num_cols, 1));
        values.resize(t->num_cols);
        undecoded.resize(t->num_cols);
        for (unsigned c = 0; c < t->num_cols; ++c) {
            const auto* col = column(c);
            columns.push_back(
                {f.name(col->name), readable(col->col_type), typeName(col->col_type)});
        }
        mdb_rewind_table(t);
    }
    ~TableState() { mdb_free_tabledef(def); }

    MdbColumn* column(unsigned c) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
    }

    [[noreturn]] void damaged(const std::string& what) const {
        refuse(file.path, "已損壞：資料表 " + name + " 的第 " + std::to_string(read) +
                              " 筆資料（第 " + std::to_string(def->cur_phys_pg) + " 頁）" + what +
                              "。");
    }

    // A memo's bytes: inline after its 12-byte header, or on one or a chain of long-value pages.
    std::string memo(const unsigned char* head, int size) const {
        if (size < MDB_MEMO_OVERHEAD) damaged("的備註欄位太短");
        const auto header =
            static_cast<uint32_t>(mdb_get_int32(const_cast<unsigned char*>(head), 0));
        const uint32_t length = header & 0x3FFFFFFF;
        if (header & 0x80000000) {
            if (length != static_cast<uint32_t>(size - MDB_MEMO_OVERHEAD))
                damaged("的備註長度不符");
            return std::string(reinterpret_cast<const char*>(head) + MDB_MEMO_OVERHEAD, length);
        }
        const bool onePage = header & 0x40000000;
        if (!onePage && (header & 0xFF000000)) damaged("的備註格式無法辨認");
        std::string out;
        int pageRow = static_cast<int>(mdb_get_int32(const_cast<unsigned char*>(head), 4));
        MdbHandle* mdb = file.mdb;
        while (out.size() < length) {
            void* page = nullptr;
            int start = 0;
            std::size_t got = 0;
            if (mdb_find_pg_row(mdb, pageRow, &page, &start, &got) != 0 ||
                start + got > static_cast<std::size_t>(mdb->fmt->pg_size))
                damaged("的備註所在的頁無法讀取");
            const auto* bytes = static_cast<const char*>(page) + start;
            if (onePage) {
                if (got < length) damaged("的備註比記載的短");
                return std::string(bytes, length);
            }
            if (got <= 4) damaged("的備註所在的頁是空的");
            out.append(bytes + 4, std::min<std::size_t>(got - 4, length - out.size()));
            pageRow = static_cast<int>(mdb_get_int32(const_cast<char*>(bytes), 0));
            if (out.size() < length && pageRow == 0) damaged("的備註比記載的短");
        }
        return out;
    }

    void readValue(unsigned c, int rowStart, std::size_t rowSize) {
        const MdbField& f = fields[c];
        const MdbColumn* col = column(c);
        values[c].reset();
        undecoded[c] = false;
        if (col->col_type == MDB_BOOL) {  // kept in the null mask itself
            values[c] = f.is_null ? "0" : "1";
            return;
        }
        if (f.is_null || !columns[c].readable) return;
        if (f.siz < 0 || f.start < rowStart ||
            static_cast<std::size_t>(f.start) + static_cast<std::size_t>(f.siz) >
                static_cast<std::size_t>(rowStart) + rowSize)
            damaged("的欄位 " + columns[c].name + " 超出這筆資料的範圍");
        MdbHandle* mdb = file.mdb;
        const unsigned char* bytes = mdb->pg_buf + f.start;
        bool bad = false;
        if (col->col_type == MDB_TEXT) {
            values[c] = file.text({reinterpret_cast<const char*>(bytes), std::size_t(f.siz)}, bad);
        } else if (col->col_type == MDB_MEMO) {
            values[c] = file.text(memo(bytes, f.siz), bad);
        } else {
            if (f.siz < fixedSize(col->col_type)) damaged("的欄位 " + columns[c].name + " 太短");
            char* text = col->col_type == MDB_NUMERIC
                             ? mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec)
                             : mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
            if (!text) damaged("的欄位 " + columns[c].name + " 無法讀取");
            values[c] = text;
            g_free(text);
        }
        undecoded[c] = bad;
    }

    bool next() {
        if (!mdb_fetch_row(def)) return false;
        ++read;
        MdbHandle* mdb = file.mdb;
        int rowStart = 0;
        std::size_t rowSize = 0;
        if (mdb_find_row(mdb, static_cast<int>(def->cur_row) - 1, &rowStart, &rowSize) != 0)
            damaged("的位置無法讀取");
        rowStart &= kOffsetMask;
        if (rowSize == 0 || static_cast<std::size_t>(rowStart) + rowSize >
                                static_cast<std::size_t>(mdb->fmt->pg_size))
            damaged("的位置超出頁面");
        const int held = mdb_crack_row(def, rowStart, rowSize, fields.data());
        if (held < needed) damaged("只有 " + std::to_string(std::max(held, 0)) + " 個欄位");
        for (unsigned c = 0; c < def->num_cols; ++c) readValue(c, rowStart, rowSize);
        return true;
    }
};

}  // namespace detail

Table::Table(std::unique_ptr<detail::TableState> state) : impl_(std::move(state)) {}
Table::~Table() = default;

const std::string& Table::name() const {
    return impl_->name;
}
const std::vector<Column>& Table::columns() const {
    return impl_->columns;
}
long Table::declaredRows() const {
    return static_cast<long>(impl_->def->num_rows);
}

void Table::require(const std::vector<unsigned>& columns) {
    for (unsigned c : columns)
        impl_->needed = std::max(impl_->needed, impl_->column(c)->row_col_num + 1);
}

bool Table::next() {
    return impl_->next();
}

const std::optional<std::string>& Table::value(unsigned column, bool& undecoded) const {
    undecoded = impl_->undecoded[column];
    return impl_->values[column];
}

namespace {

// libmdb walks a table's data pages by its usage map, and this libmdb takes an empty map for one
// that is there (a null pointer it then reads): a definition without a map is read as none.
MdbTableDef* readTable(MdbCatalogEntry* entry) {
    MdbTableDef* def = mdb_read_table(entry);
    if (def && def->usage_map && def->map_sz > 0) return def;
    mdb_free_tabledef(def);
    return nullptr;
}

// The catalog's own definition, on page 2 where libmdb reads it, can be walked.
bool catalogReadable(MdbHandle* h) {
    MdbCatalogEntry entry{};
    entry.mdb = h;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    MdbTableDef* def = readTable(&entry);
    const bool readable = def != nullptr;
    mdb_free_tabledef(def);
    return readable;
}

}  // namespace

File::File(const fs::path& path) {
    checkJetFile(path);
    // libmdb decodes Jet 3 names by the code page it finds. Asked for Latin-1 it hands their bytes
    // over one for one, so that they are decoded here like the values.
    const char* before = std::getenv("MDB_JET3_CHARSET");
    const std::optional<std::string> kept =
        before ? std::optional<std::string>(before) : std::nullopt;
    setVariable("MDB_JET3_CHARSET", "ISO-8859-1");
    MdbHandle* h = mdb_open(path.string().c_str(), MDB_NOFLAGS);
    setVariable("MDB_JET3_CHARSET", kept ? kept->c_str() : nullptr);
    if (!h) refuse(path, "無法開啟這個 Jet 資料庫。");
    impl_ = std::make_unique<detail::FileState>(path, h);
    if (h->f->db_passwd[0]) refuse(path, "資料庫設有密碼（已加密），請先在 Access 中取消密碼。");
    if (!catalogReadable(h) || !mdb_read_catalog(h, MDB_TABLE))
        refuse(path, "無法讀取資料表目錄（檔案已損壞或已加密）。");
    mdb_set_date_fmt(h, "%Y-%m-%d %H:%M:%S");
}

File::~File() = default;

std::unique_ptr<Table> File::table(std::string_view name) {
    MdbHandle* h = impl_->mdb;
    for (unsigned i = 0; i < h->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(h->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry) ||
            !store::sameName(entry->object_name, name))
            continue;
        MdbTableDef* def = readTable(entry);
        if (!def) refuse(impl_->path, "已損壞：資料表 " + std::string(name) + " 的定義無法讀取。");
        if (!mdb_read_columns(def)) {
            mdb_free_tabledef(def);
            refuse(impl_->path, "已損壞：資料表 " + std::string(name) + " 的欄位無法讀取。");
        }
        return std::unique_ptr<Table>(new Table(std::make_unique<detail::TableState>(*impl_, def)));
    }
    return nullptr;
}

}  // namespace exchange::jet

bool exchange::isJetFile(const std::filesystem::path& file) {
    std::error_code ec;
    std::ifstream in(file, std::ios::binary);
    std::array<char, 0x20> head{};
    return std::filesystem::is_regular_file(file, ec) && in && jet::hasJetSignature(in, head);
}
