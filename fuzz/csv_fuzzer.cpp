// The CSV reader of the import over any text, read whole and in small chunks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "books/Csv.h"

namespace {

struct Reading {
    std::vector<std::vector<std::string>> records;
    std::vector<long> lines;
    bool failed = false;
    std::string error;
};

Reading ReadAll(std::string_view text, std::size_t chunk) {
    books::CsvReader reader(text, chunk);
    Reading reading;
    std::vector<std::string_view> fields;
    while (reader.Next(&fields)) {
        reading.records.emplace_back(fields.begin(), fields.end());
        reading.lines.push_back(reader.RecordLine());
    }
    reading.failed = reader.Failed();
    reading.error = reader.Error();
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Reading whole = ReadAll(text, size + 1);
    std::size_t bytes = 0;
    long line = 0;
    for (std::size_t i = 0; i < whole.records.size(); ++i) {
        for (const std::string& field : whole.records[i]) bytes += field.size();
        // Records come in the order of their lines.
        if (whole.lines[i] <= line) fuzz::Fail("a record line that does not advance");
        line = whole.lines[i];
    }
    // The reader only takes bytes out (separators, quotes, line ends), never makes any.
    if (bytes > size) fuzz::Fail("fields longer than the text");
    if (whole.failed && whole.error.empty()) fuzz::Fail("a failure without a reason");
    // Where the chunks end changes nothing.
    Reading chunked = ReadAll(text, 1 + size % 7);
    if (chunked.records != whole.records || chunked.lines != whole.lines ||
        chunked.failed != whole.failed || chunked.error != whole.error) {
        fuzz::Fail("chunked reading differs from reading whole");
    }
    return 0;
}
