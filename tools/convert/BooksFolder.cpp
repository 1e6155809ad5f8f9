#include "tools/convert/BooksFolder.h"

#include <charconv>
#include <optional>

#include "books/Csv.h"
#include "native/Failure.h"
#include "native/TempFile.h"

namespace convert {
namespace {

// Rows are gathered and written in pieces of about this size.
constexpr std::size_t kPiece = std::size_t{1} << 20;

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

}  // namespace

// One file of the folder: a temporary beside its name in the folder, renamed to it when closed.
class BooksFolderWriter::CsvOutput {
public:
    CsvOutput(const std::string& folder, const std::string& shownFolder, const char* name,
              const std::string& header)
        : shown_(shownFolder + "/" + name) {
        Told([&] { file_.emplace(folder + "/" + name, 0); });
        text_ = header + "\n";
    }

    void Row(const std::vector<std::string>& fields) {
        for (const std::string& field : fields) Field(field);
        EndRow();
    }

    // A row field by field, for the journal's million rows: no field becomes a string of its own.
    void Field(std::string_view text) {
        Separate();
        text_ += text;
    }
    void TextField(std::string_view text) {
        Separate();
        books::AppendCsvField(text, &text_);
    }
    void NumberField(std::int64_t value) {
        Separate();
        char digits[24];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    // A code of 0 (no account) and position 0 are empty fields.
    void NonZeroField(std::int64_t value) {
        if (value == 0) {
            Field({});
        } else {
            NumberField(value);
        }
    }
    void EndRow() {
        text_ += '\n';
        rowStarted_ = false;
        if (text_.size() >= kPiece) Flush();
    }

    void Close() {
        Flush();
        Told([&] { file_->Keep(); });
    }

private:
    void Separate() {
        if (rowStarted_) text_ += ',';
        rowStarted_ = true;
    }

    void Flush() {
        Told([&] { file_->Write(text_); });
        text_.clear();
    }

    // The floor names the file in the temporary folder; the user knows it in the target.
    template <typename Action>
    void Told(Action action) {
        try {
            action();
        } catch (const native::Failure& failure) {
            throw failure.Naming(shown_);
        }
    }

    std::string shown_;
    std::optional<native::TempFile> file_;
    std::string text_;
    bool rowStarted_ = false;
};

BooksFolderWriter::BooksFolderWriter(const std::string& folder, const std::string& shownFolder,
                                     const std::string& dataId)
    : folder_(folder), shownFolder_(shownFolder), dataId_(CsvField(dataId)) {
    journal_ = std::make_unique<CsvOutput>(folder_, shownFolder_, "journal.csv",
                                           "data_id,entry,voucher,line,date,position,kind,"
                                           "debit_code,debit_amount,debit_tax,credit_code,"
                                           "credit_amount,credit_tax,description");
}

BooksFolderWriter::~BooksFolderWriter() = default;

bool BooksFolderWriter::Entry(const std::string& voucher, std::int32_t date,
                              const std::vector<BookLine>& lines) {
    ++entries_;
    bool numbered = !voucher.empty() && voucher.size() <= 9 &&
                    voucher.find_first_not_of("0123456789") == std::string::npos;
    CsvOutput& out = *journal_;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const BookLine& line = lines[l];
        out.Field(dataId_);
        out.NumberField(entries_);
        out.Field(numbered ? std::string_view(voucher) : std::string_view());
        out.NumberField(static_cast<std::int64_t>(l) + 1);
        out.NumberField(date);
        out.NonZeroField(line.position);
        out.Field({});  // kind
        out.NonZeroField(line.debitCode);
        out.NumberField(line.debitAmount);
        out.NumberField(line.debitTax);
        out.NonZeroField(line.creditCode);
        out.NumberField(line.creditAmount);
        out.NumberField(line.creditTax);
        out.TextField(line.description);
        out.EndRow();
    }
    return numbered;
}

void BooksFolderWriter::Finish(const FolderBooks& books) {
    journal_->Close();
    const FolderCompany& company = books.company;
    CsvOutput companyCsv(folder_, shownFolder_, "company.csv",
                         "data_id,data_no,name,period_from,period_to,interim_closing,"
                         "intro_position,companies_act,manufacturing,tax_inclusive");
    companyCsv.Row({dataId_, "1", CsvField(company.name), Number(company.from), Number(company.to),
                    company.interimClosing ? "1" : "0", "0", "1", company.manufacturing ? "1" : "0",
                    company.taxInclusive ? "1" : "0"});
    companyCsv.Close();

    CsvOutput users(folder_, shownFolder_, "users.csv", "user_id,selection_no,data_no");
    users.Row({CsvField(company.user), "1", "1"});
    users.Close();

    CsvOutput accounts(folder_, shownFolder_, "accounts.csv",
                       "data_id,code,name,label,nature,side,flag,no_ledger,sum_of");
    for (const FolderAccount& listed : books.accounts) {
        const ChartAccount& a = *listed.account;
        accounts.Row({dataId_, Number(a.code), CsvField(a.name), CsvField(a.label),
                      CsvField(a.nature), a.side, Number(a.flag), CsvField(a.noLedger),
                      CsvField(a.sumOf)});
        for (std::size_t i = 0; i < listed.subAccounts.size(); ++i) {
            accounts.Row({dataId_, Number(a.code + static_cast<std::int64_t>(i) + 1),
                          CsvField(listed.subAccounts[i]), "", "", "", "", "", ""});
        }
    }
    accounts.Close();

    CsvOutput openings(folder_, shownFolder_, "openings.csv", "data_id,code,debit,credit");
    for (const auto& [code, balance] : books.openings) {
        openings.Row({dataId_, Number(code), Number(balance.first), Number(balance.second)});
    }
    openings.Close();
}

std::string CsvField(std::string_view text) {
    std::string field;
    books::AppendCsvField(text, &field);
    return field;
}

}  // namespace convert
