#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

class JetPageFile;

// The usage map of a table: which pages hold its rows. A map whose pages lie
// within 472 pages of the first one is a type 0 map (start page and bitmap in
// the map row itself, 64 bytes); a larger one is a type 1 map, a list of
// bitmap pages (type 0x05) that each cover 32,736 pages of the file.
namespace JetUsageMap {

// The map row for the pages (ascending). Allocates and writes the bitmap
// pages a type 1 map needs.
QByteArray build(const std::vector<quint32> &pages, JetPageFile &file);

} // namespace JetUsageMap
