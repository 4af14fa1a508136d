#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/report.h"
#include "store/addressee.h"

namespace mailings {

// Pages of mail for a list's clients (labels, envelopes): what each client's mail says.
class ClientPages : public platform::report::Printable {
  public:
    // One piece of mail per row of `recipients` (bookmarks of `rows`), in their order.
    ClientPages(std::unique_ptr<store::RecordSet> rows, std::vector<store::Bookmark> recipients,
                store::mailing::Choices choices);
    ~ClientPages() override;

    long mailCount() const { return static_cast<long>(recipients_.size()); }
    store::mailing::Addressee addressee(long index) const;
    // The codes of the clients whose mail does not hold all of its text even in the smallest
    // type (it is printed ending in "…").
    std::vector<std::string> cutCodes() const;

  protected:
    virtual bool isCut(long index) const = 0;

  private:
    std::string code(long index) const;

    std::unique_ptr<store::RecordSet> rows_;
    std::vector<store::Bookmark> recipients_;
    store::mailing::Choices choices_;
};

}  // namespace mailings
