#include "exchange/vcardimport.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>

#include "exchange/decoder.h"
#include "store/bulk.h"
#include "store/dates.h"
#include "store/fields.h"
#include "store/text.h"

namespace exchange {

namespace {

using store::NO;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// One content line: [group.]NAME;PARAM=VALUE,...:value, the value still as written.
struct Property {
    std::string name;
    std::multimap<std::string, std::string> params;  // upper-case names; 2.1's bare ones as TYPE
    std::string_view value;
    bool wellFormed = true;  // false: the line has no colon

    bool has(const std::string& param, std::string_view value) const {
        const auto [from, to] = params.equal_range(param);
        return std::any_of(from, to,
                           [&](const auto& p) { return store::sameName(p.second, value); });
    }
    std::string param(const std::string& name) const {
        auto it = params.find(name);
        return it == params.end() ? std::string() : upper(it->second);
    }
};

Property parse(std::string_view line) {
    Property p;
    // The value begins after the first colon outside a quoted parameter value.
    std::size_t colon = 0;
    for (bool quoted = false; colon < line.size(); ++colon) {
        if (line[colon] == '"') quoted = !quoted;
        if (line[colon] == ':' && !quoted) break;
    }
    p.wellFormed = colon < line.size();
    p.value = p.wellFormed ? line.substr(colon + 1) : std::string_view();
    std::string_view head = line.substr(0, colon);
    const std::size_t semicolon = head.find(';');
    std::string_view name = head.substr(0, semicolon);
    if (const auto dot = name.find('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    p.name = upper(name);
    while (head.size() > 0 && head.find(';') != std::string_view::npos) {
        head.remove_prefix(head.find(';') + 1);
        std::string_view one = head.substr(0, head.find(';'));
        const std::size_t eq = one.find('=');
        const std::string key = eq == std::string_view::npos ? "TYPE" : upper(one.substr(0, eq));
        std::string_view values = eq == std::string_view::npos ? one : one.substr(eq + 1);
        if (values.size() >= 2 && values.front() == '"' && values.back() == '"')
            values = values.substr(1, values.size() - 2);
        if (eq == std::string_view::npos &&
            (store::sameName(one, "QUOTED-PRINTABLE") || store::sameName(one, "BASE64")))
            p.params.emplace("ENCODING", std::string(one));
        else
            for (std::size_t from = 0; from <= values.size();) {
                const std::size_t comma = std::min(values.find(',', from), values.size());
                p.params.emplace(key, std::string(values.substr(from, comma - from)));
                from = comma + 1;
            }
    }
    return p;
}

// QUOTED-PRINTABLE's =XX taken back to bytes; an '=' not followed by two hex digits stays.
std::string fromQuotedPrintable(std::string_view v) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '=' && i + 2 < v.size() && hex(v[i + 1]) >= 0 && hex(v[i + 2]) >= 0) {
            out += static_cast<char>(hex(v[i + 1]) * 16 + hex(v[i + 2]));
            i += 2;
        } else {
            out += v[i];
        }
    }
    return out;
}

// The components of a structured value (N, ADR, ORG), escapes undone: \n \, \; \\.
std::vector<std::string> components(std::string_view v) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) {
            const char next = v[++i];
            parts.back() += next == 'n' || next == 'N' ? '\n' : next;
        } else if (v[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += v[i];
        }
    }
    return parts;
}

// A value that has no components: a semicolon some writers leave unescaped is text.
std::string literal(const std::vector<std::string>& parts) {
    std::string out = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) out += ";" + parts[i];
    return out;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        // A blank only between two Latin words: 台北市 and 信義路 run together.
        const bool latin = !out.empty() && static_cast<unsigned char>(out.back()) < 0x80 &&
                           static_cast<unsigned char>(parts[i].front()) < 0x80;
        out += (latin ? " " : "") + parts[i];
    }
    return out;
}

// A card read into the twenty fields, what has no field of its own kept for the remark.
class Card {
  public:
    Card() : client_(store::kFieldCount) {}

    // Why the card cannot come in; empty when it can.
    std::string refusal;

