#include "TDirectoryEdit.h"

TDirectoryEdit::TDirectoryEdit(QWidget *parent) : QLineEdit(parent) {}
