#include "config/Csv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <utility>

namespace vantoro {
namespace {

QString TextList(const BridgeText* first, int count) {
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        array.append(first[i].toQString());
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
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
        cell = InertCell(cell);
    }
    return cells;
}

namespace {

bool StartsFormula(QStringView text) {
    return !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front());
}

} // namespace

QString InertCell(const QString& cell) {
    return StartsFormula(cell) ? u'\'' + cell : cell;
}

QString UninertCell(const QString& cell) {
    return cell.startsWith(u'\'') && StartsFormula(QStringView(cell).mid(1)) ? cell.mid(1) : cell;
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

namespace {

// RFC 4180, one character at a time. Each step returns an error text, or an empty one.
class CsvReader {
public:
    explicit CsvReader(QString input) : input_(std::move(input)) {}

    std::optional<QList<QStringList>> Read(QString* error) {
        for (pos_ = 0; pos_ < input_.size(); ++pos_) {
            const QString why = quoted_ ? InQuotes(input_[pos_]) : Outside(input_[pos_]);
            if (!why.isEmpty()) {
                return Fail(why, error);
            }
        }
        if (quoted_) {
            line_ = quoteLine_;
            return Fail(QStringLiteral("a quoted cell is not closed"), error);
        }
        EndRecord();
        return records_;
    }

private:
    QString InQuotes(QChar c) {
        if (c != u'"') {
            line_ += c == u'\n' ? 1 : 0;
            cell_ += c;
        } else if (pos_ + 1 < input_.size() && input_[pos_ + 1] == u'"') {
            cell_ += u'"';
            ++pos_;
        } else {
            quoted_ = false;
            closed_ = true;
        }
        return {};
    }

    QString Outside(QChar c) {
        if (c == u',') {
            record_ << cell_;
            cell_.clear();
            started_ = true;
            closed_ = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && pos_ + 1 < input_.size() && input_[pos_ + 1] == u'\n') {
                ++pos_;
            }
            EndRecord();
            ++line_;
        } else if (closed_) {
            return QStringLiteral("text after a quoted cell");
        } else if (c == u'"') {
            if (!cell_.isEmpty()) {
                return QStringLiteral("a quote inside an unquoted cell");
            }
            quoted_ = started_ = true;
            quoteLine_ = line_;
        } else {
            cell_ += c;
            started_ = true;
        }
        return {};
    }

    void EndRecord() {
        if (started_ || !record_.isEmpty()) {
            record_ << cell_;
            records_ << record_;
        }
        record_.clear();
        cell_.clear();
        started_ = closed_ = false;
    }

    std::optional<QList<QStringList>> Fail(const QString& why, QString* error) const {
        if (error != nullptr) {
            *error = QStringLiteral("line %1: %2").arg(line_).arg(why);
        }
        return std::nullopt;
    }

    QString input_;
    qsizetype pos_ = 0;
    QList<QStringList> records_;
    QStringList record_;
    QString cell_;
    bool quoted_ = false;  // inside a quoted cell
    bool closed_ = false;  // the current cell was quoted and has closed
    bool started_ = false; // the record has a cell in progress, even an empty one
    int line_ = 1;
    int quoteLine_ = 1;
};

} // namespace

std::optional<QList<QStringList>> ReadCsv(const QByteArray& text, QString* error) {
    QString input = QString::fromUtf8(text);
    if (input.startsWith(QChar(0xFEFF))) {
        input.remove(0, 1);
    }
    return CsvReader(std::move(input)).Read(error);
}

} // namespace vantoro