    void take(const Property& p, std::set<std::string>& ignored) {
        if (!p.wellFormed) {
            refusal = "有一行不是「名稱:值」：" + std::string(p.name.substr(0, 40));
            return;
        }
        // Pictures, sounds and keys are no text for a card file.
        if (p.param("ENCODING") == "B" || p.param("ENCODING") == "BASE64" || p.name == "PHOTO" ||
            p.name == "LOGO" || p.name == "SOUND" || p.name == "KEY") {
            ignored.insert(p.name);
            return;
        }
        const std::string text = decoded(p);
        if (!refusal.empty()) return;
        const auto parts = components(text);
        const std::string whole = literal(parts);
        if (p.name == "FN") {
            name_ = whole;
        } else if (p.name == "N") {
            const std::string family = parts.size() > 0 ? parts[0] : "";
            const std::string given = parts.size() > 1 ? parts[1] : "";
            fromN_ =
                joined(store::text::isSimpleAscii(family + given) ? std::vector{given, family}
                                                                  : std::vector{family, given});
        } else if (p.name == "UID") {
            // The export writes a client's code so; a phone's identifier is no code.
            if (!text.empty() &&
                store::text::big5Width(text) <= store::kFieldWidths[static_cast<std::size_t>(NO)] &&
                text.find(' ') == std::string::npos)
                put(NO, text);
            else
                ignored.insert(p.name);
        } else if (p.name == "TEL") {
            const int field = p.has("TYPE", "FAX")                               ? store::FAX
                              : p.has("TYPE", "CELL") || p.has("TYPE", "MOBILE") ? store::PHONE
                              : p.has("TYPE", "PAGER")                           ? store::CALL
                              : p.has("TYPE", "WORK")                            ? store::TEL_2
                              : p.has("TYPE", "HOME")                            ? store::TEL_1
                                                                                 : -1;
            // vCard 4.0 writes a number as a tel: address.
            const std::string number =
                store::sameName(whole.substr(0, 4), "TEL:") ? whole.substr(4) : whole;
            if (field >= 0)
                put(field, number);
            else
                put(firstEmpty({store::TEL_1, store::TEL_2, store::PHONE}), number, "電話");
        } else if (p.name == "ADR") {
            // The street holds the whole address as the export writes it; a phone's parts are
            // put in the order a Taiwanese address is written, from the postal code on.
            const std::vector<std::string> ordered = {parts.size() > 5 ? parts[5] : "",
                                                      parts.size() > 6 ? parts[6] : "",
                                                      parts.size() > 4 ? parts[4] : "",
                                                      parts.size() > 3 ? parts[3] : "",
                                                      parts.size() > 2 ? parts[2] : "",
                                                      parts.size() > 1 ? parts[1] : "",
                                                      parts[0]};
            if (p.has("TYPE", "WORK") || p.has("TYPE", "HOME"))
                put(p.has("TYPE", "WORK") ? store::ADDR_2 : store::ADDR_1, joined(ordered));
            else
                put(firstEmpty({store::ADDR_1, store::ADDR_2}), joined(ordered), "地址");
        } else if (p.name == "ORG") {
            put(store::COMPANY, joined(parts));
        } else if (p.name == "TITLE") {
            put(store::VOCATION, whole);
        } else if (p.name == "ROLE") {
            put(store::POSITION, whole);
        } else if (p.name == "BDAY") {
            birthday(text);
        } else if (p.name == "GENDER") {
            const std::string sex = upper(parts[0]);
            if (sex == "M" || sex == "F")
                put(store::SEX, sex == "M" ? "男" : "女");
            else if (!sex.empty())
                extras_.push_back("性別：" + whole);
        } else if (p.name == "NOTE") {
            notes_.push_back(whole);
        } else if (p.name == "EMAIL" || p.name == "URL" || p.name == "NICKNAME") {
            extras_.push_back((p.name == "EMAIL" ? "電子郵件："
                               : p.name == "URL" ? "網址："
                                                 : "暱稱：") +
                              whole);
        } else if (p.name != "VERSION" && p.name != "PRODID" && p.name != "REV" &&
                   p.name != "KIND" && p.name != "SORT-STRING") {
            ignored.insert(p.name);
        }
    }

