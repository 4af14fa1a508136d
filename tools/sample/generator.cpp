#include "generator.h"

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/sqlite/database.h"

namespace sample {
namespace {

// mt19937_64 is the same everywhere; the standard distributions are not, so draw by hand.
class Dice {
  public:
    explicit Dice(uint64_t seed) : engine_(seed) {}
    long below(long n) { return static_cast<long>(engine_() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <class List>
    std::string pick(const List& list) {
        return std::string(
            list[static_cast<std::size_t>(below(static_cast<long>(std::size(list))))]);
    }
    std::string digits(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>('0' + below(10));
        return s;
    }

  private:
    std::mt19937_64 engine_;
};

constexpr std::string_view kSurnames[] = {
    "陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊", "許", "鄭", "謝", "郭", "洪",
    "曾", "邱", "廖", "賴", "周", "徐", "蘇", "葉", "莊", "呂", "江", "何", "蕭", "羅", "高",
    "潘", "簡", "朱", "鍾", "彭", "游", "詹", "胡", "施", "沈", "余", "趙", "盧", "梁", "顏",
    "柯", "孫", "魏", "翁", "戴", "范", "方", "宋", "鄧", "杜", "傅", "侯", "曹", "薛", "丁",
};
constexpr std::string_view kDoubleSurnames[] = {"歐陽", "司馬", "諸葛", "上官", "張簡", "范姜"};
constexpr std::string_view kGiven[] = {
    "志", "明", "俊", "傑", "建", "宏", "家", "豪", "淑", "芬", "美", "玲", "雅", "婷", "怡",
    "君", "文", "華", "國", "榮", "佳", "慧", "欣", "宜", "冠", "宇", "信", "義", "惠", "珍",
    "麗", "秀", "英", "嘉", "偉", "承", "恩", "柏", "翰", "詩", "涵", "思", "妤", "哲", "瑋",
};
constexpr std::string_view kCities[] = {
    "台北市", "新北市", "桃園市", "台中市", "台南市", "高雄市", "基隆市", "新竹市", "嘉義市",
    "新竹縣", "苗栗縣", "彰化縣", "南投縣", "雲林縣", "屏東縣", "宜蘭縣", "花蓮縣", "台東縣",
};
constexpr std::string_view kDistricts[] = {
    "中正區", "大安區", "信義區", "中山區", "松山區", "板橋區", "三重區", "中壢區", "西屯區",
    "北屯區", "東區",   "南區",   "前鎮區", "苓雅區", "竹北市", "員林市", "斗六市", "羅東鎮",
};
constexpr std::string_view kRoads[] = {
    "中山路",   "中正路",   "民生路", "民權東路", "忠孝東路", "仁愛路", "信義路", "和平東路",
    "復興南路", "建國北路", "光復路", "成功路",   "文化路",   "自由路", "公園路", "三民路",
};
constexpr std::string_view kSections[] = {"", "", "一段", "二段", "三段", "四段"};
// The lookup list: companies, job titles and lines of business side by side, as the editor's
// three lookup boxes all offer the same list.
constexpr std::string_view kCompanies[] = {
    "宏碁電腦股份有限公司",
    "華碩電腦",
    "台灣積體電路製造",
    "中國鋼鐵",
    "統一企業",
    "大同公司",
    "聯華電子",
    "長榮海運",
    "台灣塑膠工業",
    "遠東紡織",
    "國泰人壽",
    "富邦銀行",
};
constexpr std::string_view kTitles[] = {
    "工程師", "經理", "副理", "業務員", "會計", "總經理", "課長", "助理", "董事長",
};
constexpr std::string_view kTrades[] = {
    "資訊業", "電子業", "鋼鐵業", "食品業", "運輸業", "紡織業", "金融業", "保險業", "服務業",
};
constexpr std::string_view kMemos[] = {
    "老客戶",        "每年寄賀年卡",        "請於上午聯絡",
    "介紹人:王先生", "已搬家,待確認新地址", "喜歡電話聯絡\n不要寄電子郵件",
};

std::string twoDigits(long n) {
    std::string digits = std::to_string(n);
    if (n < 10) digits.insert(digits.begin(), '0');
    return digits;
}

std::string rocDate(Dice& d, long fromYear, long toYear) {
    long year = fromYear + d.below(toYear - fromYear + 1);
    return std::to_string(year) + "." + twoDigits(1 + d.below(12)) + "." +
           twoDigits(1 + d.below(28));
}

std::string name(Dice& d) {
    long form = d.below(100);
    if (form < 6) return d.pick(kDoubleSurnames) + d.pick(kGiven) + d.pick(kGiven);  // 4
    if (form < 18) return d.pick(kSurnames) + d.pick(kGiven);                        // 2
    return d.pick(kSurnames) + d.pick(kGiven) + d.pick(kGiven);                      // 3
}

std::string phone(Dice& d) {
    switch (d.below(3)) {
        case 0:
            return "02" + std::to_string(2 + d.below(8)) + d.digits(7);
        case 1:
            return "04" + std::to_string(2 + d.below(8)) + d.digits(7);
        default:
            return "07-" + std::to_string(2 + d.below(8)) + d.digits(6);
    }
}

std::string address(Dice& d) {
    std::string a = d.pick(kCities) + d.pick(kDistricts) + d.pick(kRoads) + d.pick(kSections) +
                    std::to_string(1 + d.below(300)) + "號";
    if (d.chance(40)) a += std::to_string(1 + d.below(15)) + "樓";
    return a;
}

std::array<std::string, store::kFieldCount> client(Dice& d, long index) {
    std::array<std::string, store::kFieldCount> f;
    f[store::NO] = std::string(1, static_cast<char>('A' + (index / 99999) % 26)) + [&] {
        std::string n = std::to_string(index % 99999 + 1);
        return std::string(5 - n.size(), '0') + n;
    }();
    f[store::NAME] = name(d);
    f[store::BIRTH] = d.chance(3) ? "" : rocDate(d, 20, 95);
    f[store::SEX] = d.chance(4) ? (d.chance(50) ? "男" : "女") : (d.chance(50) ? "M" : "F");
    const char* bloods[] = {"A", "B", "O", "AB", "O", "A", "A+"};
    f[store::BLOOD] = d.chance(5) ? "" : d.pick(bloods);
    f[store::SELF_NO] = std::string(1, static_cast<char>('A' + d.below(26))) +
                        std::to_string(1 + d.below(2)) + d.digits(8);
    const char* marry[] = {"Y", "N", "Y", "N", "已婚"};
    f[store::MARRY] = d.pick(marry);
    f[store::TEL_1] = phone(d);
    f[store::PHONE] = d.chance(85) ? "09" + d.digits(8) : "";
    f[store::CALL] = d.chance(10) ? "094" + d.digits(7) : "";
    f[store::ADDR_1] = address(d);
    f[store::COMPANY] = d.chance(8) ? d.pick(kSurnames) + "記商行" : d.pick(kCompanies);
    f[store::TEL_2] = phone(d);
    f[store::ADDR_2] = address(d);
    f[store::VOCATION] = d.chance(5) ? "專員" : d.pick(kTitles);
    f[store::POSITION] = d.chance(5) ? "其他" : d.pick(kTrades);
    f[store::FAX] = d.chance(60) ? phone(d) : "";
    f[store::UNITY_NO] = d.chance(70) ? d.digits(8) : "";
    f[store::DATE] = rocDate(d, 85, 115);
    f[store::MEMO] = d.chance(15) ? d.pick(kMemos) : "";
    return f;
}

}  // namespace

void writeClientFile(const std::filesystem::path& path, long count, bool shuffled) {
    std::filesystem::path temp = path;
    temp += ".sample";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    store::clientfile::create(temp);
    {
        auto db = store::Database::open(temp);
        // A fresh file nobody else uses: no need for a journal while filling it.
        db->exec("PRAGMA journal_mode=OFF");
        db->exec("PRAGMA synchronous=OFF");
        // The code index is built once after the rows rather than row by row.
        db->exec("DROP INDEX " + std::string(store::kCodeIndex));
        db->exec("BEGIN");
        {
            store::Statement lookup(*db, "INSERT INTO COMBOX_COMPANY (company_field) VALUES (?)");
            auto add = [&](std::string_view v) {
                lookup.bind(1, v);
                lookup.step();
                lookup.reset();
            };
            for (auto v : kCompanies) add(v);
            for (auto v : kTitles) add(v);
            for (auto v : kTrades) add(v);

            std::string sql = "INSERT INTO VELKARD VALUES (?";
            for (int i = 1; i < store::kFieldCount; ++i) sql += ", ?";
            store::Statement insert(*db, sql + ")");
            Dice dice(0x56454C4B415244ULL);
            // The code's number; the other values are drawn in row order either way.
            std::vector<long> numbers;
            if (shuffled) {
                numbers.resize(static_cast<std::size_t>(count));
                for (long i = 0; i < count; ++i) numbers[static_cast<std::size_t>(i)] = i;
                Dice order(0x53485546464C45ULL);
                for (long i = count - 1; i > 0; --i)
                    std::swap(numbers[static_cast<std::size_t>(i)],
                              numbers[static_cast<std::size_t>(order.below(i + 1))]);
            }
            for (long i = 0; i < count; ++i) {
                auto row = client(dice, shuffled ? numbers[static_cast<std::size_t>(i)] : i);
                for (int c = 0; c < store::kFieldCount; ++c) {
                    const auto& v = row[static_cast<std::size_t>(c)];
                    if (v.empty() && dice.chance(50))
                        insert.bindNull(c + 1);  // stored files hold both NULL and empty text
                    else
                        insert.bind(c + 1, v);
                }
                insert.step();
                insert.reset();
            }
        }
        db->exec("COMMIT");
        store::clientfile::indexCodes(db);
        db->exec("PRAGMA journal_mode=DELETE");
    }
    std::filesystem::rename(temp, path);
}

}  // namespace sample
