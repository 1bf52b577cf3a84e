#include "tests/support/usb_exchange.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

namespace testkit {

namespace {

constexpr int kBulkType = 3;
constexpr int kInterruptType = 1;

std::string hexBytes(const std::string& text, int line) {
    std::string digits;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2 != 0 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw std::runtime_error("line " + std::to_string(line) + ": bad hex bytes");
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

UsbStep parseStep(const std::string& text, int line) {
    std::istringstream words(text);
    std::string direction, kind, endpoint;
    words >> direction >> kind >> endpoint;
    if ((direction != "out" && direction != "in") || (kind != "bulk" && kind != "interrupt") ||
        endpoint.empty())
        throw std::runtime_error("line " + std::to_string(line) + ": not a transfer");
    UsbStep step;
    step.out = direction == "out";
    step.bulk = kind == "bulk";
    step.endpoint = std::stoi(endpoint, nullptr, 16);
    std::string rest;
    std::getline(words, rest);
    std::istringstream first(rest);
    std::string word;
    if (first >> word && word == "status") {
        first >> step.status;
        return step;
    }
    step.bytes = hexBytes(rest, line);
    return step;
}

std::string hexOf(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

}  // namespace

std::vector<UsbStep> readUsbExchange(std::istream& in) {
    std::vector<UsbStep> steps;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        text = text.substr(0, text.find('#'));
        if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
        steps.push_back(parseStep(text, line));
    }
    return steps;
}

std::string umockdevIoctlScript(const std::vector<UsbStep>& steps, UsbReadSizes sizes) {
    std::ostringstream script;
    bool underWrite = false;
    for (const UsbStep& s : steps) {
        const int length =
            s.out ? static_cast<int>(s.bytes.size()) : (s.bulk ? sizes.bulk : sizes.interrupt);
        if (!s.out && underWrite) script << ' ';
        underWrite = underWrite || s.out;
        script << "USBDEVFS_REAPURBNDELAY 0 " << (s.bulk ? kBulkType : kInterruptType) << ' '
               << s.endpoint << ' ' << s.status << " 0 " << length << ' ' << s.bytes.size() << " 0 "
               << hexOf(s.bytes) << '\n';
    }
    return script.str();
}

}  // namespace testkit
