#include "config/Csv.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace vantoro {
namespace {

QString TextList(const BridgeText* first, int count) {
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        array.append(first[i].toQString());
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString Inert(const QString& text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front())) {
        return u'\'' + text;
    }
    return text;
}

bool NeedsQuotes(const QString& cell) {
    for (const QChar c : cell) {
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r') {
            return true;
        }
    }
    return !cell.isEmpty() && (cell.front().isSpace() || cell.back().isSpace());
}

} // namespace

QStringList BridgeCsvHeader(bool showSecrets) {
    QStringList header{
        QStringLiteral("macAddress"), QStringLiteral("ipMode"),      QStringLiteral("ipAddress"),
        QStringLiteral("subnetMask"), QStringLiteral("gateway"),     QStringLiteral("deviceName"),
        QStringLiteral("model"),      QStringLiteral("networkType"), QStringLiteral("channel"),
        QStringLiteral("profile"),    QStringLiteral("country"),     QStringLiteral("privacy"),
        QStringLiteral("keyLength"),  QStringLiteral("keyId"),       QStringLiteral("ssid"),
        QStringLiteral("ssidCount"),  QStringLiteral("ssidList"),    QStringLiteral("linkQuality"),
        QStringLiteral("txPackets"),  QStringLiteral("rxPackets"),   QStringLiteral("version"),
        QStringLiteral("interface")};
    if (showSecrets) {
        header << QStringLiteral("userName") << QStringLiteral("password")
               << QStringLiteral("keys");
    }
    return header;
}

QStringList BridgeCsvFields(const Bridge& b, const QString& model, bool showSecrets) {
    QStringList cells{b.macAddress.toQString(),
                      b.ipMode.toQString(),
                      b.ipAddress.toQString(),
                      b.subnetMask.toQString(),
                      b.gateway.toQString(),
                      b.deviceName.toQString(),
                      model,
                      b.networkType.toQString(),
                      b.channel.toQString(),
                      b.profile.toQString(),
                      b.country.toQString(),
                      b.privacy.toQString(),
                      b.keyLength.toQString(),
                      b.keyId.toQString(),
                      b.ssid.toQString(),
                      b.ssidCount.toQString(),
                      TextList(b.ssidList.data(), b.ssidListSize()),
                      b.linkQuality.toQString(),
                      b.txPackets.toQString(),
                      b.rxPackets.toQString(),
                      b.version.toQString(),
                      b.arrivedOn.name};
    if (showSecrets) {
        cells << b.userName.toQString() << b.password.toQString()
              << TextList(b.keys.data(), kKeyCount);
    }
    for (QString& cell : cells) {
        cell = Inert(cell);
    }
    return cells;
}

QByteArray CsvRecord(const QStringList& cells) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            line += u',';
        }
        const QString& cell = cells[i];
        if (NeedsQuotes(cell)) {
            line += u'"' + QString(cell).replace(u'"', QStringLiteral("\"\"")) + u'"';
        } else {
            line += cell;
        }
    }
    return line.toUtf8() + "\r\n";
}

std::optional<QList<QStringList>> ReadCsv(const QByteArray& text, QString* error) {
    QString input = QString::fromUtf8(text);
    if (input.startsWith(QChar(0xFEFF))) {
        input.remove(0, 1);
    }
    QList<QStringList> records;
    QStringList record;
    QString cell;
    bool quoted = false;      // inside a quoted cell
    bool wasQuoted = false;   // the current cell was quoted and has closed
    bool cellStarted = false; // the record has a cell in progress (even an empty one)
    int line = 1;
    int quoteLine = 1;
    const auto fail = [&](const QString& why) -> std::optional<QList<QStringList>> {
        if (error != nullptr) {
            *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        }
        return std::nullopt;
    };
    const auto endRecord = [&] {
        if (cellStarted || !record.isEmpty()) {
            record << cell;
            records << record;
        }
        record.clear();
        cell.clear();
        cellStarted = wasQuoted = false;
    };
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < input.size() && input[i + 1] == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == u'\n') {
                    ++line;
                }
                cell += c;
            }
            continue;
        }
        if (c == u',') {
            record << cell;
            cell.clear();
            cellStarted = true;
            wasQuoted = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < input.size() && input[i + 1] == u'\n') {
                ++i;
            }
            endRecord();
            ++line;
        } else if (wasQuoted) {
            return fail(QStringLiteral("text after a quoted cell"));
        } else if (c == u'"') {
            if (!cell.isEmpty()) {
                return fail(QStringLiteral("a quote inside an unquoted cell"));
            }
            quoted = true;
            quoteLine = line;
            cellStarted = true;
        } else {
            cell += c;
            cellStarted = true;
        }
    }
    if (quoted) {
        line = quoteLine;
        return fail(QStringLiteral("a quoted cell is not closed"));
    }
    endRecord();
    return records;
}

} // namespace vantoro
