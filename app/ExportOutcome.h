#pragma once

// How one of the window's export operations ended. The window has told the
// user already and ignores it; batch mode turns it into its exit code.
enum class ExportOutcome {
    Written,      // the file is complete
    Cancelled,    // the user stopped the run; what was written is kept
    NoVariant,    // no program variant chosen
    NotConnected, // the database could not be opened
    NoData,       // the period holds no rows; no file written
    QueryFailed,  // the query could not be run
    WriteFailed,  // the file could not be written (or the run failed otherwise)
    DataError,    // a value the export cannot use
};
