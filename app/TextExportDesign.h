#pragma once

class TExportToText;

// The stored settings of the window's text export components ex_dep_export
// and ex_log_export, which carry the same ones: columns from the dataset, a
// title row, cells joined by ";", CR LF after every row, no qualifier,
// Windows-1252, "," as decimal and "." as thousands separator, dates as
// DD.MM.YYYY with ":" in times, "€", the file opened afterwards; the run's
// progress in the progress window, its messages in message boxes.
namespace TextExportDesign {

void apply(TExportToText &component);
// The settings alone, without the progress window and the message boxes:
// where the run's progress and messages go is the caller's to say.
void applySettings(TExportToText &component);

} // namespace TextExportDesign
