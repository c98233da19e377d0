#pragma once

#include "ExportOutcome.h"

#include <QString>

#include <optional>
#include <vector>

class ExportMessageSink;

namespace db {
class TADOQuery;
}

// What the DEP 7 export reads from the window: the folder text and the
// two date texts as the fields show them, and the edition of the variant.
// A register number limits the export to that register (batch mode).
struct Dep7Request
{
    QString folder;
    QString fromText;
    QString toText;
    bool gastro = false;
    std::optional<int> cashRegister;
    bool announce = true; // the message naming the folder when the file is written
};

// The DEP 7 export: the signed receipts of the reporting period as a JSON
// file in the database folder, one group per signature certificate.
namespace Dep7Export {

// The file's name: the folder text as entered, "\DEPExport" ("/DEPExport"
// after a Linux folder), the two date texts joined by "-" (in each a
// character a file name cannot hold, such as the "/" of 03/01/2019, written as
// "-"), for a single register "_Kassa" and its number, ".json".
QString fileName(const Dep7Request &request);
// The file's name without its folder.
QString baseName(const Dep7Request &request);

// Runs the export on the edition's query, whose connection is open: binds
// the constants (the request's register, else every register) and the
// period, opens the query, writes the file and names
// the file and its folder in a message to `messages`. Without rows it only says so, leaves any
// earlier file alone and reports NoData. The query is closed afterwards
// whatever happens; a failure on the way is thrown on and leaves no file
// behind.
ExportOutcome run(db::TADOQuery &query, const Dep7Request &request, ExportMessageSink &messages);

// The numbers of the registers whose receipts the request's export would
// write, ascending, read with a query set up for them (QueryDesign's
// RegisterNumbers) on an open connection. The query is closed afterwards.
std::vector<int> cashRegisters(db::TADOQuery &query, const Dep7Request &request);

} // namespace Dep7Export
