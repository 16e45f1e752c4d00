#include "ui/controls/HelpPane.h"

#include "ui/controls/RtfReader.h"

#include <QEvent>
#include <QGroupBox>
#include <QTextCursor>
#include <algorithm>

namespace vantoro {
namespace {

constexpr qint64 kReadChunk = 64 * 1024;
// A help file is a few kB; this only keeps a wrong name (a device, say) from reading forever.
constexpr qint64 kMaxHelpBytes = 64 * 1024 * 1024;

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
    if (!file_.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Read in chunks so that an error part way keeps what came before it.
    QByteArray bytes;
    const qint64 size = file_.size();
    if (size > 0) {
        bytes.reserve(qsizetype(std::min(size, kMaxHelpBytes)));
    }
    QByteArray chunk(kReadChunk, Qt::Uninitialized);
    while (bytes.size() < kMaxHelpBytes) {
        const qint64 got = file_.read(chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        bytes.append(chunk.constData(), qsizetype(got));
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

HelpPane* LoadHelpFile(QGroupBox* helpGroup, const QString& fileName) {
    if (helpGroup == nullptr) {
        return nullptr;
    }
    HelpPane* pane = helpGroup->findChild<HelpPane*>(QString(), Qt::FindDirectChildrenOnly);
    if (pane == nullptr) {
        pane = new HelpPane(helpGroup);
    }
    pane->LoadFile(fileName);
    return pane;
}

} // namespace vantoro
