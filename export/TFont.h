#pragma once

#include <QString>

// The font of a cell, for the export formats that write fonts: family, size
// in points (0: the format's own), bold, italic and underlined. A plain value
// (Qt Core only): the text export carries it to the cell parameters event
// and writes none.
struct TFont
{
    QString family;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    void setBold(bool enable) { bold = enable; }
    bool operator==(const TFont &) const = default;
};
