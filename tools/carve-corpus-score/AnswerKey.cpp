#include "AnswerKey.h"

#include "platform/FileOpen.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

namespace corpusscore {

namespace {

constexpr size_t kLargestKey = 64u << 20;  // the corpus's largest is under 200 kB

bool named(const QXmlStreamReader& x, const char16_t* name) { return x.name() == QStringView(name); }

std::string text(QXmlStreamReader& x) { return x.readElementText().toStdString(); }

KeyColumn readColumnDefinition(QXmlStreamReader& x) {
    KeyColumn column;
    while (x.readNextStartElement()) {
        if (named(x, u"meta")) {
            while (x.readNextStartElement()) {
                if (named(x, u"name"))
                    column.name = text(x);
                else if (named(x, u"attribute"))
                    column.definition = text(x);
                else
                    x.skipCurrentElement();
            }
        } else if (named(x, u"columnTypeName")) {
            column.typeName = text(x);
        } else {
            x.skipCurrentElement();
        }
    }
    return column;
}

KeyRow readRow(QXmlStreamReader& x) {
    KeyRow row;
    row.deleted = x.attributes().value(QLatin1String("deleted")) == QLatin1String("1");
    while (x.readNextStartElement()) {
        if (!named(x, u"column")) {
            x.skipCurrentElement();
            continue;
        }
        std::string name, content;
        bool given = false;
        while (x.readNextStartElement()) {
            if (named(x, u"name")) {
                name = text(x);
            } else if (named(x, u"content")) {
                content = text(x);
                given = true;
            } else {
                x.skipCurrentElement();
            }
        }
        if (given) row.values.emplace_back(std::move(name), std::move(content));
    }
    return row;
}

// One element of the key: a table, index, view or trigger; type says which.
KeyTable readElement(QXmlStreamReader& x, std::string& type) {
    KeyTable table;
    while (x.readNextStartElement()) {
        if (named(x, u"meta")) {
            while (x.readNextStartElement()) {
                if (named(x, u"type"))
                    type = text(x);
                else if (named(x, u"name"))
                    table.name = text(x);
                else if (named(x, u"deleted"))
                    table.dropped = text(x) == "True";
                else
                    x.skipCurrentElement();
            }
        } else if (named(x, u"sql")) {
            while (x.readNextStartElement()) {
                if (named(x, u"columnDefinition"))
                    table.columns.push_back(readColumnDefinition(x));
                else
                    x.skipCurrentElement();
            }
        } else if (named(x, u"entries")) {
            while (x.readNextStartElement()) {
                if (named(x, u"row"))
                    table.rows.push_back(readRow(x));
                else
                    x.skipCurrentElement();
            }
        } else {
            x.skipCurrentElement();
        }
    }
    return table;
}

}  // namespace

std::optional<std::vector<KeyTable>> readAnswerKey(const std::string& path, std::string& error) {
    std::string bytes;
    if (!files::readRegularFile(path, kLargestKey, &bytes, &error)) return std::nullopt;
    QXmlStreamReader x(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    std::vector<KeyTable> tables;
    if (x.readNextStartElement() && named(x, u"database")) {
        while (x.readNextStartElement()) {
            if (!named(x, u"element")) {
                x.skipCurrentElement();
                continue;
            }
            std::string type;
            KeyTable table = readElement(x, type);
            if (type == "table") tables.push_back(std::move(table));
        }
    } else if (!x.hasError()) {
        x.raiseError(QStringLiteral("no <database> element"));
    }
    if (x.hasError()) {
        error = path + ": line " + std::to_string(x.lineNumber()) + ": " + x.errorString().toStdString();
        return std::nullopt;
    }
    return tables;
}

}  // namespace corpusscore
