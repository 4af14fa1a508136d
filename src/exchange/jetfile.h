#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The old program's Jet file read through libmdb. libmdb finds the tables, their columns and
// their rows; each value is then taken from the page's own bytes, checked against the row's
// bounds and decoded here (Big5 for Jet 3, UTF-16 with surrogate pairs for Jet 4), so that a
// damaged row is refused rather than read past or turned into a blank one. Plain C++, no Qt.
// Everything that cannot be read throws exchange::ConvertError naming the file.
namespace exchange::jet {

namespace detail {
struct FileState;
struct TableState;
}  // namespace detail

struct Column {
    std::string name;      // decoded with the file's code page
    bool readable = true;  // false for a type with no text form (OLE object, binary)
    std::string type;      // the Jet type's name, for a report
};

class Table {
  public:
    ~Table();
    const std::string& name() const;
    const std::vector<Column>& columns() const;
    long declaredRows() const;  // as the table's definition counts them
    // Every row must hold these columns (a shorter row is damaged); by default the first.
    void require(const std::vector<unsigned>& columns);
    // Reads the next row; false after the last one.
    bool next();
    // The current row's value of a column: nothing for NULL. `undecoded` is set when some byte
    // of it did not decode and was replaced by U+FFFD.
    const std::optional<std::string>& value(unsigned column, bool& undecoded) const;

  private:
    friend class File;
    explicit Table(std::unique_ptr<detail::TableState> state);
    std::unique_ptr<detail::TableState> impl_;
};

class File {
  public:
    // Checks that `path` is a whole Jet file and opens it; only reads it.
    explicit File(const std::filesystem::path& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The user table of that name in any letter case; nothing when the file has none. A table
    // that is there but cannot be read is refused.
    std::unique_ptr<Table> table(std::string_view name);

  private:
    std::unique_ptr<detail::FileState> impl_;
};

}  // namespace exchange::jet
