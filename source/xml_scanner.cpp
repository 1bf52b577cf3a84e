#include "source/xml_scanner.h"

#include <algorithm>

namespace source {

namespace {

constexpr std::size_t kChunk = 1 << 16;
// No single tag or run of text is longer in any track file; a longer one is refused
// rather than held.
constexpr std::size_t kMaxToken = std::size_t{16} << 20;
constexpr std::size_t kMaxDepth = 4096;
constexpr std::size_t kMaxAttributes = 1024;
const std::string kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool isNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(unsigned char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A UTF-8 byte that starts a character (not a continuation byte).
bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::string_view prefixOf(std::string_view qualified) {
    const auto colon = qualified.find(':');
    return colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon);
}

std::string_view localOf(std::string_view qualified) {
    const auto colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

}  // namespace

std::int64_t XmlScanner::line() const {
    return lineAt(at_);
}

std::int64_t XmlScanner::column() const {
    return columnAt(at_);
}

std::int64_t XmlScanner::lineAt(std::size_t offset) const {
    const auto end = buffer_.begin() + static_cast<std::ptrdiff_t>(offset);
    return linesBefore_ + std::count(buffer_.begin(), end, '\n') + 1;
}

std::int64_t XmlScanner::columnAt(std::size_t offset) const {
    const auto end = buffer_.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto lastLine = std::find(std::make_reverse_iterator(end), buffer_.rend(), '\n').base();
    const std::int64_t here = std::count_if(lastLine, end, startsCharacter);
    return lastLine == buffer_.begin() ? columnBefore_ + here : here;
}

void XmlScanner::fail(const std::string& why) const {
    throw XmlError(why, line(), column());
}

// What was read is dropped once it is a chunk long (not while a name is read, whose start
// is held); its lines are counted first.
void XmlScanner::dropRead() {
    if (at_ < kChunk || readingName_) return;
    const auto end = buffer_.begin() + static_cast<std::ptrdiff_t>(at_);
    const std::int64_t lines = std::count(buffer_.begin(), end, '\n');
    const auto lastLine = std::find(std::make_reverse_iterator(end), buffer_.rend(), '\n').base();
    const std::int64_t tail = std::count_if(lastLine, end, startsCharacter);
    columnBefore_ = lines > 0 ? tail : columnBefore_ + tail;
    linesBefore_ += lines;
    buffer_.erase(0, at_);
    at_ = 0;
}

// Appends at least one more character to the buffer, false at the end of the input. A byte
// that cannot be decoded is reported once everything before it has been scanned, as
// standing where the decoded text stops.
bool XmlScanner::fill() {
    dropRead();
    if (buffer_.size() - std::min(at_, buffer_.size()) > kMaxToken)
        fail("a name longer than 16 MB");
    const std::size_t old = buffer_.size();
    while (buffer_.size() == old) {
        if (!decoder_.fault().why.empty())  // the column of the byte itself
            throw XmlError(decoder_.fault().why, lineAt(old), columnAt(old) + 1);
        if (inputEnded_) return false;
        readRaw();
        if (!decoding_) startDecoding();
        raw_.erase(0, decoder_.decode(raw_, buffer_));
        if (inputEnded_ && decoder_.fault().why.empty()) decoder_.finish(raw_.size());
    }
    return true;
}

// The first read holds the document's first chunk whole, so that the encoding is chosen
// from its declaration however the input trickles in.
void XmlScanner::readRaw() {
    do {
        const std::size_t old = raw_.size();
        const std::size_t want = decoding_ ? kChunk : kChunk - old;
        raw_.resize(old + want);
        const qint64 got = in_.read(raw_.data() + old, static_cast<qint64>(want));
        raw_.resize(old + static_cast<std::size_t>(std::max<qint64>(got, 0)));
        if (got < 0) throw XmlError(in_.errorString().toStdString(), -1, -1);
        if (got == 0) inputEnded_ = true;
    } while (!decoding_ && !inputEnded_ && raw_.size() < kChunk);
}

void XmlScanner::startDecoding() {
    decoding_ = true;
    if (!decoder_.start(raw_)) throw XmlError(decoder_.fault().why, 1, decoder_.fault().column);
}

bool XmlScanner::ensureMore(std::size_t count) {
    while (buffer_.size() - at_ < count)
        if (!fill()) return false;
    return true;
}

XmlScanner::Token XmlScanner::next() {
    if (pendingEnd_) {
        pendingEnd_ = false;
        closeElement();
        return Token::EndElement;
    }
    dropRead();
    for (;;) {
        if (!ensure(1)) {
            if (!open_.empty()) fail("the file ends inside <" + open_.back().qualifiedName + ">");
            return Token::End;
        }
        const bool cdata = peek() == '<' && peek(1) == '!' && peek(2) == '[';
        const Token token = peek() == '<' && !cdata ? markup() : readText();
        if (token != Token::End) return token;
    }
}

// Token::End stands for markup that gives no token (a comment, a processing instruction,
// the document type) and for text that is only white space.
XmlScanner::Token XmlScanner::markup() {
    const char c = peek(1);
    if (c == '/') return endTag();
    if (c == '?') {
        skipUntil("?>", "processing instruction");
        return Token::End;
    }
    if (c == '!' && peek(2) == '-' && peek(3) == '-') {
        skipUntil("-->", "comment");
        return Token::End;
    }
    if (c == '!') {
        skipDoctype();
        return Token::End;
    }
    return startTag();
}

XmlScanner::Token XmlScanner::readText() {
    text_.clear();
    for (;;) {
        if (!ensure(1)) break;
        if (text_.size() > kMaxToken) fail("a text longer than 16 MB");
        const char c = buffer_[at_];
        if (c == '<') {
            if (peek(1) != '!' || peek(2) != '[') break;
            appendCdata(text_);
        } else if (c == '&') {
            appendEntity(text_);
        } else {
            // The run up to the next markup or reference in what the buffer holds.
            const auto end = std::find_if(buffer_.begin() + at_, buffer_.end(),
                                          [](char x) { return x == '<' || x == '&'; });
            const std::size_t n = static_cast<std::size_t>(end - buffer_.begin()) - at_;
            text_.append(buffer_, at_, n);
            at_ += n;
        }
    }
    const bool blank = std::all_of(text_.begin(), text_.end(), isSpace);
    if (open_.empty() && !blank) fail("text outside the root element");
    return blank ? Token::End : Token::Text;
}

void XmlScanner::skipUntil(std::string_view end, const char* what) {
    for (;;) {
        if (!ensure(end.size())) fail(std::string("the file ends inside a ") + what);
        const auto found = buffer_.find(end, at_);
        if (found != std::string::npos) {
            at_ = found + end.size();
            return;
        }
        // Keep the last few bytes: the end may straddle the next chunk.
        at_ = buffer_.size() - (end.size() - 1);
        if (!fill()) fail(std::string("the file ends inside a ") + what);
    }
}

// <!DOCTYPE ...> with an internal subset in brackets, before the root only.
void XmlScanner::skipDoctype() {
    if (rootSeen_ || peek(2) != 'D') fail("markup that is not allowed here");
    char quote = 0;
    int depth = 0;
    for (at_ += 2;; ++at_) {
        if (!ensure(1)) fail("the file ends inside the document type");
        const char c = buffer_[at_];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            ++at_;
            return;
        }
    }
}

void XmlScanner::skipSpace() {
    while (ensure(1) && isSpace(buffer_[at_])) ++at_;
}

std::string_view XmlScanner::readName() {
    if (!ensure(1) || !isNameStart(static_cast<unsigned char>(buffer_[at_])))
        fail("a name was expected");
    const std::size_t start = at_;
    readingName_ = true;
    while (ensure(1) && isNameChar(static_cast<unsigned char>(buffer_[at_]))) ++at_;
    readingName_ = false;
    // Views into the buffer last until it is next filled: callers copy at once.
    return std::string_view(buffer_).substr(start, at_ - start);
}

XmlScanner::Token XmlScanner::startTag() {
    ++at_;
    Open element;
    element.qualifiedName = readName();
    element.namespaces = namespaces_.size();
    if (rootClosed_) fail("a second root element <" + element.qualifiedName + ">");
    if (open_.size() >= kMaxDepth) fail("elements nested more than 4096 deep");
    attributeCount_ = 0;
    qualified_.clear();
    for (;;) {
        const std::size_t before = at_;
        skipSpace();
        const char c = peek();
        if (c == '>' || c == '/') break;
        if (c == '\0') fail("the file ends inside the tag <" + element.qualifiedName + ">");
        if (at_ == before) fail("attributes must be separated by white space");
        if (qualified_.size() >= kMaxAttributes) fail("more than 1024 attributes on one element");
        readAttribute();
    }
    if (peek() == '/') {
        if (peek(1) != '>') fail("\"/\" must be followed by \">\"");
        pendingEnd_ = true;
        ++at_;
    }
    ++at_;
    for (std::size_t i = 0; i < qualified_.size(); ++i)
        if (std::find(qualified_.begin() + static_cast<std::ptrdiff_t>(i) + 1, qualified_.end(),
                      qualified_[i]) != qualified_.end())
            fail("the attribute " + qualified_[i] + " is given twice");
    for (std::size_t i = 0; i < attributeCount_; ++i) {
        if (attributePrefixes_[i].empty())
            attributes_[i].namespaceUri.clear();
        else
            attributes_[i].namespaceUri = resolve(attributePrefixes_[i]);
    }
    namespaceUri_ = resolve(prefixOf(element.qualifiedName));
    name_ = localOf(element.qualifiedName);
    rootSeen_ = true;
    open_.push_back(std::move(element));
    return Token::StartElement;
}

// Namespace declarations go into scope; other attributes are kept with their prefixes.
void XmlScanner::readAttribute() {
    const std::string& name = qualified_.emplace_back(readName());
    skipSpace();
    if (peek() != '=') fail("the attribute " + name + " has no value");
    ++at_;
    skipSpace();
    if (name == "xmlns" || name.starts_with("xmlns:")) {
        std::string value;
        readValue(value);
        const std::string prefix = name == "xmlns" ? std::string() : name.substr(6);
        if (!prefix.empty() && value.empty()) fail("the prefix " + prefix + " is bound to nothing");
        namespaces_.push_back({prefix, std::move(value)});
        return;
    }
    if (attributeCount_ == attributes_.size()) {
        attributes_.emplace_back();
        attributePrefixes_.emplace_back();
    }
    Attribute& a = attributes_[attributeCount_];
    a.name = localOf(name);
    attributePrefixes_[attributeCount_] = prefixOf(name);
    a.value.clear();
    readValue(a.value);
    ++attributeCount_;
}

void XmlScanner::readValue(std::string& into) {
    const char quote = peek();
    if (quote != '"' && quote != '\'') fail("an attribute value without quotes");
    ++at_;
    for (;;) {
        if (!ensure(1)) fail("the file ends inside an attribute value");
        if (into.size() > kMaxToken) fail("an attribute value longer than 16 MB");
        const char c = buffer_[at_];
        if (c == quote) break;
        if (c == '<') fail("a \"<\" in an attribute value");
        if (c == '&') {
            appendEntity(into);
            continue;
        }
        if (isSpace(c)) {
            into += ' ';
            ++at_;
            continue;
        }
        // The run of plain characters the buffer holds.
        const auto end = std::find_if(
            buffer_.begin() + static_cast<std::ptrdiff_t>(at_), buffer_.end(),
            [quote](char x) { return x == quote || x == '<' || x == '&' || isSpace(x); });
        const std::size_t n = static_cast<std::size_t>(end - buffer_.begin()) - at_;
        into.append(buffer_, at_, n);
        at_ += n;
    }
    ++at_;
}

void XmlScanner::appendEntity(std::string& into) {
    std::string name;
    for (++at_;; ++at_) {
        if (!ensure(1) || name.size() > 10) fail("a reference without its \";\"");
        if (buffer_[at_] == ';') break;
        name += buffer_[at_];
    }
    ++at_;
    static const std::pair<const char*, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, c] : kNamed)
        if (name == entity) {
            into += c;
            return;
        }
    std::uint32_t code = 0;
    const bool hex = name.starts_with("#x");
    const std::size_t first = hex ? 2 : 1;
    bool ok = name.starts_with('#') && name.size() > first;
    for (std::size_t i = first; ok && i < name.size(); ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        ok = digit >= 0;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(std::max(digit, 0));
    }
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        fail("the reference &" + name + "; is not one XML knows");
    appendUtf8(into, code);
}

