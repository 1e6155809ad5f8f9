#include "report/XmlWriter.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "common/Sjis.h"

namespace {

// The second byte of a double-byte character of code page 932.
bool IsTrailByte(char byte) {
    const unsigned char c = static_cast<unsigned char>(byte);
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Whether a byte that is not part of a double-byte character is a character the document may
// hold: XML 1.0 allows no control character but tab, LF and CR, and a lead byte without its
// trail byte, or a byte code page 932 does not define, is no character at all.
bool IsCharacter(unsigned char c) {
    if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
    return !sjis::IsLeadByte(c) && c != 0x80 && c != 0xA0 && c < 0xFD;
}

}  // namespace

// A line being built in the caller's buffer; it never writes past the buffer and remembers
// when something did not fit.
class XmlWriter::Line {
public:
    explicit Line(std::span<char> buffer) : buffer_(buffer) {
        if (!buffer_.empty()) buffer_[0] = '\0';
    }
    // Room left for content, keeping the NUL.
    std::size_t Room() const { return buffer_.empty() ? 0 : buffer_.size() - 1 - length_; }
    void Append(std::string_view text) {
        if (text.size() > Room()) {
            overflow_ = true;
            return;
        }
        std::memcpy(buffer_.data() + length_, text.data(), text.size());
        length_ += text.size();
        buffer_[length_] = '\0';
    }
    void AppendTabs(int depth) {
        static constexpr std::string_view kTabs = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
        for (; depth > 0; depth -= static_cast<int>(kTabs.size())) {
            Append(kTabs.substr(
                0, std::min<std::size_t>(static_cast<std::size_t>(depth), kTabs.size())));
        }
    }
    bool Overflow() const { return overflow_ || buffer_.empty(); }
    const char* Data() const { return buffer_.data(); }
    std::size_t Length() const { return length_; }

    // Appends `text` escaped, taking at most `limit` bytes and never cutting a character or an
    // entity reference.
    void AppendEscaped(const char* text, std::size_t limit) {
        if (buffer_.empty()) return;
        limit = std::min(limit, Room());
        char* out = buffer_.data() + length_;
        std::size_t written = 0;
        for (const char* at = text; at && *at != '\0';) {
            const unsigned char c = static_cast<unsigned char>(*at);
            std::string_view entity;
            switch (c) {
                case '&':
                    entity = "&amp;";
                    break;
                case '>':
                    entity = "&gt;";
                    break;
                case '<':
                    entity = "&lt;";
                    break;
                case '"':
                    entity = "&quot;";
                    break;
                case '\'':
                    entity = "&apos;";
                    break;
                default:
                    // A character is copied whole, one or two bytes; a byte that is no
                    // character of the document becomes a blank.
                    if (sjis::IsLeadByte(c) && IsTrailByte(at[1])) {
                        if (written + 2 > limit) break;
                        out[written] = at[0];
                        out[written + 1] = at[1];
                        written += 2;
                        at += 2;
                    } else {
                        if (written + 1 > limit) break;
                        out[written++] = IsCharacter(c) ? at[0] : ' ';
                        ++at;
                    }
                    continue;
            }
            // Here either a character did not fit (no entity) or the entity does not.
            if (entity.empty() || written + entity.size() > limit) break;
            std::memcpy(out + written, entity.data(), entity.size());
            written += entity.size();
            ++at;
        }
        length_ += written;
        buffer_[length_] = '\0';
    }

private:
    std::span<char> buffer_;
    std::size_t length_ = 0;
    bool overflow_ = false;
};

// The big writes of a chunked run, made on a thread of their own: the kernel copies one chunk
// into the file while the next one is formatted. One chunk is in hand at a time; the file is
// touched by this thread only while a chunk is in hand.
class XmlWriter::BackgroundWrites {
public:
    explicit BackgroundWrites(File& file) : file_(file), thread_(&BackgroundWrites::Run, this) {}
    ~BackgroundWrites() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quitting_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    BackgroundWrites(const BackgroundWrites&) = delete;
    BackgroundWrites& operator=(const BackgroundWrites&) = delete;

