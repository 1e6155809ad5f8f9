// The CSV reader of the import over any text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "books/Csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    books::CsvReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> fields;
    std::size_t bytes = 0;
    long line = 0;
    while (reader.Next(&fields)) {
        for (const std::string& field : fields) bytes += field.size();
        // Records come in the order of their lines.
        if (reader.RecordLine() <= line) fuzz::Fail("a record line that does not advance");
        line = reader.RecordLine();
    }
    // The reader only takes bytes out (separators, quotes, line ends), never makes any.
    if (bytes > size) fuzz::Fail("fields longer than the text");
    if (reader.Failed() && reader.Error().empty()) fuzz::Fail("a failure without a reason");
    return 0;
}