    // The card as a client: checked as a CSV row is; nothing when it is refused.
    std::optional<ClientValues> finish() {
        const std::string name = !name_.empty() ? name_ : fromN_;
        if (!name.empty() && !client_[store::NAME]) client_[store::NAME] = name;
        notes_.insert(notes_.end(), extras_.begin(), extras_.end());
        if (!notes_.empty()) {
            std::string memo;
            for (const auto& n : notes_) memo += (memo.empty() ? "" : "\n") + n;
            client_[store::MEMO] = std::move(memo);
        }
        if (!refusal.empty()) return std::nullopt;
        for (int f = 0; f < store::kFieldCount; ++f) {
            const auto& v = client_[static_cast<std::size_t>(f)];
            if (auto why = v ? overWidth(f, *v) : std::nullopt) {
                refusal = std::move(*why);
                return std::nullopt;
            }
        }
        return std::move(client_);
    }

  private:
    // The value as text: QUOTED-PRINTABLE and the card's character set undone.
    std::string decoded(const Property& p) {
        std::string bytes = p.param("ENCODING") == "QUOTED-PRINTABLE" ? fromQuotedPrintable(p.value)
                                                                      : std::string(p.value);
        const std::string charset = p.param("CHARSET");
        if (charset == "BIG5" || charset == "BIG-5" || charset == "CP950") {
            std::string text;
            if (!Decoder("CP950").decode(bytes, text)) refusal = p.name + " 有不是 Big5 的位元組";
            bytes = std::move(text);
        } else if (!charset.empty() && charset != "UTF-8" && charset != "US-ASCII") {
            refusal = p.name + " 的字元集 " + charset + " 無法讀取";
        }
        if (refusal.empty() && !store::text::storable(bytes))
            refusal = p.name + " 有無法解讀的位元組或 NUL 字元";
        return bytes;
    }

    int firstEmpty(std::initializer_list<int> fields) const {
        for (int f : fields)
            if (!client_[static_cast<std::size_t>(f)]) return f;
        return -1;
    }

    // A value into its field. One more of its kind (a second mobile number), or one wider than
    // its field (+886 912 345 678), is kept whole in the remark under `kind` or the field's title.
    void put(int field, const std::string& value, const char* kind = nullptr) {
        if (value.empty()) return;
        const auto f = static_cast<std::size_t>(field);
        if (field >= 0 && !client_[f] && !overWidth(field, value))
            client_[f] = value;
        else if (field >= 0 && !kind)
            extras_.push_back(std::string(store::kFieldTitles[f]) + "：" + value);
        else
            extras_.push_back(std::string(kind ? kind : "其他") + "：" + value);
    }

    // BDAY as YYYYMMDD or YYYY-MM-DD (a time after it ignored): the Republic's date. A day
    // without a year has no such date and goes to the remark.
    void birthday(const std::string& text) {
        std::string digits;
        for (char c : text.substr(0, text.find('T'))) {
            if (c >= '0' && c <= '9') digits += c;
        }
        if (text.rfind("--", 0) == 0 || digits.size() != 8) {
            extras_.push_back("生日：" + text);
            return;
        }
        const int year = std::stoi(digits.substr(0, 4));
        if (year < 1912) {
            refusal = "生日 " + text + " 早於民國元年";
            return;
        }
        const std::string typed =
            std::to_string(year) + "/" + digits.substr(4, 2) + "/" + digits.substr(6, 2);
        const auto roc = store::dates::check(typed);
        if (!roc) {
            refusal = "生日 " + text + " 不是真的日子";
            return;
        }
        put(store::BIRTH, *roc);
    }

    ClientValues client_;
    std::string name_, fromN_;
    std::vector<std::string> notes_, extras_;
};

