#pragma once

// One setting that a change would alter: what the command line prints for it.

#include <QString>

namespace vantoro {

struct FieldChange {
    QString field;
    QString from;        // as the bridge reports it
    QString to;          // as the change would send it
    bool secret = false; // a key: its values are never filled in
    bool quoted = false; // a free text (the network name), shown in quotes
};

} // namespace vantoro
