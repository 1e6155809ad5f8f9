// The exported file through libxml2's push parser and SAX callbacks: the statements become a
// small element tree, the general ledger (most of a large file) goes straight into records.

#include "tools/kcview/ExportReader.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <set>

#include "tools/kcview/CodePage932Decoder.h"
#include "tools/kcview/ExportFile.h"
#include "tools/kcview/KcviewMessages.h"

namespace kcview {
namespace {

using kcview_messages::Id;
using kcview_messages::Say;

constexpr std::size_t kChunk = 1 << 20;
// The parser's own limit when it builds a tree; its push mode with SAX keeps none, and the tree
// built here is walked recursively.
constexpr int kMaxDepth = 256;

// A reason that says the file is none of the export's.
std::string NotAnExport(const std::string& reason) {
    return Say(Id::kNotAnExport, {{"reason", reason}});
}

// Our own words for the parser's well-formedness errors: its messages are not shown.
std::string NotWellFormed(int code) {
    Id what = Id::kMarkupBroken;
    if (code == XML_ERR_TAG_NAME_MISMATCH) what = Id::kTagMismatch;
    if (code == XML_ERR_TAG_NOT_FINISHED || code == XML_ERR_LTSLASH_REQUIRED) what = Id::kUnclosed;
    if (code == XML_ERR_DOCUMENT_EMPTY) what = Id::kNoXml;
    if (code == XML_ERR_DOCUMENT_END) what = Id::kAfterRoot;
    if (code == XML_ERR_UNDECLARED_ENTITY) what = Id::kUndefinedEntity;
    if (code == XML_ERR_UNSUPPORTED_ENCODING) what = Id::kUnreadableEncoding;
    if (code == XML_ERR_INVALID_CHAR) what = Id::kBadCharacter;
    return Say(Id::kNotWellFormed, {{"what", Say(what)}});
}

bool IsEncodingError(const xmlError& error) {
    return error.domain == XML_FROM_I18N || error.code == XML_ERR_INVALID_ENCODING ||
           error.code == XML_I18N_CONV_FAILED;
}

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Builds the document from the parser's callbacks. The element stack holds the depth of each
// open element; the statements' open elements are also on `open_`.
class DocumentBuilder {
public:
    DocumentBuilder(ReadResult& result, const LedgerAccountSink& ledger)
        : result_(result), ledgerSink_(ledger) {}

    void Attach(xmlParserCtxtPtr context) { context_ = context; }

    void Start(std::string_view name, int attributeCount, const xmlChar** attributes) {
        ++depth_;
        if (failed_) return;
        if (depth_ > kMaxDepth)
            return Refuse(NotAnExport(Say(Id::kTooDeep, {{"levels", kMaxDepth}})));
        if (depth_ == 1) {
            if (name != "REPORT")
                return Refuse(NotAnExport(Say(Id::kRootNotReport, {{"name", name}})));
            sawReport_ = true;
            reportLine_ = Line();
            return;
        }
        if (inLedger_) return StartLedger(name);
        if (depth_ == 2 && (name == "SYSTEM" || name == "BASIC" || name == "DATA") &&
            !blocks_.insert(std::string(name)).second)
            return Refuse(Say(Id::kWrittenTwice, {{"element", name}}));
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
            if (!sectionNames_.insert(std::string(name)).second)
                return Refuse(Say(Id::kWrittenTwice, {{"element", name}}));
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
        if (++statementElements_ > kMaxStatementElements)
            return Refuse(Say(Id::kTooManyElements, {{"count", kMaxStatementElements}}));
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
        std::string* into = inLedger_ ? field_ : open_.empty() ? nullptr : &open_.back()->text;
        if (!into) return;
        if (into->size() + static_cast<std::size_t>(length) > kMaxText) return TooLong(Id::kAText);
        into->append(text, static_cast<std::size_t>(length));
    }

