#include "store/duplicates.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

#include "store/dates.h"
#include "store/fields.h"
#include "store/search.h"
#include "store/text.h"

namespace store::duplicates {
namespace {

// Fewer digits than a local number are no phone to compare.
constexpr std::size_t kPhoneDigits = 7;

uint64_t hashOf(std::string_view key) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : key) h = (h ^ c) * 1099511628211ull;
    return h;
}

}  // namespace

void keysOf(Rule rule, std::span<const std::string_view> v, std::vector<std::string>& keys) {
    keys.clear();
    switch (rule) {
        case Rule::SameIdentity:
            if (!v[SELF_NO].empty()) keys.push_back(text::fold(v[SELF_NO]));
            break;
        case Rule::SameCode:
            if (!v[NO].empty()) keys.push_back(text::fold(v[NO]));
            break;
        case Rule::SameNameAndBirthday:
            if (!v[NAME].empty() && !v[BIRTH].empty()) {
                // The same day however it was written (880403, 88.04.03).
                const auto day = dates::dayNumber(v[BIRTH]);
                keys.push_back(text::fold(v[NAME]) + '\n' +
                               (day ? std::to_string(*day) : std::string(v[BIRTH])));
            }
            break;
        case Rule::SamePhone:
            for (int f : {PHONE, TEL_1}) {
                std::string digits = search::storedDigits(v[static_cast<std::size_t>(f)]);
                if (digits.size() >= kPhoneDigits &&
                    std::find(keys.begin(), keys.end(), digits) == keys.end())
                    keys.push_back(std::move(digits));
            }
            break;
    }
}

namespace {

std::string shown(Rule rule, std::span<const std::string_view> v, const std::string& key) {
    switch (rule) {
        case Rule::SameIdentity:
            return std::string(v[SELF_NO]);
        case Rule::SameCode:
            return std::string(v[NO]);
        case Rule::SameNameAndBirthday:
            return std::string(v[NAME]) + " " + std::string(v[BIRTH]);
        case Rule::SamePhone:
            return key;
    }
    return key;
}

int dateOf(std::string_view date) {
    return dates::dayNumber(date).value_or(-1);
}

}  // namespace

std::string_view describe(Rule rule) {
    switch (rule) {
        case Rule::SameIdentity:
            return "身份證字號相同";
        case Rule::SameCode:
            return "代號相同";
        case Rule::SameNameAndBirthday:
            return "姓名和生日相同";
        case Rule::SamePhone:
            return "大哥大或住宅電話相同";
    }
    return {};
}

std::vector<Group> find(const RecordSet& records, const std::set<Rule>& rules) {
    const auto all = records.clone();
    const long count = all->recordCount();
    std::array<std::string_view, kFieldCount> values;
    std::vector<Group> groups;
    // Each client's groups so far: a surer rule's group that holds a whole group already says it.
    std::map<Bookmark, std::vector<std::size_t>> groupsOf;
    std::vector<std::string> keys, again;
    for (Rule rule : kRules) {
        if (!rules.count(rule)) continue;
        // A hash of each key beside its client, sorted: equal keys meet; a run is checked by
        // its keys themselves, so that a clash of hashes never makes a group.
        // (Places in the unfiltered set in table order, whose values come without a search.)
        std::vector<std::pair<uint64_t, uint32_t>> hashed;
        hashed.reserve(static_cast<std::size_t>(count));
        for (long i = 0; i < count; ++i) {
            all->valuesAt(i, values);
            keysOf(rule, values, keys);
            for (const auto& k : keys) hashed.emplace_back(hashOf(k), static_cast<uint32_t>(i));
        }
        std::sort(hashed.begin(), hashed.end());
        for (std::size_t at = 0; at < hashed.size();) {
            std::size_t end = at + 1;
            while (end < hashed.size() && hashed[end].first == hashed[at].first) ++end;
            if (end - at >= 2) {
                // Sort the run's clients by their actual key.
                std::map<std::string, std::vector<Bookmark>> byKey;
                std::map<std::string, std::string> shownKey;
                for (std::size_t i = at; i < end; ++i) {
                    all->valuesAt(hashed[i].second, values);
                    keysOf(rule, values, again);
                    const Bookmark client = all->bookmarkAt(hashed[i].second);
                    for (const auto& k : again)
                        if (hashOf(k) == hashed[at].first) {
                            auto& members = byKey[k];
                            if (members.empty() || members.back() != client)
                                members.push_back(client);
                            shownKey.emplace(k, shown(rule, values, k));
                        }
                }
                for (auto& entry : byKey) {
                    const std::string& k = entry.first;
                    auto& members = entry.second;  // named: lambdas below take it
                    if (members.size() < 2) continue;
                    std::sort(members.begin(), members.end());
                    members.erase(std::unique(members.begin(), members.end()), members.end());
                    if (members.size() < 2) continue;
                    const auto& firstGroups = groupsOf[members[0]];
                    const bool known =
                        std::any_of(firstGroups.begin(), firstGroups.end(), [&](std::size_t g) {
                            return std::all_of(members.begin(), members.end(), [&](Bookmark b) {
                                const auto& in = groupsOf[b];
                                return std::find(in.begin(), in.end(), g) != in.end();
                            });
                        });
                    if (known) continue;
                    for (Bookmark b : members) groupsOf[b].push_back(groups.size());
                    groups.push_back({rule, shownKey[k], std::move(members)});
                }
            }
            at = end;
        }
    }
    return groups;
}

std::size_t newest(const std::vector<std::vector<std::string_view>>& clients) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < clients.size(); ++i)
        if (dateOf(clients[i][DATE]) > dateOf(clients[best][DATE])) best = i;
    return best;
}

std::vector<int> defaultChoice(const std::vector<std::vector<std::string_view>>& clients) {
    std::vector<int> choice(kFieldCount, 0);
    // The newest first, then the others in order: the first not empty in that order stays.
    std::vector<std::size_t> order(clients.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return dateOf(clients[a][DATE]) > dateOf(clients[b][DATE]);
    });
    for (int f = 0; f < kFieldCount; ++f) {
        const auto field = static_cast<std::size_t>(f);
        choice[field] = static_cast<int>(order.front());
        for (std::size_t i : order)
            if (!clients[i][field].empty()) {
                choice[field] = static_cast<int>(i);
                break;
            }
    }
    std::vector<std::string_view> remarks;
    for (const auto& c : clients)
        if (!c[MEMO].empty() && std::find(remarks.begin(), remarks.end(), c[MEMO]) == remarks.end())
            remarks.push_back(c[MEMO]);
    if (remarks.size() > 1) choice[MEMO] = kBoth;
    return choice;
}

std::vector<std::string> chosenValues(const std::vector<std::vector<std::string_view>>& clients,
                                      const std::vector<int>& choice) {
    std::vector<std::string> out(kFieldCount);
    for (int f = 0; f < kFieldCount; ++f) {
        const auto field = static_cast<std::size_t>(f);
        if (choice[field] != kBoth) {
            out[field] = std::string(clients[static_cast<std::size_t>(choice[field])][field]);
            continue;
        }
        for (const auto& c : clients) {
            const std::string_view v = c[field];
            if (v.empty() || out[field].find(v) != std::string::npos) continue;
            out[field] += (out[field].empty() ? "" : "\n") + std::string(v);
        }
    }
    return out;
}

}  // namespace store::duplicates
