#include "export/PRVCFController.h"

#include "model/ContactNumberRule.h"
#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"
#include "platform/NewFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
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

std::string PRVCFController::escapeValue(std::string_view value) {
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
std::string structured(std::initializer_list<std::string_view> components) {
    std::string value;
    bool first = true;
    for (std::string_view component : components) {
        if (!first) value += ';';
        first = false;
        value += PRVCFController::escapeValue(component);
    }
    return value;
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "YYYY-MM-DD", or "--MM-DD" for a day of no year.
bool isDate(const std::string& text) {
    const std::string_view t(text);
    if (t.size() == 7 && t.starts_with("--") && t[4] == '-') return allDigits(t.substr(2, 2)) && allDigits(t.substr(5));
    return t.size() == 10 && t[4] == '-' && t[7] == '-' && allDigits(t.substr(0, 4)) && allDigits(t.substr(5, 2)) &&
           allDigits(t.substr(8));
}

// The address a messaging service's handle is written as (RFC 4770); the address book's own
// scheme for a service without one.
std::string messengerAddress(const PRContactHandle& handle) {
    static const std::pair<const char*, const char*> kSchemes[] = {
        {"aim", "aim"},       {"jabber", "xmpp"}, {"gtalk", "xmpp"},      {"googletalk", "xmpp"},
        {"facebook", "xmpp"}, {"msn", "msnim"},   {"yahoo", "ymsgr"},     {"icq", "aim"},
        {"skype", "skype"},   {"qq", "x-apple"},  {"gadugadu", "x-apple"}};
    std::string service = lowered(handle.service);
    service.erase(std::remove(service.begin(), service.end(), ' '), service.end());
    if (service.ends_with("instant")) service.erase(service.size() - 7);
    const char* scheme = "x-apple";
    for (const auto& [name, known] : kSchemes)
        if (service == name) scheme = known;
    return std::string(scheme) + ":" + handle.username;
}

// A parameter's value: the characters that would end it (";", ":", ",", quotes, line breaks)
// left out.
std::string parameterValue(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (!std::strchr(";:,\"\r\n", c)) out += c;
    return out;
}

// A social profile's address: the one the address book keeps, else one made of the user name.
std::string profileAddress(const PRContactHandle& profile) {
    if (!profile.url.empty()) return profile.url;
    const std::string service = lowered(profile.service);
    if (service == "twitter") return "http://twitter.com/" + profile.username;
    if (service == "facebook") return "http://www.facebook.com/" + profile.username;
    if (service == "flickr") return "http://www.flickr.com/photos/" + profile.username;
    if (service == "linkedin") return "http://www.linkedin.com/in/" + profile.username;
    return "x-apple:" + profile.username;
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
    if (std::string shown = shownContactName(contact); !shown.empty()) return shown;
    return "unknown " + std::to_string(contact.rowid());
}

std::string PRVCFController::cardText(const PRContactNode& c) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    auto line = [&card](const std::string& text) { card += foldedLine(text); };
    // A record with a name but no parts (made by hand, not by a reader) keeps it as the given name.
    const bool parts = !(c.contactFirstName().empty() && c.contactMiddleName().empty() && c.contactLastName().empty() &&
                         c.contactPrefix().empty() && c.contactSuffix().empty());
    const std::string given = parts ? c.contactFirstName() : std::string(trimmedText(c.contactName()));
    line("N:" + structured({c.contactLastName(), given, c.contactMiddleName(), c.contactPrefix(), c.contactSuffix()}));
    line("FN:" + escapeValue(displayName(c)));
    if (!c.contactDepartment().empty())
        line("ORG:" + structured({c.contactOrganization(), c.contactDepartment()}));
    else if (!c.contactOrganization().empty())
        line("ORG:" + escapeValue(c.contactOrganization()));
    else if (const std::string company(trimmedText(c.contactCompany()));
             !company.empty() && c.contactJobtitle().empty())
        line("ORG:" + escapeValue(company));
    if (!c.contactJobtitle().empty()) line("TITLE:" + escapeValue(c.contactJobtitle()));
    // A value whose label has no type of the standard (a label the user typed, "Other") keeps
    // it beside it, in the grouped form address books read: "item1.TEL:..." with
    // "item1.X-ABLabel:Telma".
    int items = 0;
    auto labelled = [&](const std::string& property, const std::string& value, const std::string& label, bool typed) {
        if (typed || trimmedText(label).empty()) {
            line(property + ":" + value);
            return;
        }
        const std::string group = "item" + std::to_string(++items) + ".";
        line(group + property + ":" + value);
        line(group + "X-ABLabel:" + escapeValue(std::string(trimmedText(label))));
    };
    for (size_t i = 0; i < c.contactEmails().size(); ++i) {
        const PRContactValue& email = c.contactEmails()[i];
        const std::string home = homeOrWork(email.label.str());
        labelled("EMAIL" + typeParameter(home.empty() ? "INTERNET" : "INTERNET," + home, i == 0),
                 escapeValue(email.value.view()), email.label.str(), !home.empty());
    }
    for (size_t i = 0; i < c.contactPhones().size(); ++i) {
        const PRContactValue& phone = c.contactPhones()[i];
        const std::string types = phoneTypes(phone.label.str());
        labelled("TEL" + typeParameter(types, i == 0), escapeValue(phone.value.view()), phone.label.str(),
                 !types.empty());
    }
    for (const PRContactValue& page : c.contactHomepages())
        labelled("URL", escapeValue(page.value.view()), page.label.str(), lowered(page.label.str()) == "homepage");
    for (const PRContactAddress& a : c.contactAddresses()) {
        const std::string type = homeOrWork(a.label.str());
        labelled("ADR" + typeParameter(type, false),
                 structured({{}, {}, a.street.view(), a.city.view(), a.state.view(), a.zip.view(), a.country.view()}),
                 a.label.str(), !type.empty());
    }
    for (const PRContactHandle& messenger : c.contactMessengers()) {
        const std::string type = homeOrWork(messenger.label);
        const std::string service =
            messenger.service.empty() ? std::string() : ";X-SERVICE-TYPE=" + parameterValue(messenger.service);
        labelled("IMPP" + service + typeParameter(type, false), escapeValue(messengerAddress(messenger)),
                 messenger.label, !type.empty());
    }
    for (const PRContactHandle& profile : c.contactProfiles()) {
        const std::string service =
            profile.service.empty() ? std::string() : ";TYPE=" + parameterValue(profile.service);
        const std::string user =
            profile.username.empty() ? std::string() : ";X-USER=" + parameterValue(profile.username);
        line("X-SOCIALPROFILE" + service + user + ":" + escapeValue(profileAddress(profile)));
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
