#include "exchange/export.h"

#include <csv.h>

#include <chrono>
#include <fstream>

#include "exchange/workbook.h"
#include "store/dates.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "store/sqlite/bulk.h"

namespace exchange {

namespace {

namespace fs = std::filesystem;

void csvField(std::ostream& out, std::string_view value) {
    std::string quoted(value.size() * 2 + 2, '\0');
    const std::size_t size = csv_write(quoted.data(), quoted.size(), value.data(), value.size());
    out.write(quoted.data(), static_cast<std::streamsize>(size));
}

// A value a spreadsheet would take for a formula or a signed number (= + - @, a tab or a CR at
// its start) gets a leading apostrophe, which spreadsheets read as "text follows"; so does a
// value that begins with an apostrophe itself, so that reading it back strips exactly one.
void guardedField(std::ostream& out, std::string_view value) {
    if (csvGuarded(value))
        csvField(out, "'" + std::string(value));
    else
        csvField(out, value);
}

// A vCard text value: backslash, comma, semicolon and line breaks escaped; other control
// characters but the tab, which RFC 6350 does not allow in a value, left out.
std::string escaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') ||
            c == '\x7F') {
            continue;
        } else if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\r' || c == '\n') {
            out += "\\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

bool csvGuarded(std::string_view value) {
    return !value.empty() && std::string_view("=+-@\t\r'").find(value[0]) != std::string_view::npos;
}

void writeCsv(const store::RecordSet& records, const std::vector<int>& columns, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) out << ',';
        csvField(out, records.fieldName(columns[i]));
    }
    out << "\r\n";
    for (long row = 0; row < records.recordCount(); ++row) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i) out << ',';
            guardedField(out, records.valueAt(row, columns[i]));
        }
        out << "\r\n";
    }
}

std::string folded(const std::string& line) {
    std::string out;
    std::size_t octets = 0;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t length = 1;  // the whole UTF-8 sequence of the character at i
        const auto lead = static_cast<unsigned char>(line[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        if (octets + length > 75) {
            out += "\r\n ";
            octets = 1;  // the space that starts a continuation line
        }
        out.append(line, i, length);
        octets += length;
        i += length;
    }
    return out + "\r\n";
}

std::string gregorianDate(std::string_view birth) {
    const auto day = store::dates::dayNumber(birth);
    if (!day) return {};
    const std::chrono::year_month_day date{
        std::chrono::year(*day / 10000 + 1911),
        std::chrono::month(static_cast<unsigned>(*day / 100 % 100)),
        std::chrono::day(static_cast<unsigned>(*day % 100))};
    if (!date.ok()) return {};
    const auto two = [](unsigned n) {
        return std::string(1, char('0' + n / 10)) + char('0' + n % 10);
    };
    return std::to_string(static_cast<int>(date.year())) +
           two(static_cast<unsigned>(date.month())) + two(static_cast<unsigned>(date.day()));
}

void writeVcards(const store::RecordSet& records, std::ostream& out) {
    using namespace store;
    const struct {
        int field;
        const char* property;
    } simple[] = {{TEL_1, "TEL;TYPE=home"}, {PHONE, "TEL;TYPE=cell"}, {CALL, "TEL;TYPE=pager"},
                  {TEL_2, "TEL;TYPE=work"}, {FAX, "TEL;TYPE=fax"},    {COMPANY, "ORG"},
                  {VOCATION, "TITLE"},      {POSITION, "ROLE"},       {MEMO, "NOTE"}};
    for (long row = 0; row < records.recordCount(); ++row) {
        auto value = [&](int field) { return std::string(records.valueAt(row, field)); };
        out << "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        if (!value(NO).empty()) out << folded("UID;VALUE=text:" + escaped(value(NO)));
        out << folded("FN:" + escaped(value(NAME)));
        out << folded("N:" + escaped(value(NAME)) + ";;;;");
        if (const std::string bday = gregorianDate(value(BIRTH)); !bday.empty())
            out << folded("BDAY:" + bday);
        for (const auto& p : simple)
            if (!value(p.field).empty())
                out << folded(std::string(p.property) + ":" + escaped(value(p.field)));
        if (!value(ADDR_1).empty())
            out << folded("ADR;TYPE=home:;;" + escaped(value(ADDR_1)) + ";;;;");
        if (!value(ADDR_2).empty())
            out << folded("ADR;TYPE=work:;;" + escaped(value(ADDR_2)) + ";;;;");
        out << "END:VCARD\r\n";
    }
}

void writeFile(const fs::path& path, const std::function<void(std::ostream&)>& write) {
    const fs::path temp = store::bulk::tempFor(path);
    std::error_code ec;
    {
        std::ofstream out(temp, std::ios::binary);
        if (!out) {
            const fs::path folder = path.parent_path().empty() ? "." : path.parent_path();
            throw ExportError("無法寫入 " + path.string() + "：" +
                              (fs::is_directory(folder, ec)
                                   ? "資料夾不能寫入。"
                                   : "資料夾 " + folder.string() + " 不存在。"));
        }
        write(out);
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            throw ExportError("無法寫入 " + path.string() + "：磁碟已滿或無法寫入。");
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw ExportError("無法寫入 " + path.string() + "：" + ec.message());
    }
}

std::optional<Format> formatOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (store::sameName(extension, ".csv")) return Format::Csv;
    if (store::sameName(extension, ".vcf")) return Format::Vcard;
    if (store::sameName(extension, ".xlsx")) return Format::Workbook;
    return std::nullopt;
}

void writeClients(const store::RecordSet& records, const std::vector<int>& columns,
                  const std::filesystem::path& path, Format format) {
    if (format == Format::Workbook) return writeWorkbook(records, columns, path);
    writeFile(path, [&](std::ostream& out) {
        format == Format::Vcard ? writeVcards(records, out) : writeCsv(records, columns, out);
    });
}

}  // namespace exchange