void XmlScanner::appendCdata(std::string& into) {
    if (!ensure(9) || buffer_.compare(at_, 9, "<![CDATA[") != 0)
        fail("markup that is not allowed here");
    at_ += 9;
    for (;;) {
        if (!ensure(3)) fail("the file ends inside a CDATA section");
        if (into.size() > kMaxToken) fail("a text longer than 16 MB");
        const auto found = buffer_.find("]]>", at_);
        const std::size_t end = found == std::string::npos ? buffer_.size() - 2 : found;
        into.append(buffer_, at_, end - at_);
        at_ = end;
        if (found != std::string::npos) break;
        if (!fill()) fail("the file ends inside a CDATA section");
    }
    at_ += 3;
}

const std::string& XmlScanner::resolve(std::string_view prefix) const {
    static const std::string none;
    if (prefix == "xml") return kXmlNamespace;
    for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it)
        if (it->prefix == prefix) return it->uri;
    if (!prefix.empty()) fail("the prefix " + std::string(prefix) + " is not declared");
    return none;
}

XmlScanner::Token XmlScanner::endTag() {
    at_ += 2;
    const std::string name(readName());
    skipSpace();
    if (peek() != '>') fail("the end tag </" + name + "> is not closed by \">\"");
    ++at_;
    if (open_.empty()) fail("the end tag </" + name + "> closes nothing");
    if (open_.back().qualifiedName != name)
        fail("<" + open_.back().qualifiedName + "> is closed by </" + name + ">");
    closeElement();
    return Token::EndElement;
}

void XmlScanner::closeElement() {
    const Open& element = open_.back();
    namespaceUri_ = resolve(prefixOf(element.qualifiedName));
    name_ = localOf(element.qualifiedName);
    namespaces_.resize(element.namespaces);
    open_.pop_back();
    if (open_.empty()) rootClosed_ = true;
}

}  // namespace source
