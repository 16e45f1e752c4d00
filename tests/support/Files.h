#pragma once

// Writes the files a test reads, as a user or another program would leave them.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace vantoro::test {

// Replaces the file at path with contents; returns path.
inline QString WriteFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
    return path;
}

} // namespace vantoro::test
