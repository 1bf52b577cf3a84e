// A streaming XML scanner for track files: start and end tags with their attributes and
// namespaces, character data with its entities and CDATA sections decoded, comments,
// processing instructions and a document type passed over. It checks that the document is
// well formed as it goes (tags closed in order, one root, attributes quoted and not
// repeated, prefixes declared) and holds one buffer of the file plus the open elements, so
// memory does not grow with the file. The text is decoded from the encoding its first bytes
// and declaration give (TextDecoder), and handed on as UTF-8.
#pragma once

#include <QIODevice>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "source/text_decoder.h"

namespace source {

// A document that is not well formed, or could not be read; `line` and `column` (counted
// from 1, in characters) are where the scanner stood, or the byte that could not be decoded.
struct XmlError : std::runtime_error {
    XmlError(const std::string& why, std::int64_t line, std::int64_t column)
        : std::runtime_error(why), line(line), column(column) {}
    std::int64_t line;
    std::int64_t column;
};

class XmlScanner {
  public:
    enum class Token { StartElement, EndElement, Text, End };
    struct Attribute {
        std::string name;  // local name
        std::string namespaceUri;
        std::string value;  // entities decoded
    };

    explicit XmlScanner(QIODevice& in) : in_(in) {}

    // The next token; throws XmlError. A start tag that closes itself gives its start and
    // then its end. Text that is only white space is not given.
    Token next();

    // Of the element of the last start or end token.
    std::string_view name() const { return name_; }
    std::string_view namespaceUri() const { return namespaceUri_; }
    std::span<const Attribute> attributes() const {
        return std::span<const Attribute>(attributes_).first(attributeCount_);
    }
    // Of the last text token: a run of character data between two tags.
    std::string_view text() const { return text_; }
    // Where the scanner stands now.
    std::int64_t line() const;
    std::int64_t column() const;

  private:
    struct Open {
        std::string qualifiedName;
        std::size_t namespaces = 0;  // declarations in scope before it
    };
    struct Namespace {
        std::string prefix;
        std::string uri;
    };

    void dropRead();
    bool fill();
    void readRaw();
    void startDecoding();
    std::int64_t lineAt(std::size_t offset) const;
    std::int64_t columnAt(std::size_t offset) const;
    // Fast paths inline: they run for nearly every byte.
    bool ensure(std::size_t count) { return buffer_.size() - at_ >= count || ensureMore(count); }
    bool ensureMore(std::size_t count);
    char peek(std::size_t ahead = 0) { return ensure(ahead + 1) ? buffer_[at_ + ahead] : '\0'; }
    [[noreturn]] void fail(const std::string& why) const;
    Token markup();
    Token readText();
    Token startTag();
    Token endTag();
    void skipUntil(std::string_view end, const char* what);
    void skipDoctype();
    std::string_view readName();  // valid until the buffer is filled again
    void skipSpace();
    void readAttribute();
    void readValue(std::string& into);
    void appendEntity(std::string& into);
    void appendCdata(std::string& into);
    const std::string& resolve(std::string_view prefix) const;
    void closeElement();

    QIODevice& in_;
    std::string raw_;  // bytes read and not yet decoded: the start of a character
    TextDecoder decoder_;
    bool decoding_ = false;  // the encoding has been chosen
    std::string buffer_;     // the decoded text, UTF-8
    std::size_t at_ = 0;
    bool inputEnded_ = false;
    bool readingName_ = false;  // the front of the buffer holds a name being read
    // Lines and the characters of the last line in what was dropped from the buffer's front.
    std::int64_t linesBefore_ = 0;
    std::int64_t columnBefore_ = 0;
    std::vector<Open> open_;
    std::vector<Namespace> namespaces_;
    bool rootSeen_ = false;
    bool rootClosed_ = false;
    bool pendingEnd_ = false;  // the start tag given last closed itself
    std::string name_;
    std::string namespaceUri_;
    // The attributes of the last start tag are the first attributeCount_; the strings are
    // kept from tag to tag so that their room is reused.
    std::vector<Attribute> attributes_;
    std::size_t attributeCount_ = 0;
    std::vector<std::string> attributePrefixes_;
    std::vector<std::string> qualified_;  // every attribute's name as written, declarations too
    std::string attributeName_;
    std::string text_;
};

}  // namespace source
