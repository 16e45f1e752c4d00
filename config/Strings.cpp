#include "config/Strings.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantoro {

namespace {

QHash<int, QString> ReadTable() {
    QHash<int, QString> table;
    QFile file(QStringLiteral(":/strings.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return table;
    }
    const QJsonObject entries = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        bool isNumber = false;
        const int id = it.key().toInt(&isNumber);
        if (isNumber && it.value().isString()) {
            table.insert(id, it.value().toString());
        }
    }
    return table;
}

} // namespace

QString TableString(int id) {
    static const QHash<int, QString> table = ReadTable();
    return table.value(id);
}

} // namespace vantoro
