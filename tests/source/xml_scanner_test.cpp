// The XML scanner from xml.txt: a document in, the tokens it gives (or where and why it
// stops) out. "{C*N}" repeats a character, so tokens can straddle the scanner's chunks.
#include <gtest/gtest.h>

#include <QBuffer>

#include "source/xml_scanner.h"
#include "tests/support/case_table.h"

namespace {

// A text longer than 40 bytes is shown by its length.
std::string shown(std::string_view text) {
    return text.size() > 40 ? std::to_string(text.size()) + " bytes" : std::string(text);
}

// "<{ns}name a={ns}v>" for a start, "</name>" for an end, "'text'" for text.
std::string tokens(const std::string& document) {
    QByteArray bytes = QByteArray::fromStdString(document);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    source::XmlScanner xml(in);
    std::string out;
    try {
        for (auto t = xml.next(); t != source::XmlScanner::Token::End; t = xml.next()) {
            const std::string ns =
                xml.namespaceUri().empty() ? "" : "{" + std::string(xml.namespaceUri()) + "}";
            if (t == source::XmlScanner::Token::StartElement) {
                out += "<" + ns + std::string(xml.name());
                for (const auto& a : xml.attributes())
                    out += " " + (a.namespaceUri.empty() ? "" : "{" + a.namespaceUri + "}") +
                           a.name + "=" + shown(a.value);
                out += ">";
            } else if (t == source::XmlScanner::Token::EndElement) {
                out += "</" + std::string(xml.name()) + ">";
            } else {
                out += "'" + shown(xml.text()) + "'";
            }
        }
    } catch (const source::XmlError& e) {
        out += "! " + std::to_string(e.line) + ":" + std::to_string(e.column) + " " + e.what();
    }
    return out;
}

TEST(XmlScanner, TableRows) {
    const auto rows = testkit::tableLines(SOURCE_TEST_DATA "/xml.txt");
    EXPECT_GT(rows.size(), 25u);
    for (const std::string& row : rows) {
        const auto f = testkit::cells(row, '|');
        EXPECT_EQ(tokens(testkit::unescape(f[0])), f[1]) << f[0];
    }
}

}  // namespace
