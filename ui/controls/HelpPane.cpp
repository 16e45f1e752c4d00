#include "ui/controls/HelpPane.h"

#include "ui/controls/RtfReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QTextCursor>
#include <algorithm>

namespace vantoro {

namespace {

constexpr qint64 kReadChunk = qint64{64} * 1024;

// Relative to the program's folder, as installed (bin/ and share/ side by side under one prefix),
// so that an unpacked or relocated install finds its own files.
constexpr char kInstalledHelpDir[] = "../share/vantoro/help";

// A help file is a few kB. Anything else under a help file's name (a FIFO would block the
// window, a device or a huge file would fill the memory) counts as absent.
bool IsReadableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.size() <= kMaxHelpBytes && info.isReadable();
}

} // namespace

HelpPane::HelpPane(QGroupBox* helpGroup) : QTextEdit(helpGroup), helpGroup_(helpGroup) {
    setObjectName(QStringLiteral("helpPane"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
    setAcceptDrops(false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Q_ASSERT(helpGroup_ != nullptr);
    if (helpGroup_ != nullptr) {
        helpGroup_->installEventFilter(this);
        FitToGroup();
        raise();
        show(); // shown with the group box; shown now if the group box already is
    }
}

HelpPane::~HelpPane() = default;

bool HelpPane::LoadFile(const QString& fileName) {
    file_.close();
    clear();
    file_.setFileName(fileName);
    // Checked before the open, which would wait for a writer on a FIFO.
    if (!IsReadableFile(fileName) || !file_.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Read in chunks so that an error part way keeps what came before it.
    QByteArray bytes;
    bytes.reserve(qsizetype(std::min(file_.size(), kMaxHelpBytes)));
    QByteArray chunk(kReadChunk, Qt::Uninitialized);
    while (bytes.size() <= kMaxHelpBytes) {
        const qint64 got = file_.read(chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        bytes.append(chunk.constData(), qsizetype(got));
    }
    if (bytes.size() > kMaxHelpBytes) {
        // It grew past the limit after the check: as if absent.
        file_.close();
        return false;
    }
    ReadRtf(bytes, document());
    moveCursor(QTextCursor::Start);
    return true;
}

bool HelpPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == helpGroup_ && event->type() == QEvent::Resize) {
        FitToGroup();
    }
    return QTextEdit::eventFilter(watched, event);
}

void HelpPane::FitToGroup() {
    if (helpGroup_ == nullptr) {
        return;
    }
    setGeometry(0, 0, helpGroup_->width(), helpGroup_->height());
}

QString FindHelpFile(const QString& fileName, const QString& programDir) {
    if (fileName.isEmpty() || QDir::isAbsolutePath(fileName) || IsReadableFile(fileName)) {
        return fileName;
    }
    if (programDir.isEmpty()) {
        return fileName;
    }
    const QDir program(programDir);
    for (const QString& candidate :
         {QDir::cleanPath(
              program.filePath(QLatin1String(kInstalledHelpDir) + QLatin1Char('/') + fileName)),
          QDir::cleanPath(program.filePath(fileName))}) {
        if (IsReadableFile(candidate)) {
            return candidate;
        }
    }
    return fileName;
}

HelpPane* LoadHelpFile(QGroupBox* helpGroup, const QString& fileName) {
    if (helpGroup == nullptr) {
        return nullptr;
    }
    const QString programDir = QCoreApplication::instance() != nullptr
                                   ? QCoreApplication::applicationDirPath()
                                   : QString();
    HelpPane* pane = helpGroup->findChild<HelpPane*>(QString(), Qt::FindDirectChildrenOnly);
    if (pane == nullptr) {
        pane = new HelpPane(helpGroup);
    }
    pane->LoadFile(FindHelpFile(fileName, programDir));
    return pane;
}

} // namespace vantoro
