// The exported file through libxml2's push parser and SAX callbacks: the statements become a
// small element tree, the general ledger (most of a large file) goes straight into records.

#include "tools/view/ExportReader.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace kcview {
namespace {

constexpr std::size_t kChunk = 1 << 20;
// The parser's own limit when it builds a tree; its push mode with SAX keeps none, and the tree
// built here is walked recursively.
constexpr int kMaxDepth = 256;

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Builds the document from the parser's callbacks. The element stack holds the depth of each
// open element; the statements' open elements are also on `open_`.
class DocumentBuilder {
public:
    explicit DocumentBuilder(ReadResult& result) : result_(result) {}

    void Attach(xmlParserCtxtPtr context) { context_ = context; }

    void Start(std::string_view name, int attributeCount, const xmlChar** attributes) {
        ++depth_;
        if (failed_) return;
        if (depth_ > kMaxDepth)
            return Refuse("elements are nested deeper than " + std::to_string(kMaxDepth) +
                          " levels: this is not an exported file");
        if (depth_ == 1) {
            if (name != "REPORT")
                return Refuse("the root element is " + std::string(name) +
                              ", not REPORT: this is not an exported file");
            sawReport_ = true;
            reportLine_ = Line();
            return;
        }
        if (inLedger_) return StartLedger(name);
        if (depth_ == 2) {
            XmlNode* node = nullptr;
            if (name == "SYSTEM") {
                node = &result_.document.system;
            } else if (name == "BASIC") {
                node = &result_.document.basic;
            } else if (name == "DATA") {
                sawData_ = true;
                inData_ = true;
                return;
            } else {
                return;  // an element the export does not write is passed over
            }
            *node = XmlNode{std::string(name), {}, {}, Line(), {}};
            Open(node);
            return;
        }
        if (depth_ == 3 && inData_) {
            if (name == "HJ00780S") {
                inLedger_ = true;
                result_.document.hasLedger = true;
                return;
            }
            auto& sections = result_.document.sections;
            sections.push_back(XmlNode{std::string(name), {}, {}, Line(), {}});
            Open(&sections.back());
            AddAttributes(*open_.back(), attributeCount, attributes);
            return;
        }
        if (open_.empty()) return;
        XmlNode& parent = *open_.back();
        parent.children.push_back(XmlNode{std::string(name), {}, {}, Line(), {}});
        Open(&parent.children.back());
        AddAttributes(*open_.back(), attributeCount, attributes);
    }

    void End() {
        const int depth = depth_--;
        if (failed_) return;
        if (inLedger_) {
            if (depth == 3) {
                inLedger_ = false;
            } else {
                EndLedger(depth);
            }
            return;
        }
        if (depth == 2) inData_ = false;
        if (!open_.empty() && openDepths_.back() == depth) {
            XmlNode& node = *open_.back();
            // Text between child elements is only their indentation.
            if (!node.children.empty()) node.text.clear();
            open_.pop_back();
            openDepths_.pop_back();
        }
    }

    void Text(const char* text, int length) {
        if (failed_) return;
        if (inLedger_) {
            if (field_) field_->append(text, static_cast<std::size_t>(length));
            return;
        }
        if (!open_.empty()) open_.back()->text.append(text, static_cast<std::size_t>(length));
    }

    // The file's own well-formedness error: the first one is the one to show.
    void ParserError(const xmlError& error) {
        if (failed_ || error.level < XML_ERR_ERROR) return;
        std::string message = error.message ? error.message : "unknown error";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        failed_ = true;
        result_.reason = "not well-formed XML: " + message;
        result_.line = error.line;
    }

    void Refuse(const std::string& reason) {
        if (failed_) return;
        failed_ = true;
        result_.reason = reason;
        result_.line = Line();
        xmlStopParser(context_);
    }

    // What a complete parse still lacks to be an export.
    void Finish() {
        if (failed_) return;
        if (!sawReport_) return Refuse("the file holds no REPORT element");
        if (result_.document.system.name.empty())
            return RefuseAt("REPORT has no SYSTEM block", reportLine_);
        if (result_.document.basic.name.empty())
            return RefuseAt("REPORT has no BASIC block", reportLine_);
        if (!sawData_) return RefuseAt("REPORT has no DATA block", reportLine_);
        for (const XmlNode& section : result_.document.sections) CheckAmounts(section);
    }