    // The file's own well-formedness or decoding error: the first one is the one to show.
    void ParserError(const xmlError& error) {
        if (failed_ || error.level < XML_ERR_ERROR) return;
        failed_ = true;
        undecodable_ = IsEncodingError(error);
        result_.reason =
            undecodable_ ? NotAnExport(Say(Id::kUndecodable)) : NotWellFormed(error.code);
        result_.line = undecodable_ ? Line() : error.line;
    }

    // The parser failed a call without telling why.
    void ParserFailed(int code) {
        if (failed_) return;
        failed_ = true;
        result_.reason = NotWellFormed(code);
        result_.line = Line();
    }

    bool Undecodable() const { return undecodable_; }

    // A callback raised `exception` (no memory left, the page's file failing as the ledger is
    // written into it): the parser stops, and the exception is raised again once it has
    // returned, for nothing may unwind through the parser's C.
    void Abandon(std::exception_ptr exception) {
        if (!abandoned_) abandoned_ = exception;
        failed_ = true;
        xmlStopParser(context_);
    }
    void RaiseAbandoned() const {
        if (abandoned_) std::rethrow_exception(abandoned_);
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
        if (!sawReport_) return Refuse(Say(Id::kNoReport));
        if (result_.document.system.name.empty()) return RefuseAt(Id::kNoSystem, reportLine_);
        if (result_.document.basic.name.empty()) return RefuseAt(Id::kNoBasic, reportLine_);
        if (!sawData_) return RefuseAt(Id::kNoData, reportLine_);
        if (!result_.document.Section("BalanceSheet"))
            return RefuseAt(Id::kNoBalanceSheet, reportLine_);
        if (!result_.document.Section("IncomeStatement"))
            return RefuseAt(Id::kNoIncomeStatement, reportLine_);
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

    void RefuseAt(Id reason, int line) {
        failed_ = true;
        result_.reason = NotAnExport(Say(reason));
        result_.line = line;
    }

    // The statements' figures are amounts in yen wherever the export writes one.
    void CheckAmounts(const XmlNode& node) {
        static const std::set<std::string> kAmountElements = {"Item", "BalanceEndPreviousPeriod",
                                                              "TotalChangesItemsDuringPeriod",
                                                              "Amount", "BalanceEndCurrentPeriod"};
        if (failed_) return;
        if (const std::string* amount = node.Attribute("Amount"); amount && !ParseAmount(*amount))
            return NotAnAmount(Say(Id::kAmountOf, {{"element", node.name}}), *amount, node.line);
        if (kAmountElements.count(node.name) && node.children.empty() && !ParseAmount(node.text))
            return NotAnAmount(node.name, node.text, node.line);
        for (const XmlNode& child : node.children) CheckAmounts(child);
    }

    void NotAnAmount(const std::string& where, const std::string& text, int line) {
        failed_ = true;
        result_.reason = Say(Id::kNotAnAmount, {{"where", where}, {"text", text}});
        result_.line = line;
    }

    void AddAttributes(XmlNode& node, int count, const xmlChar** attributes) {
        // Five pointers per attribute: name, prefix, namespace, value start, value end.
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = attributes + 5 * i;
            if (static_cast<std::size_t>(a[4] - a[3]) > kMaxText) return TooLong(Id::kAnAttribute);
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
        field_ = nullptr;
        if (depth_ == 4 && name == "HJ00780S01") {
            account_ = LedgerAccount{};
            account_.line = Line();
            inAccount_ = true;
            return;
        }
        if (!inAccount_) return;
        LedgerAccount& account = account_;
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
        if (depth == 4 && inAccount_) return EndAccount();
        if (!numberTarget_ || depth < 5) return;
        std::optional<std::int64_t> value = ParseAmount(number_);
        if (!value) {
            return Refuse(Say(Id::kNotAnAmount, {{"where", numberElement_}, {"text", number_}}));
        }
        *numberTarget_ = *value;
        numberTarget_ = nullptr;
    }

    // The account is handed on with its lines and kept without them; its lines' storage is
    // reused by the next account, so the largest account is what the ledger takes.
    void EndAccount() {
        inAccount_ = false;
        account_.entryCount = account_.entries.size();
        if (ledgerSink_) ledgerSink_(account_);
        std::vector<LedgerEntry> entries = std::move(account_.entries);
        result_.document.ledger.push_back(std::move(account_));
        entries.clear();
        account_ = LedgerAccount{};
        account_.entries = std::move(entries);
    }

    void TooLong(Id what) {
        Refuse(Say(Id::kTooLong, {{"what", Say(what)}, {"size", kMaxText >> 20}}));
    }

    ReadResult& result_;
    const LedgerAccountSink& ledgerSink_;
    xmlParserCtxtPtr context_ = nullptr;
    std::exception_ptr abandoned_;
    bool undecodable_ = false;
    std::set<std::string> blocks_;
    std::set<std::string> sectionNames_;
    int depth_ = 0;
    bool failed_ = false;
    bool sawReport_ = false;
    int reportLine_ = 0;
    bool sawData_ = false;
    bool inData_ = false;
    bool inLedger_ = false;
    std::size_t statementElements_ = 0;
    LedgerAccount account_;  // the ledger's account being read
    bool inAccount_ = false;
    std::vector<XmlNode*> open_;
    std::vector<int> openDepths_;
    std::string* field_ = nullptr;
    std::string number_;
    std::int64_t* numberTarget_ = nullptr;
    std::string_view numberElement_;
};

// Runs a callback's work on the builder; what it raises is kept for after the parser returns.
template <typename Work>
void Guarded(void* context, const Work& work) {
    DocumentBuilder& builder = *static_cast<DocumentBuilder*>(context);
    try {
        work(builder);
    } catch (...) {
        builder.Abandon(std::current_exception());
    }
}

void OnStart(void* context, const xmlChar* name, const xmlChar*, const xmlChar*, int,
             const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
    Guarded(context, [&](DocumentBuilder& builder) {
        builder.Start(View(name), attributeCount, attributes);
    });
}

void OnEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    Guarded(context, [](DocumentBuilder& builder) { builder.End(); });
}

void OnText(void* context, const xmlChar* text, int length) {
    Guarded(context, [&](DocumentBuilder& builder) {
        builder.Text(reinterpret_cast<const char*>(text), length);
    });
}

void OnError(void* context, xmlErrorPtr error) {
    if (!error) return;
    Guarded(context, [&](DocumentBuilder& builder) { builder.ParserError(*error); });
}

// An export declares no document type: refusing one keeps every entity out.
void OnDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    Guarded(context, [](DocumentBuilder& builder) { builder.Refuse(Say(Id::kDocumentType)); });
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

// Delivers bytes into a buffer: the count, 0 at the end. A read that fails raises
// native::Failure.
using Reader = std::function<std::size_t(char*, std::size_t)>;

// The parser learns of a byte it cannot decode but not where it is: the line is found by
// decoding the file again from its start.
class UndecodableByteFinder {
public:
    // The line of the first byte that is no character of code page 932, or 0.
    int Line(const Reader& read) {
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        std::size_t kept = 0;  // a character cut by the end of the last chunk
        int line = 1;
        for (;;) {
            const std::size_t got = read(buffer.get() + kept, kChunk - kept);
            const std::size_t size = kept + got;
            bool undecodable = false;
            const std::size_t decoded =
                DecodablePrefix(std::string_view(buffer.get(), size), &undecodable);
            line += static_cast<int>(std::count(buffer.get(), buffer.get() + decoded, '\n'));
            if (undecodable || (got == 0 && decoded < size)) return line;
            if (got == 0) return 0;
            std::memmove(buffer.get(), buffer.get() + decoded, size - decoded);
            kept = size - decoded;
        }
    }
};

// Errors the parser raises outside the document's context (the decoder's) reach the builder
// too, and nothing of the parser's own is printed.
class ParserErrorsTo {
public:
    explicit ParserErrorsTo(DocumentBuilder& builder) {
        xmlSetGenericErrorFunc(nullptr, Silent);
        xmlSetStructuredErrorFunc(&builder, OnError);
    }
    ~ParserErrorsTo() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
    ParserErrorsTo(const ParserErrorsTo&) = delete;
    ParserErrorsTo& operator=(const ParserErrorsTo&) = delete;

private:
    static void Silent(void*, const char*, ...) {}
};

// The decoder leaves a character cut by the end of its input for the next bytes; at the end of
// the file there are none, and the parser does not complain of what is left.
bool EndsInsideACharacter(xmlParserCtxtPtr context) {
    const xmlParserInputBufferPtr input = context->input ? context->input->buf : nullptr;
    return input && input->encoder && input->raw && xmlBufUse(input->raw) > 0;
}

// Feeds the bytes `read` delivers to the parser; `rewind` starts them again from the first.
void Parse(ReadResult& result, const Reader& read, const std::function<void()>& rewind,
           const LedgerAccountSink& ledger) {
    DocumentBuilder builder(result, ledger);
    ParserErrorsTo errors(builder);
    if (!RegisterCodePage932Decoder()) {
        result.reason = Say(Id::kDecoderSetUp);
        return;
    }
    xmlSAXHandler handler = Handler();
    Context context(xmlCreatePushParserCtxt(&handler, &builder, nullptr, 0, nullptr));
    if (!context) {
        result.reason = Say(Id::kParserStart);
        return;
    }
    builder.Attach(context.get());
    // No network, no entity substitution, no DTD loading; the parser's default limits stay on.
    if (xmlCtxtUseOptions(context.get(), XML_PARSE_NONET | XML_PARSE_NOCDATA) != 0) {
        result.reason = Say(Id::kParserSetUp);
        return;
    }
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        const std::size_t got = read(buffer.get(), kChunk);
        const int code =
            xmlParseChunk(context.get(), buffer.get(), static_cast<int>(got), got == 0 ? 1 : 0);
        builder.RaiseAbandoned();
        if (code != XML_ERR_OK) builder.ParserFailed(code);
        if (builder.Failed() || got == 0) break;
    }
    if (!builder.Failed() && !context->wellFormed) builder.ParserFailed(context->errNo);
    if (!builder.Failed() && EndsInsideACharacter(context.get())) {
        xmlError cut{};
        cut.domain = XML_FROM_I18N;
        cut.code = XML_I18N_CONV_FAILED;
        cut.level = XML_ERR_FATAL;
        builder.ParserError(cut);
    }
    if (builder.Undecodable()) {
        rewind();
        if (const int line = UndecodableByteFinder().Line(read); line > 0) result.line = line;
    }
    builder.Finish();
    result.ok = !builder.Failed();
    if (!result.ok) result.document = ExportDocument{};
}

}  // namespace

ReadResult ReadExportFile(const std::string& path, const LedgerAccountSink& ledger) {
    ReadResult result;
    ExportFile file(path);
    Parse(
        result, [&file](char* buffer, std::size_t size) { return file.Read(buffer, size); },
        [&file] { file.Rewind(); }, ledger);
    return result;
}

ReadResult ReadExportBytes(std::string_view bytes, const LedgerAccountSink& ledger) {
    ReadResult result;
    std::size_t position = 0;
    Parse(
        result,
        [&](char* buffer, std::size_t size) {
            const std::size_t take = std::min(size, bytes.size() - position);
            std::memcpy(buffer, bytes.data() + position, take);
            position += take;
            return take;
        },
        [&] { position = 0; }, ledger);
    return result;
}

}  // namespace kcview
