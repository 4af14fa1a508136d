#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace store {
class ClientFile;
}

// What a nightly job asks of the program without a window: the clients written out, or a backup.
namespace shell {

// Where the job reads: the client file `file`, or the server `server` (a libpq connection
// text) when that is set. Throws StoreError when it cannot be opened.
std::shared_ptr<store::ClientFile> openForJob(const std::filesystem::path& file,
                                              const std::string& server);

struct ExportJob {
    std::filesystem::path target;  // .csv, .vcf or .xlsx
    std::string filter, sort;      // as the display set takes them; empty for all, table order
    bool replace = false;          // an existing target may be replaced
};

// Writes the client table (every field) to the target in the format its name asks for, under
// a temporary name that takes the target's when complete. Gives the number of clients written.
// Throws ExportError for a filter or sort the display set would refuse (named with it), for a
// name or target that cannot be written, StoreError when the table cannot be read.
long exportClients(store::ClientFile& clients, const ExportJob& job);

// A backup as FILE BACKUP makes it: a whole client file, complete or not there at all. Gives
// the number of clients in it, read from the backup, which must open as a client file.
long backupClients(store::ClientFile& clients, const std::filesystem::path& target, bool replace);

}  // namespace shell
