#include "mailings/clientpages.h"

#include <array>

#include "store/fields.h"

namespace mailings {

ClientPages::ClientPages(std::unique_ptr<store::RecordSet> rows,
                         std::vector<store::Bookmark> recipients, store::mailing::Choices choices)
    : rows_(std::move(rows)), recipients_(std::move(recipients)), choices_(choices) {}

ClientPages::~ClientPages() = default;

store::mailing::Addressee ClientPages::addressee(long index) const {
    std::array<std::string_view, store::kFieldCount> values;
    rows_->valuesOf(recipients_[static_cast<std::size_t>(index)], values);
    return store::mailing::addressee(values, choices_);
}

std::string ClientPages::code(long index) const {
    std::array<std::string_view, store::kFieldCount> values;
    rows_->valuesOf(recipients_[static_cast<std::size_t>(index)], values);
    return std::string(values[store::NO]);
}

std::vector<std::string> ClientPages::cutCodes() const {
    std::vector<std::string> codes;
    for (long i = 0; i < mailCount(); ++i)
        if (isCut(i)) codes.push_back(code(i));
    return codes;
}

}  // namespace mailings
