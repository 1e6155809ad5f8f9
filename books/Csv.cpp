#include "books/Csv.h"

namespace books {

CsvReader::CsvReader(std::string_view content) : text_(content) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

bool CsvReader::Next(std::vector<std::string>* fields) {
    fields->clear();
    if (failed_) return false;
    // Skip blank lines.
    while (pos_ < text_.size() && (text_[pos_] == '\n' || text_[pos_] == '\r')) {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }
    if (pos_ >= text_.size()) return false;
    recordLine_ = line_;

    std::string field;
    while (true) {
        field.clear();
        if (pos_ < text_.size() && text_[pos_] == '"') {
            ++pos_;
            while (true) {
                if (pos_ >= text_.size()) {
                    failed_ = true;
                    error_ = "unbalanced quotes";
                    return false;
                }
                char c = text_[pos_++];
                if (c == '"') {
                    if (pos_ < text_.size() && text_[pos_] == '"') {
                        field.push_back('"');
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (c == '\n') ++line_;
                field.push_back(c);
            }
            if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\n' &&
                !(text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') &&
                text_[pos_] != '\r') {
                failed_ = true;
                error_ = "unexpected text after a closing quote";
                return false;
            }
        } else {
            std::size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\n' &&
                   text_[pos_] != '\r') {
                if (text_[pos_] == '"') {
                    failed_ = true;
                    error_ = "a quote inside an unquoted field";
                    return false;
                }
                ++pos_;
            }
            field.assign(text_.substr(start, pos_ - start));
        }
        fields->push_back(field);
        if (pos_ >= text_.size()) return true;
        char c = text_[pos_];
        if (c == ',') {
            ++pos_;
            continue;
        }
        // End of the record: CR LF, LF or a lone CR.
        if (c == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        ++line_;
        return true;
    }
}

}  // namespace books
