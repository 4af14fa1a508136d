#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/database.h"

// The client file: one SQLite file at a fixed place holding the tables VELKARD (the twenty
// client fields), COMBOX_COMPANY (company_field) and FIELD1.
namespace store::clientfile {

// C:\VELKARD\velkard.db on Windows, $HOME/VELKARD/velkard.db elsewhere.
std::filesystem::path defaultPath();

// What keeps an open SQLite file from being a client file, one line per missing table or
// table with missing columns; empty when nothing is missing. Reads only.
std::vector<std::string> problems(const Database& db);

// Opens and checks the client file without changing it when it is unusable. Throws StoreError:
// Missing, NotSqlite, NotClientFile (naming every missing table and column), ReadOnly, Locked.
std::shared_ptr<Database> open(const std::filesystem::path& path, const OpenOptions& options = {});

// Creates an empty client file with its three tables, and its folder when missing. The file
// appears complete or not at all; an existing file is never replaced.
void create(const std::filesystem::path& path);

}  // namespace store::clientfile
