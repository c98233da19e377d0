#pragma once

#include <QString>

// Whether two local paths name one file: the same device and inode, so a
// hard link, a symbolic link, "..", another spelling of the folder all
// count. Used to refuse an output that would replace one of the run's
// inputs before anything is written.
//
//     if (FileIdentity::same(reportPath, checkedPath)) ... refuse
namespace FileIdentity {

// True when both paths exist and are the same file (links followed), or
// when one is not there yet and both name the same place: one folder
// (links followed) and one name.
bool same(const QString &localPathA, const QString &localPathB);

} // namespace FileIdentity
