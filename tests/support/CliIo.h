#pragma once

// What the command-line tests share: captured output streams and argument lists.

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <initializer_list>

namespace vantoro::test {

// stdout and stderr of one run, as texts.
struct Captured {
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
};

inline QStringList Line(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* arg : args) {
        list.append(QString::fromLatin1(arg));
    }
    return list;
}

} // namespace vantoro::test
