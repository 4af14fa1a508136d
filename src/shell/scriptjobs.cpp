#include "shell/scriptjobs.h"

#include <numeric>

#include "exchange/export.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/postgres/postgres.h"
#include "store/recordset.h"
#include "store/sqlite/database.h"

namespace shell {

namespace {

// A job run every night must not overwrite what a person left there, unless asked to.
void refuseExisting(const std::filesystem::path& target, bool replace) {
    std::error_code ec;
    if (!replace && std::filesystem::exists(target, ec))
        throw exchange::ExportError(target.string() +
                                    " 已經存在，沒有覆蓋。請換一個檔名，或加上 --replace 取代它。");
}

}  // namespace

std::shared_ptr<store::ClientFile> openForJob(const std::filesystem::path& file,
                                              const std::string& server) {
    if (!server.empty())
        return std::make_shared<store::ClientFile>(store::postgres::connect(server));
    return store::ClientFile::open(file);
}

long exportClients(store::ClientFile& clients, const ExportJob& job) {
    const auto format = exchange::formatOf(job.target);
    if (!format)
        throw exchange::ExportError(job.target.string() +
                                    " 的副檔名要是 .csv、.vcf 或 .xlsx，才知道要寫成哪一種檔案。");
    const auto records = clients.records(store::kClientTable);
    // The expression is named with its error: a job's log shows the command, not the window.
    const auto take = [](const char* option, const std::string& text, auto&& apply) {
        try {
            apply(text);
        } catch (const store::ExpressionError& e) {
            throw exchange::ExportError(std::string(option) + " 「" + text + "」" + e.what());
        }
    };
    take("--filter", job.filter, [&](const std::string& t) { records->setFilter(t); });
    take("--sort", job.sort, [&](const std::string& t) { records->setSort(t); });
    refuseExisting(job.target, job.replace);
    std::vector<int> columns(static_cast<std::size_t>(records->fieldCount()));
    std::iota(columns.begin(), columns.end(), 0);
    exchange::writeClients(*records, columns, job.target, *format);
    return records->recordCount();
}

long backupClients(store::ClientFile& clients, const std::filesystem::path& target, bool replace) {
    refuseExisting(target, replace);
    clients.backup(target);
    const auto copy = store::clientfile::open(target, {.readOnly = true});
    store::Statement count(*copy, "SELECT count(*) FROM " + store::quoteName(store::kClientTable));
    count.step();
    return static_cast<long>(count.integer(0));
}

}  // namespace shell
