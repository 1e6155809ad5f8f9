#include "tools/convert/BooksFolder.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "books/Csv.h"
#include "books/Paths.h"
#include "tools/convert/Refusal.h"

namespace convert {
namespace {

namespace fs = std::filesystem;

// Rows are gathered and written in pieces of about this size.
constexpr std::size_t kPiece = std::size_t{1} << 20;

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

}  // namespace

class BooksFolderWriter::CsvOutput {
public:
    CsvOutput(const fs::path& path, const std::string& header)
        : path_(path), out_(path, std::ios::binary) {
        if (!out_) throw Refusal{books::PathToUtf8(path_) + ": cannot be written"};
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
        out_.close();
        if (!out_) throw Refusal{books::PathToUtf8(path_) + ": cannot be written"};
    }

private:
    void Separate() {
        if (rowStarted_) text_ += ',';
        rowStarted_ = true;
    }

    void Flush() {
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
        if (!out_) throw Refusal{books::PathToUtf8(path_) + ": cannot be written"};
    }

    fs::path path_;
    std::ofstream out_;
    std::string text_;
    bool rowStarted_ = false;
};

BooksFolderWriter::BooksFolderWriter(const std::string& outDir, const std::string& dataId)
    : outDir_(outDir), dataId_(CsvField(dataId)) {
    fs::path out = books::PathFromUtf8(outDir);
    std::error_code error;
    if (fs::exists(out, error) && !(fs::is_directory(out, error) && fs::is_empty(out, error))) {
        throw Refusal{outDir + ": exists and is not an empty folder; name a new folder"};
    }
    fs::path temporary = out;
    temporary += ".converting";
    temporary_ = books::PathToUtf8(temporary);
    fs::remove_all(temporary, error);
    if (!fs::create_directories(temporary, error)) {
        throw Refusal{temporary_ + ": cannot be created: " + error.message()};
    }
    try {
        journal_ = std::make_unique<CsvOutput>(
            temporary / "journal.csv",
            "data_id,entry,voucher,line,date,position,kind,debit_code,"
            "debit_amount,debit_tax,credit_code,credit_amount,credit_tax,"
            "description");
    } catch (const Refusal&) {
        fs::remove_all(temporary, error);
        throw;
    }
}

BooksFolderWriter::~BooksFolderWriter() {
    if (finished_) return;
    journal_.reset();
    std::error_code ignored;
    fs::remove_all(books::PathFromUtf8(temporary_), ignored);
}

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
    const fs::path dir = books::PathFromUtf8(temporary_);
    journal_->Close();
    const FolderCompany& company = books.company;
    CsvOutput companyCsv(
        dir / "company.csv",
        "data_id,data_no,name,period_from,period_to,interim_closing,intro_position,"
        "companies_act,manufacturing,tax_inclusive");
    companyCsv.Row({dataId_, "1", CsvField(company.name), Number(company.from), Number(company.to),
                    company.interimClosing ? "1" : "0", "0", "1", company.manufacturing ? "1" : "0",
                    company.taxInclusive ? "1" : "0"});
    companyCsv.Close();

    CsvOutput users(dir / "users.csv", "user_id,selection_no,data_no");
    users.Row({CsvField(company.user), "1", "1"});
    users.Close();

    CsvOutput accounts(dir / "accounts.csv",
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

    CsvOutput openings(dir / "openings.csv", "data_id,code,debit,credit");
    for (const auto& [code, balance] : books.openings) {
        openings.Row({dataId_, Number(code), Number(balance.first), Number(balance.second)});
    }
    openings.Close();

    fs::path out = books::PathFromUtf8(outDir_);
    std::error_code error;
    fs::remove(out, error);
    fs::rename(dir, out, error);
    if (error) throw Refusal{outDir_ + ": cannot be created: " + error.message()};
    finished_ = true;
}

std::string CsvField(std::string_view text) {
    std::string field;
    books::AppendCsvField(text, &field);
    return field;
}

}  // namespace convert