    // Takes the first `size` bytes of `chunk` once the chunk before it reached the file, and
    // leaves the buffer of that chunk in its place. False, and nothing taken, when a write
    // failed.
    bool Hand(std::string& chunk, std::size_t size) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !inHand_; });
        if (failed_) return false;
        writing_.swap(chunk);
        writingSize_ = size;
        inHand_ = true;
        changed_.notify_all();
        return true;
    }
    // Waits for the chunk in hand; false when any write failed.
    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !inHand_; });
        return !failed_;
    }
    // The failed write's reason, once Wait or Hand said one failed.
    const std::string& FailureReason() const { return reason_; }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return inHand_ || quitting_; });
            if (!inHand_) return;
            lock.unlock();
            std::optional<std::string> failure;
            try {
                file_.Write(writing_.data(), writingSize_);
            } catch (const FileError& error) {
                failure = error.what();
            }
            lock.lock();
            if (failure) {
                failed_ = true;
                reason_ = *failure;
            }
            inHand_ = false;
            changed_.notify_all();
        }
    }

    File& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string writing_;  // the chunk in hand: its first writingSize_ bytes
    std::size_t writingSize_ = 0;
    bool inHand_ = false;
    bool failed_ = false;
    std::string reason_;
    bool quitting_ = false;
    std::thread thread_;  // last: starts when the rest is ready
};

XmlWriter::XmlWriter() = default;

XmlWriter::~XmlWriter() {
    Close();
}

int XmlWriter::Open(std::unique_ptr<File> file) {
    Close();
    failed_ = !file;
    reason_.clear();
    owned_ = std::move(file);
    file_ = owned_.get();
    return file_ ? 0 : -1;
}

int XmlWriter::Open(File* file) {
    Close();
    failed_ = !file;
    reason_.clear();
    file_ = file;
    return file ? 0 : -1;
}

int XmlWriter::Close() {
    WaitForBackgroundWrites(true);
    if (owned_) {
        try {
            owned_->Close();
        } catch (const FileError& error) {
            Fail(error.what());
        }
        owned_.reset();
    }
    file_ = nullptr;
    return 0;
}

void XmlWriter::Fail(const std::string& reason) {
    if (!failed_ || reason_.empty()) reason_ = reason;
    failed_ = true;
}

int XmlWriter::WriteBytes(const char* data, std::size_t size) {
    if (!file_) {
        failed_ = true;
        return 0;
    }
    try {
        file_->Write(data, size);
    } catch (const FileError& error) {
        Fail(error.what());
        CloseAfterFailure();
        return 0;
    }
    return 1;
}

void XmlWriter::CloseAfterFailure() {
    failed_ = true;
    file_ = nullptr;
    if (!owned_) return;
    try {
        owned_->Close();
    } catch (const FileError&) {
        // The reason the user reads is the failure that came first.
    }
    owned_.reset();
}

int XmlWriter::HandChunk() {
    if (!background_) {
        try {
            background_ = std::make_unique<BackgroundWrites>(*file_);
        } catch (const std::exception&) {
            // No thread to be had: the chunk is written here.
            int written = WriteBytes(chunk_.data(), chunkUsed_);
            chunkUsed_ = 0;
            return written;
        }
    }
    if (!background_->Hand(chunk_, chunkUsed_)) {
        WaitForBackgroundWrites(true);
        return 0;
    }
    // The buffer that came back is the one written before, or a new one the first time.
    chunkUsed_ = 0;
    if (chunk_.size() < kChunkSize + kChunkSlack) chunk_.resize(kChunkSize + kChunkSlack);
    return 1;
}

int XmlWriter::WaitForBackgroundWrites(bool end) {
    if (!background_) return 1;
    const bool written = background_->Wait();
    if (written && !end) return 1;
    if (!written) Fail(background_->FailureReason());
    background_.reset();
    if (written) return 1;
    CloseAfterFailure();
    return 0;
}

int XmlWriter::WriteLine(const Line& line) {
    if (line.Overflow()) return 0;
    return WriteLine(line.Data(), line.Length());
}

int XmlWriter::WriteLine(const char* data, std::size_t size) {
    if (!chunking_) return WriteBytes(data, size);
    if (!file_) {
        failed_ = true;
        return 0;
    }
    char* free = chunk_.data() + chunkUsed_;
    if (data != free) {
        // Built elsewhere: copied in, the chunk growing for a line longer than its slack.
        if (chunk_.size() - chunkUsed_ < size) chunk_.resize(chunkUsed_ + size);
        std::memcpy(chunk_.data() + chunkUsed_, data, size);
    }
    chunkUsed_ += size;
    if (chunkUsed_ < kChunkSize) return 1;
    return HandChunk();
}

std::span<char> XmlWriter::LineSpace(std::span<char> buffer) {
    if (!chunking_ || chunk_.size() - chunkUsed_ < buffer.size()) return buffer;
    return {chunk_.data() + chunkUsed_, buffer.size()};
}

void XmlWriter::BeginChunk() {
    chunking_ = true;
    chunkUsed_ = 0;
    if (chunk_.size() < kChunkSize + kChunkSlack) chunk_.resize(kChunkSize + kChunkSlack);
}

