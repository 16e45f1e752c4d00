#pragma once

// Runs part of a test from another current directory, as a user who starts the program there;
// the previous one comes back when the object goes.

#include <QDir>
#include <QString>

namespace vantoro::test {

// The folder of the program's own help files.
inline QString HelpFolder() {
    return QStringLiteral(VANTORO_SOURCE_DIR "/res/help");
}

class CurrentDirectory {
public:
    explicit CurrentDirectory(const QString& path)
        : previous_(QDir::currentPath()), changed_(QDir::setCurrent(path)) {}
    ~CurrentDirectory() { QDir::setCurrent(previous_); }

    bool changed() const { return changed_; }

private:
    QString previous_;
    bool changed_;
};

} // namespace vantoro::test