// The file's lines with folding undone: a line that begins with a blank or a tab continues the
// one before; a QUOTED-PRINTABLE value that ends in '=' continues on the next line.
std::vector<std::string_view> unfolded(std::string_view text, std::deque<std::string>& joinedKeep) {
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    std::string* building = nullptr;
    auto quotedSoftBreak = [](std::string_view l) {
        const std::size_t colon = l.find(':');
        return colon != std::string_view::npos && !l.empty() && l.back() == '=' &&
               upper(l.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
    };
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        from = end + 1;
        const bool folded = !lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t');
        const bool softBreak = !lines.empty() && quotedSoftBreak(lines.back());
        if (!folded && !softBreak) {
            lines.push_back(line);
            building = nullptr;
            continue;
        }
        if (!building) {
            joinedKeep.emplace_back(lines.back());
            building = &joinedKeep.back();
        }
        if (softBreak) building->pop_back();
        building->append(folded && !softBreak ? line.substr(1) : line);
        lines.back() = *building;
    }
    return lines;
}

}  // namespace

CheckedImport readClientsVcard(std::string_view bytes, const store::bulk::Progress& progress) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::deque<std::string> keep;  // the joined lines; a deque never moves them
    const std::vector<std::string_view> lines = unfolded(bytes, keep);
    CheckedImport checked;
    checked.cards = true;
    std::set<std::string> ignored;
    std::optional<Card> card;
    long number = 0;
    auto unfinished = [&] {
        checked.refused.push_back({number, "名片沒有結束（缺少 END:VCARD），檔案可能不完整"});
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (progress && i % (50 * store::bulk::kProgressStep) == 0)
            progress(static_cast<long>(i), static_cast<long>(lines.size()));
        if (lines[i].empty()) continue;
        const Property p = parse(lines[i]);
        if (p.name == "BEGIN" && store::sameName(p.value, "VCARD")) {
            if (card) unfinished();
            if (progress)
                progress(static_cast<long>(lines.size()), static_cast<long>(lines.size()));
            card.emplace();
            ++number;
        } else if (p.name == "END" && store::sameName(p.value, "VCARD") && card) {
            if (auto client = card->finish())
                checked.clients.push_back(std::move(*client));
            else
                checked.refused.push_back({number, card->refusal});
            card.reset();
        } else if (card) {
            card->take(p, ignored);
        } else {
            // Text between cards is no card's: the file is not what it claims to be.
            throw ImportError(number == 0 ? "檔案開頭不是名片（BEGIN:VCARD）。"
                                          : "第 " + std::to_string(number) +
                                                " 張名片之後有不屬於任何名片的文字。");
        }
    }
    if (number == 0) throw ImportError("檔案裡沒有任何名片（BEGIN:VCARD）。");
    checked.passed = static_cast<long>(checked.clients.size());
    if (card) unfinished();
    if (progress) progress(static_cast<long>(lines.size()), static_cast<long>(lines.size()));
    checked.ignoredColumns.assign(ignored.begin(), ignored.end());
    return checked;
}

std::vector<std::string> freeCodes(const std::vector<std::string>& existing, std::size_t count) {
    // Each code's form: what precedes its closing digits, and how many digits.
    using Form = std::pair<std::string, std::size_t>;
    std::map<Form, std::pair<long, std::string>> forms;  // how many, the greatest
    std::set<std::string> taken(existing.begin(), existing.end());
    for (const auto& code : existing) {
        std::size_t digits = code.size();
        while (digits > 0 && code[digits - 1] >= '0' && code[digits - 1] <= '9') --digits;
        if (digits == code.size()) continue;
        auto& [seen, greatest] = forms[{code.substr(0, digits), code.size() - digits}];
        ++seen;
        if (greatest.empty() || code.substr(digits) > greatest.substr(digits)) greatest = code;
    }
    Form form{"A", 5};
    std::string code = "A00000";
    long most = 0;
    for (const auto& [f, found] : forms)
        if (found.first > most) most = found.first, form = f, code = found.second;
    // Past the widest code the field holds, the gaps of the form are used from its first code.
    const int width = store::kFieldWidths[static_cast<std::size_t>(NO)];
    bool wrapped = false;
    std::vector<std::string> out;
    while (out.size() < count) {
        code = store::bulk::nextCode(code);
        if (store::text::big5Width(code) > width) {
            if (wrapped)
                throw ImportError("客戶代號已經沒有空號可以編給新客戶，請先重新編排代號。");
            wrapped = true;
            code = form.first + std::string(form.second - 1, '0') + "1";
        }
        if (taken.insert(code).second) out.push_back(code);
    }
    return out;
}

}  // namespace exchange