int XmlWriter::EndChunk() {
    chunking_ = false;
    if (!file_) return 0;
    const int handed = chunkUsed_ == 0 || !background_ ? 1 : HandChunk();
    // The thread stays for the next chunked run; the file is this thread's again.
    if (!WaitForBackgroundWrites(false) || !handed) return 0;
    if (chunkUsed_ == 0) return file_ ? 1 : 0;
    int written = WriteBytes(chunk_.data(), chunkUsed_);
    chunkUsed_ = 0;
    return written;
}

int XmlWriter::WriteRaw(const char* text) {
    return text ? WriteBytes(text, std::strlen(text)) : 0;
}

const char* XmlWriter::Escape(const char* text, std::size_t limit) {
    Line escaped(escaped_);
    escaped.AppendEscaped(text, std::min(limit, kValueLimit));
    return escaped_;
}

bool XmlWriter::AppendAttributes(Line& line, const char* name1, const char* value1,
                                 const char* name2, const char* value2) {
    auto append = [&](const char* name, const char* value) {
        std::size_t overhead = 1 + std::strlen(name) + 1 + 2;  // blank, name, "=", two quotes
        if (overhead > kAttributeLimit) return false;
        std::size_t limit = std::min(kAttributeLimit - overhead, kValueLimit);
        line.Append(" ");
        line.Append(name);
        line.Append("=\"");
        line.Append(Escape(value, limit));
        line.Append("\"");
        return true;
    };
    if (!name1 || !value1) return true;
    if (!append(name1, value1)) return false;
    if (name2 && value2 && !append(name2, value2)) return false;
    return true;
}

int XmlWriter::WriteStartTag(std::span<char> buffer, const char* name, int depth, const char* name1,
                             const char* value1, const char* name2, const char* value2) {
    Line line(LineSpace(buffer));
    line.AppendTabs(depth);
    line.Append("<");
    line.Append(name ? name : "");
    if (!AppendAttributes(line, name1, value1, name2, value2)) return 0;
    line.Append(">\r\n");
    return WriteLine(line);
}

int XmlWriter::WriteElement(std::span<char> buffer, const char* name, const char* text, int depth,
                            const char* name1, const char* value1, const char* name2,
                            const char* value2) {
    std::string_view element = name ? name : "";
    if (!name1 || !value1) return WritePlainElement(buffer, element, text, depth);
    Line line(LineSpace(buffer));
    line.AppendTabs(depth);
    line.Append("<");
    line.Append(element);
    if (!AppendAttributes(line, name1, value1, name2, value2)) return 0;
    line.Append(">");
    // The text takes what room the end tag leaves.
    std::size_t endTag = 2 + element.size() + 3;  // "</", name, ">\r\n"
    std::size_t room = line.Room() > endTag ? line.Room() - endTag : 0;
    line.AppendEscaped(text, room);
    line.Append("</");
    line.Append(element);
    line.Append(">\r\n");
    return WriteLine(line);
}

int XmlWriter::WriteEndTag(std::span<char> buffer, const char* name, int depth) {
    Line line(LineSpace(buffer));
    line.AppendTabs(depth);
    line.Append("</");
    line.Append(name ? name : "");
    line.Append(">\r\n");
    return WriteLine(line);
}

// An element without attributes, built in one pass: the lines of the general ledger are
// millions of these. The same bytes and limits as the general form.
int XmlWriter::WritePlainElement(std::span<char> buffer, std::string_view element, const char* text,
                                 int depth) {
    buffer = LineSpace(buffer);
    const std::size_t tabs = depth > 0 ? static_cast<std::size_t>(depth) : 0;
    const std::size_t fixed = tabs + 1 + element.size() + 1 + 2 + element.size() + 3;
    if (buffer.empty() || fixed > buffer.size() - 1) {
        if (!buffer.empty()) buffer[0] = '\0';
        return 0;
    }
    char* out = buffer.data();
    std::memset(out, '\t', tabs);
    out += tabs;
    *out++ = '<';
    std::memcpy(out, element.data(), element.size());
    out += element.size();
    *out++ = '>';
    const std::size_t head = static_cast<std::size_t>(out - buffer.data());
    Line body(buffer.subspan(head));
    body.AppendEscaped(text, buffer.size() - 1 - fixed);
    out += body.Length();
    *out++ = '<';
    *out++ = '/';
    std::memcpy(out, element.data(), element.size());
    out += element.size();
    std::memcpy(out, ">\r\n", 4);  // with the NUL
    out += 3;
    return WriteLine(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
}
