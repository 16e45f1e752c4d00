#include "ui/controls/RtfReader.h"

#include "ui/controls/RtfParser.h"

#include <QTextDocument>

namespace vantoro {

RtfReadStatus ReadRtf(QByteArrayView rtf, QTextDocument* doc) {
    if (doc == nullptr) {
        return RtfReadStatus::NotRtf;
    }
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    rtf::Parser parser(rtf, doc);
    const RtfReadStatus status = parser.Run();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    return status;
}

} // namespace vantoro
