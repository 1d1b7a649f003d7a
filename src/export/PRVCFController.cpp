#include "export/PRVCFController.h"

#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"
#include "platform/NewFile.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

size_t PRVCFController::encodedLength(size_t len, bool padded) {
    const size_t whole = len / 3 * 4;
    const size_t rest = len % 3;
    if (rest == 0) return whole;
    return whole + (padded ? 4 : rest + 1);
}

size_t PRVCFController::baseEncode(const uint8_t* source, size_t srcLen, char* dest, size_t destLen,
                                   const char* charset, bool padded) {
    if (!source || !dest || !charset || srcLen == 0 || destLen == 0) return 0;
    if (encodedLength(srcLen, padded) > destLen) {
        qCWarning(lcExport, "our calc for encoded length was wrong");
        return 0;
    }
    size_t out = 0;
    size_t i = 0;
    for (; i + 3 <= srcLen; i += 3) {
        const uint32_t group = (uint32_t{source[i]} << 16) | (uint32_t{source[i + 1]} << 8) | source[i + 2];
        dest[out++] = charset[(group >> 18) & 0x3F];
        dest[out++] = charset[(group >> 12) & 0x3F];
        dest[out++] = charset[(group >> 6) & 0x3F];
        dest[out++] = charset[group & 0x3F];
    }
    const size_t rest = srcLen - i;
    if (rest > 0) {
        const uint32_t group = (uint32_t{source[i]} << 16) | (rest == 2 ? uint32_t{source[i + 1]} << 8 : 0);
        dest[out++] = charset[(group >> 18) & 0x3F];
        dest[out++] = charset[(group >> 12) & 0x3F];
        if (rest == 2) dest[out++] = charset[(group >> 6) & 0x3F];
        if (padded) {
            if (rest == 1) dest[out++] = '=';
            dest[out++] = '=';
        }
    }
    return out;
}

std::string PRVCFController::escapeValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char ch = value[i];
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default: out += ch;
        }
    }
    return out;
}

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "TYPE=a,b" as a parameter, or nothing for no types; PREF is added to the first value of a kind.
std::string typeParameter(std::string types, bool preferred) {
    if (preferred) types += types.empty() ? "PREF" : ",PREF";
    return types.empty() ? std::string() : ";TYPE=" + types;
}

std::string homeOrWork(const std::string& label) {
    const std::string l = lowered(label);
    if (l == "home") return "HOME";
    if (l == "work") return "WORK";
    return {};
}

// A structured value: its components escaped one by one and joined by ";".
std::string structured(std::initializer_list<const std::string*> components) {
    std::string value;
    bool first = true;
    for (const std::string* component : components) {
        if (!first) value += ';';
        first = false;
        value += PRVCFController::escapeValue(*component);
    }
    return value;
}

bool isDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

const char* imageType(const std::vector<uint8_t>& bytes) {
    auto startsWith = [&bytes](std::initializer_list<uint8_t> magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    if (startsWith({0x89, 'P', 'N', 'G'})) return "PNG";
    if (startsWith({'G', 'I', 'F', '8'})) return "GIF";
    return "JPEG";
}

}  // namespace

std::string PRVCFController::foldedLine(const std::string& line) {
    constexpr size_t kOctets = 75;
    std::string out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    size_t at = 0;
    bool first = true;
    while (line.size() - at > (first ? kOctets : kOctets - 1)) {
        size_t end = at + (first ? kOctets : kOctets - 1);
        while (end > at && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;  // whole characters
        if (!first) out += ' ';
        out.append(line, at, end - at);
        out += "\r\n";
        at = end;
        first = false;
    }
    if (!first) out += ' ';
    out.append(line, at, std::string::npos);
    out += "\r\n";
    return out;
}

std::string PRVCFController::phoneTypes(const std::string& label) {
    const std::string l = lowered(label);
    if (l == "mobile") return "CELL";
    if (l == "iphone") return "IPHONE,CELL";
    if (l == "home") return "HOME";
    if (l == "work") return "WORK";
    if (l == "main") return "MAIN";
    if (l == "homefax") return "HOME,FAX";
    if (l == "workfax") return "WORK,FAX";
    if (l == "otherfax" || l == "fax") return "FAX";
    if (l == "pager") return "PAGER";
    return {};
}

std::string PRVCFController::displayName(const PRContactNode& contact) {
    for (const std::string* name : {&contact.contactName(), &contact.contactOrganization(), &contact.contactCompany()})
        if (std::string_view shown = trimmedText(*name); !shown.empty()) return std::string(shown);
    return "unknown " + std::to_string(contact.rowid());
}

std::string PRVCFController::cardText(const PRContactNode& c) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    auto line = [&card](const std::string& text) { card += foldedLine(text); };
    // A record with a name but no parts (made by hand, not by a reader) keeps it as the given name.
    const bool parts = !(c.contactFirstName().empty() && c.contactMiddleName().empty() && c.contactLastName().empty() &&
                         c.contactPrefix().empty() && c.contactSuffix().empty());
    const std::string given = parts ? c.contactFirstName() : std::string(trimmedText(c.contactName()));
    line("N:" +
         structured({&c.contactLastName(), &given, &c.contactMiddleName(), &c.contactPrefix(), &c.contactSuffix()}));
    line("FN:" + escapeValue(displayName(c)));
    if (!c.contactDepartment().empty())
        line("ORG:" + structured({&c.contactOrganization(), &c.contactDepartment()}));
    else if (!c.contactOrganization().empty())
        line("ORG:" + escapeValue(c.contactOrganization()));
    else if (std::string_view company = trimmedText(c.contactCompany());
             !company.empty() && c.contactJobtitle().empty())
        line("ORG:" + escapeValue(std::string(company)));
    if (!c.contactJobtitle().empty()) line("TITLE:" + escapeValue(c.contactJobtitle()));
    for (size_t i = 0; i < c.contactEmails().size(); ++i) {
        const std::string home = homeOrWork(c.contactEmails()[i].label);
        line("EMAIL" + typeParameter(home.empty() ? "INTERNET" : "INTERNET," + home, i == 0) + ":" +
             escapeValue(c.contactEmails()[i].value));
    }
    for (size_t i = 0; i < c.contactPhones().size(); ++i)
        line("TEL" + typeParameter(phoneTypes(c.contactPhones()[i].label), i == 0) + ":" +
             escapeValue(c.contactPhones()[i].value));
    for (const PRContactValue& page : c.contactHomepages()) line("URL:" + escapeValue(page.value));
    for (const PRContactAddress& a : c.contactAddresses()) {
        const std::string none;
        line("ADR" + typeParameter(homeOrWork(a.label), false) + ":" +
             structured({&none, &none, &a.street, &a.city, &a.state, &a.zip, &a.country}));
    }
    if (isDate(c.contactBirthday())) line("BDAY:" + c.contactBirthday());
    if (!c.contactNote().empty()) line("NOTE:" + escapeValue(c.contactNote()));
    if (const PRBytes& image = c.imageData(); image && !image->empty()) {
        std::vector<char> encoded(encodedLength(image->size(), true));
        const size_t length =
            baseEncode(image->data(), image->size(), encoded.data(), encoded.size(), kBase64Alphabet, true);
        line(std::string("PHOTO;ENCODING=b;TYPE=") + imageType(*image) + ":" + std::string(encoded.data(), length));
    }
    card += "END:VCARD\r\n";
    return card;
}

files::Outcome PRVCFController::creatFile(const PRContactNode& contact, const std::string& filePath) {
    strContent_ = cardText(contact);
    return files::writeNewFile(filePath, strContent_);
}
