#pragma once

// The help pane of a dialog: a read-only rich text view laid over the whole "Help" group box
// (frame and caption included), showing an RTF help file read by the RTF reader.

#include <QFile>
#include <QTextEdit>

class QGroupBox;

namespace vantoro {

// The largest help file read; a larger one is skipped as if absent.
inline constexpr qint64 kMaxHelpBytes = qint64{1024} * 1024;

class HelpPane : public QTextEdit {
    Q_OBJECT
public:
    // Creates the pane as a child of helpGroup (not null), covering its full rect (0, 0, width,
    // height); it follows the group box when that is resized. The group box (and so the dialog)
    // owns it.
    explicit HelpPane(QGroupBox* helpGroup);
    ~HelpPane() override;

    // Opens fileName read-only as given (a relative name resolves against the process's current
    // directory), reads it all and shows it. The file stays open until the pane is destroyed or
    // another file is loaded. A file that cannot be opened, or is not a regular file of at most
    // kMaxHelpBytes, leaves the pane empty, with no message; a read error part way shows what was
    // read. Returns whether the file was read.
    bool LoadFile(const QString& fileName);

    // The help file held open (closed if none could be opened).
    const QFile& file() const { return file_; }
    QGroupBox* helpGroup() const { return helpGroup_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitToGroup();

    QGroupBox* helpGroup_;
    QFile file_;
};

// Where a help file is read from. A relative fileName is tried, in order, in the current
// directory (as given, so a copy there still wins), in the installed data folder
// programDir/../share/vantoro/help (the menu starts the program in the home folder) and in
// programDir itself (a build tree). Returns the first candidate that is a readable regular file
// of at most kMaxHelpBytes, or
// fileName unchanged when there is none; an absolute fileName is returned as it is.
QString FindHelpFile(const QString& fileName, const QString& programDir);

// The dialogs' entry point: lays a HelpPane over helpGroup (reusing one already there) and loads
// fileName, looked up by FindHelpFile beside the running program, into it. Always returns the pane,
// even when the file cannot be opened (nullptr only for a null group box).
HelpPane* LoadHelpFile(QGroupBox* helpGroup, const QString& fileName);

} // namespace vantoro