    bool Failed() const { return failed_; }

private:
    // A node stays open, and receives children and text, until the end tag at its depth.
    // Pointers stay valid: an open node is the last child of its parent, which grows no more.
    void Open(XmlNode* node) {
        open_.push_back(node);
        openDepths_.push_back(depth_);
    }

    int Line() const { return context_ ? xmlSAX2GetLineNumber(context_) : 0; }

    void RefuseAt(const std::string& reason, int line) {
        failed_ = true;
        result_.reason = reason + ": this is not an exported file";
        result_.line = line;
    }

    // The statements' figures are amounts in yen wherever the export writes one.
    void CheckAmounts(const XmlNode& node) {
        static const std::set<std::string> kAmountElements = {"Item", "BalanceEndPreviousPeriod",
                                                              "TotalChangesItemsDuringPeriod",
                                                              "Amount", "BalanceEndCurrentPeriod"};
        if (failed_) return;
        if (const std::string* amount = node.Attribute("Amount"); amount && !ParseAmount(*amount))
            return NotAnAmount("the Amount of " + node.name, *amount, node.line);
        if (kAmountElements.count(node.name) && node.children.empty() && !ParseAmount(node.text))
            return NotAnAmount(node.name, node.text, node.line);
        for (const XmlNode& child : node.children) CheckAmounts(child);
    }

    void NotAnAmount(const std::string& where, const std::string& text, int line) {
        failed_ = true;
        result_.reason = where + " holds \"" + text + "\", which is not an amount in yen";
        result_.line = line;
    }

    static void AddAttributes(XmlNode& node, int count, const xmlChar** attributes) {
        // Five pointers per attribute: name, prefix, namespace, value start, value end.
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = attributes + 5 * i;
            node.attributes.emplace_back(
                std::string(View(a[0])),
                AttributeValue(std::string_view(reinterpret_cast<const char*>(a[3]),
                                                static_cast<std::size_t>(a[4] - a[3]))));
        }
    }

    // Without entity substitution the parser hands an attribute's "&" on as "&#38;" (every
    // other reference it replaces): that is the one left to replace.
    static std::string AttributeValue(std::string_view raw) {
        static constexpr std::string_view kAmpersand = "&#38;";
        std::string value;
        value.reserve(raw.size());
        for (std::size_t at = raw.find(kAmpersand); at != std::string_view::npos;
             at = raw.find(kAmpersand)) {
            value.append(raw.substr(0, at)).push_back('&');
            raw.remove_prefix(at + kAmpersand.size());
        }
        return value.append(raw);
    }

    // --- the general ledger: HJ00780S (depth 3), its accounts HJ00780S01 (4) with their fields
    // (5) and lines HJ00780S02 (5) with theirs (6).
    void StartLedger(std::string_view name) {
        auto& ledger = result_.document.ledger;
        field_ = nullptr;
        if (depth_ == 4 && name == "HJ00780S01") {
            ledger.push_back(LedgerAccount{});
            ledger.back().line = Line();
            return;
        }
        if (ledger.empty()) return;
        LedgerAccount& account = ledger.back();
        if (depth_ == 5 && name == "HJ00780S02") {
            account.entries.emplace_back();
            return;
        }
        number_.clear();
        numberTarget_ = nullptr;
        numberElement_ = name;
        if (depth_ == 5) {
            if (name == "HJ00780S0010") field_ = &account.name;
            if (name == "HJ00780S0020") field_ = &account.category;
            if (name == "HJ00780S0030") NumberInto(&account.opening);
            if (name == "HJ00780S0040") NumberInto(&account.closing);
        } else if (depth_ == 6 && !account.entries.empty()) {
            LedgerEntry& entry = account.entries.back();
            if (name == "HJ00780S0050") field_ = &entry.voucher;
            if (name == "HJ00780S0060") field_ = &entry.date;
            if (name == "HJ00780S0070") field_ = &entry.ownSubAccount;
            if (name == "HJ00780S0080") field_ = &entry.counterAccount;
            if (name == "HJ00780S0090") field_ = &entry.counterSubAccount;
            if (name == "HJ00780S0100") field_ = &entry.description;
            if (name == "HJ00780S0110") NumberInto(&entry.change);
            if (name == "HJ00780S0120") NumberInto(&entry.balance);
        }
    }

