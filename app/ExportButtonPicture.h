#pragma once

#include <QIcon>

// The 32 x 32 picture of the three export buttons: a sheet of paper with an
// arrow leaving it.
QIcon exportButtonPicture();
