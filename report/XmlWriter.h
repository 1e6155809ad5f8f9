#pragma once

// The emitter of the output file: one line per call, built in the caller's line buffer (while
// lines are gathered into a chunk, in as much room at the chunk's end, with the same limits), TAB
// indented, ended by CR LF, texts and attribute values escaped. The document is Shift_JIS and
// the writer copies bytes: none of the five escaped bytes can be the second byte of a
// double-byte character, so escaping never splits one. Whatever a text holds, the document
// stays well-formed: a control character XML 1.0 forbids (all below 0x20 but tab, LF and CR),
// a lead byte without its trail byte and a byte code page 932 does not define are each written
// as a space.
//
// Limits: an attribute value is at most 255 bytes after escaping and a formatted attribute
// (blank, name, "=", quotes, value) at most 255 bytes; an element's text takes what room its
// line buffer leaves (255 bytes of line in the usual 256-byte buffer; the notes pass a larger
// one, so that a note's line reaches the file whole). A longer value or text is cut at a
// character boundary (never inside a double-byte character or an entity reference) so that it
// fits; a line whose tags and attributes alone do not fit its buffer is not written and the
// call fails.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

class XmlWriter {
public:
    static constexpr std::size_t kValueLimit = 255;
    static constexpr std::size_t kAttributeLimit = 255;

    XmlWriter();
    ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // Writes through `file` and closes it at the end. 0, or -1 when there is none (every write
    // then fails).
    int Open(std::unique_ptr<File> file);
    // Writes through a file someone else holds and closes (a replacement's output). 0, or -1
    // when there is none.
    int Open(File* file);
    // Ends the writing: waits for the big writes, and closes a file the writer opened itself; 0.
    // A failure to write, flush or close marks the writer failed.
    int Close();

    // Every write returns 1 when the line reached the file, else 0. After a file error the writer
    // lets the file go (closing a file of its own) and every later write returns 0.
    int WriteRaw(const char* text);
    int WriteStartTag(std::span<char> line, const char* name, int depth,
                      const char* name1 = nullptr, const char* value1 = nullptr,
                      const char* name2 = nullptr, const char* value2 = nullptr);
    int WriteElement(std::span<char> line, const char* name, const char* text, int depth,
                     const char* name1 = nullptr, const char* value1 = nullptr,
                     const char* name2 = nullptr, const char* value2 = nullptr);
    int WriteEndTag(std::span<char> line, const char* name, int depth);

    // Lines written from BeginChunk to EndChunk are gathered and reach the file in big writes
    // (one whenever kChunkSize is passed, and the rest at EndChunk); meanwhile a write returns
    // 1 when its line was gathered. The big writes are made on a thread of their own while the
    // next chunk is gathered; a write that failed fails the next line that fills a chunk, or
    // EndChunk. EndChunk returns 1 when every gathered line reached the file.
    static constexpr std::size_t kChunkSize = 256 * 1024;
    // Room past kChunkSize, so that a chunk's last line is built where it stays.
    static constexpr std::size_t kChunkSlack = 4096;
    void BeginChunk();
    int EndChunk();

    // The escaped text, at most kValueLimit bytes, in the writer's escape buffer (valid until
    // the next call).
    const char* Escape(const char* text) { return Escape(text, kValueLimit); }

    // True once a file error happened, or when no file could be opened.
    bool Failed() const { return failed_; }
    // The text of the first file error, the reason the user reads; empty when none was met.
    const std::string& FailureReason() const { return reason_; }

private:
    class Line;
    class BackgroundWrites;
    const char* Escape(const char* text, std::size_t limit);
    bool AppendAttributes(Line& line, const char* name1, const char* value1, const char* name2,
                          const char* value2);
    int WriteLine(const Line& line);
    int WriteLine(const char* data, std::size_t size);
    // Where a line the size of `buffer` is built: in place at the end of the chunk while
    // lines are gathered and there is room, else in `buffer`.
    std::span<char> LineSpace(std::span<char> buffer);
    int WritePlainElement(std::span<char> buffer, std::string_view element, const char* text,
                          int depth);
    int WriteBytes(const char* data, std::size_t size);
    // Hands the full chunk to the background writes; 0 when a write failed.
    int HandChunk();
    // Waits for the background writes, and ends their thread at the `end` or after a failure;
    // 0 when a write failed (then the file is closed as after any failed write).
    int WaitForBackgroundWrites(bool end);
    // Marks the writer failed, keeping `reason` when it is the first file error's.
    void Fail(const std::string& reason);
    // Lets the file go after a failed write: a file of its own is closed, what it holds is lost.
    void CloseAfterFailure();

    File* file_ = nullptr;         // the file written, while there is one
    std::unique_ptr<File> owned_;  // that file, when the writer opened it
    bool failed_ = false;
    std::string reason_;
    char escaped_[kValueLimit + 1] = {};
    bool chunking_ = false;
    std::string chunk_;  // the chunk's buffer: its first chunkUsed_ bytes are gathered lines
    std::size_t chunkUsed_ = 0;
    std::unique_ptr<BackgroundWrites> background_;
};