    void NumberInto(std::int64_t* target) {
        numberTarget_ = target;
        field_ = &number_;
    }

    void EndLedger(int depth) {
        field_ = nullptr;
        if (!numberTarget_ || depth < 5) return;
        std::optional<std::int64_t> value = ParseAmount(number_);
        if (!value) {
            return Refuse(std::string(numberElement_) + " holds \"" + number_ +
                          "\", which is not an amount in yen");
        }
        *numberTarget_ = *value;
        numberTarget_ = nullptr;
    }

    ReadResult& result_;
    xmlParserCtxtPtr context_ = nullptr;
    int depth_ = 0;
    bool failed_ = false;
    bool sawReport_ = false;
    int reportLine_ = 0;
    bool sawData_ = false;
    bool inData_ = false;
    bool inLedger_ = false;
    std::vector<XmlNode*> open_;
    std::vector<int> openDepths_;
    std::string* field_ = nullptr;
    std::string number_;
    std::int64_t* numberTarget_ = nullptr;
    std::string_view numberElement_;
};

DocumentBuilder& BuilderOf(void* context) {
    return *static_cast<DocumentBuilder*>(context);
}

void OnStart(void* context, const xmlChar* name, const xmlChar*, const xmlChar*, int,
             const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
    BuilderOf(context).Start(View(name), attributeCount, attributes);
}

void OnEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    BuilderOf(context).End();
}

void OnText(void* context, const xmlChar* text, int length) {
    BuilderOf(context).Text(reinterpret_cast<const char*>(text), length);
}

void OnError(void* context, xmlErrorPtr error) {
    if (error) BuilderOf(context).ParserError(*error);
}

// An export declares no document type: refusing one keeps every entity out.
void OnDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    BuilderOf(context).Refuse(
        "the file declares a document type, which an exported file never does");
}

xmlSAXHandler Handler() {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof(handler));
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = OnStart;
    handler.endElementNs = OnEnd;
    handler.characters = OnText;
    handler.cdataBlock = OnText;
    handler.serror = OnError;
    handler.internalSubset = OnDocumentType;
    return handler;
}

struct ContextDeleter {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};
using Context = std::unique_ptr<xmlParserCtxt, ContextDeleter>;

// Feeds the bytes `read` delivers (0 at the end, -1 on a read error) to the parser.
template <typename Reader>
void Parse(ReadResult& result, Reader read) {
    DocumentBuilder builder(result);
    xmlSAXHandler handler = Handler();
    Context context(xmlCreatePushParserCtxt(&handler, &builder, nullptr, 0, nullptr));
    if (!context) {
        result.reason = "the XML parser could not be started";
        return;
    }
    builder.Attach(context.get());
    // No network, no entity substitution, no DTD loading; the parser's default limits stay on.
    xmlCtxtUseOptions(context.get(), XML_PARSE_NONET | XML_PARSE_NOCDATA);
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        long got = read(buffer.get(), kChunk);
        if (got < 0) {
            result.reason = std::string("cannot read the file: ") + std::strerror(errno);
            return;
        }
        xmlParseChunk(context.get(), buffer.get(), static_cast<int>(got), got == 0 ? 1 : 0);
        if (builder.Failed() || got == 0) break;
    }
    builder.Finish();
    result.ok = !builder.Failed();
    if (!result.ok) result.document = ExportDocument{};
}

}  // namespace

ReadResult ReadExportFile(const std::string& path) {
    ReadResult result;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        result.reason = std::string("cannot open the file: ") + std::strerror(errno);
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.reason = "is not a regular file";
        return result;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        result.reason = std::string("cannot open the file: ") + std::strerror(errno);
        return result;
    }
    Parse(result, [file](char* buffer, std::size_t size) -> long {
        std::size_t got = std::fread(buffer, 1, size, file);
        if (got == 0 && std::ferror(file)) return -1;
        return static_cast<long>(got);
    });
    std::fclose(file);
    return result;
}

ReadResult ReadExportBytes(std::string_view bytes) {
    ReadResult result;
    std::size_t position = 0;
    Parse(result, [&](char* buffer, std::size_t size) -> long {
        std::size_t take = std::min(size, bytes.size() - position);
        std::memcpy(buffer, bytes.data() + position, take);
        position += take;
        return static_cast<long>(take);
    });
    return result;
}

}  // namespace kcview
